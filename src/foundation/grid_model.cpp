#include "foundation/grid_model.h"

#include <QMetaMethod>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>

namespace kazeyomi {
namespace {

// Snapshot layout: magic, payload length, SHA-256 of the payload, payload (size and cells).
const QByteArray kMagic = QByteArrayLiteral("KAZEYOMI-GRID\x01");
constexpr int kMaxCells = 4'000'000;
// Far above what the largest grid's snapshot takes, so a stray huge file is never read whole.
constexpr qint64 kMaxSnapshotBytes = 64 * 1024 * 1024;

} // namespace

GridModel::GridModel(QString name, int rows, int cols, QObject* parent)
    : QAbstractTableModel(parent), m_name(std::move(name)), m_designRows(rows), m_designCols(cols)
{
    resize(rows, cols);
}

void GridModel::throwOutside(int row, int col) const
{
    throw GridRangeError(QStringLiteral("%1: cell (%2, %3) outside %4 x %5")
                             .arg(m_name)
                             .arg(row)
                             .arg(col)
                             .arg(m_rows)
                             .arg(m_cols)
                             .toStdString());
}

void GridModel::connectNotify(const QMetaMethod& signal)
{
    if (signal == QMetaMethod::fromSignal(&GridModel::headerDataChanged) ||
        signal == QMetaMethod::fromSignal(&GridModel::dataChanged))
        m_cellsWatched.store(true, std::memory_order_relaxed);
    QAbstractTableModel::connectNotify(signal);
}

void GridModel::announce(int row, int col)
{
    // Scrapers and writers set thousands of cells a cycle; only a grid on screen is told.
    static const QMetaMethod headerChanged = QMetaMethod::fromSignal(&GridModel::headerDataChanged);
    static const QMetaMethod cellChanged = QMetaMethod::fromSignal(&GridModel::dataChanged);
    static const QList<int> kDisplay{Qt::DisplayRole};
    if (row == 0) {
        if (isSignalConnected(headerChanged))
            Q_EMIT headerDataChanged(Qt::Horizontal, col, col);
    } else if (isSignalConnected(cellChanged)) {
        Q_EMIT dataChanged(index(row - 1, col), index(row - 1, col), kDisplay);
    }
}

QString GridModel::cell(int setting, int row, int col) const
{
    if (setting != 0)
        throw GridRangeError("only the text setting (0) is supported");
    return textMatrix(row, col);
}

void GridModel::setCell(int setting, int row, int col, const QString& value)
{
    if (setting != 0)
        throw GridRangeError("only the text setting (0) is supported");
    setTextMatrix(row, col, value);
}

void GridModel::resize(int rows, int cols)
{
    if (rows < 0 || cols < 0 || qint64(rows) * cols > kMaxCells)
        throw GridRangeError(QStringLiteral("%1: bad size %2 x %3").arg(m_name).arg(rows).arg(cols).toStdString());
    std::vector<QString> cells(size_t(rows) * cols);
    for (int r = 0; r < std::min(rows, m_rows); ++r)
        for (int c = 0; c < std::min(cols, m_cols); ++c)
            cells[size_t(r) * cols + c] = std::move(m_cells[size_t(r) * m_cols + c]);
    beginResetModel();
    m_cells = std::move(cells);
    m_rows = rows;
    m_cols = cols;
    endResetModel();
}

void GridModel::setRows(int rows)
{
    resize(rows, m_cols);
}
void GridModel::setCols(int cols)
{
    resize(m_rows, cols);
}

void GridModel::clear()
{
    beginResetModel();
    for (auto& text : m_cells)
        text.clear();
    endResetModel();
}

Outcome GridModel::saveGrid(const QString& path, const FileDevices& devices) const
{
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << qint32(m_rows) << qint32(m_cols);
        for (const auto& text : m_cells)
            out << text;
    }
    QByteArray header;
    {
        QDataStream out(&header, QIODevice::WriteOnly);
        out << quint64(payload.size()) << QCryptographicHash::hash(payload, QCryptographicHash::Sha256);
    }
    const QByteArray bytes = kMagic + header + payload;
    // Replaced whole, so a full disk or a crash never leaves half a snapshot under the real name.
    return FileWriter(devices).replace(path, bytes);
}

Outcome GridModel::loadGrid(const QString& path)
{
    const auto corrupt = [&](const QString& why) {
        return Outcome{QStringLiteral("%1 is not a grid snapshot or is damaged (%2)").arg(path, why)};
    };
    // A device or a pipe under the snapshot's name would be read without end.
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        return corrupt(QStringLiteral("not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot read %1: %2").arg(path, file.errorString())};
    if (file.size() > kMaxSnapshotBytes)
        return corrupt(QStringLiteral("larger than %1 bytes").arg(kMaxSnapshotBytes));
    const QByteArray all = file.readAll();
    if (!all.startsWith(kMagic))
        return corrupt(QStringLiteral("unknown header"));
    QDataStream in(all.mid(kMagic.size()));
    quint64 length = 0;
    QByteArray digest;
    in >> length >> digest;
    const qsizetype headerSize = kMagic.size() + 8 + 4 + digest.size();
    if (in.status() != QDataStream::Ok || length != quint64(all.size() - headerSize))
        return corrupt(QStringLiteral("truncated"));
    const QByteArray payload = all.mid(headerSize);
    if (QCryptographicHash::hash(payload, QCryptographicHash::Sha256) != digest)
        return corrupt(QStringLiteral("checksum mismatch"));

    QDataStream body(payload);
    body.setVersion(QDataStream::Qt_6_0);
    qint32 rows = 0;
    qint32 cols = 0;
    body >> rows >> cols;
    // Checked before anything is allocated; writers address fixed cells of the design size.
    if (body.status() != QDataStream::Ok || rows != m_designRows || cols != m_designCols)
        return {QStringLiteral("%1 holds a grid of %2 x %3, %4 is %5 x %6: not loaded")
                    .arg(path)
                    .arg(rows)
                    .arg(cols)
                    .arg(m_name)
                    .arg(m_designRows)
                    .arg(m_designCols)};
    std::vector<QString> cells(size_t(rows) * cols);
    for (auto& text : cells)
        body >> text;
    if (body.status() != QDataStream::Ok || !body.atEnd())
        return corrupt(QStringLiteral("bad cells"));

    beginResetModel();
    m_rows = rows;
    m_cols = cols;
    m_cells = std::move(cells);
    endResetModel();
    return {};
}

void GridModel::setRow(int row)
{
    check(row, 0);
    m_currentRow = row;
    Q_EMIT highlightChanged();
}

void GridModel::setHighlight(int mode)
{
    m_highlight = mode;
    Q_EMIT highlightChanged();
}

void GridModel::setSelectionMode(int mode)
{
    m_selectionMode = mode;
    Q_EMIT highlightChanged();
}

void GridModel::setSelectionEnabled(bool on)
{
    m_selectionOn = on;
    Q_EMIT highlightChanged();
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(0, m_rows - 1);
}
int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_cells[size_t(index.row() + 1) * m_cols + index.column()];
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_cols && m_rows > 0 ? QVariant(m_cells[size_t(section)]) : QVariant();
    return section + 1;
}

} // namespace kazeyomi
