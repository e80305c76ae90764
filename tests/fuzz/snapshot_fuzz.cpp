// The snapshot loader on a damaged or made-up "Grid<N>.dat". The first byte picks the grid
// and whether the rest is the whole file or the part under the checksum, which then gets a
// true header, so the attack reaches the cells and not only the checksum.
#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>

#include "fuzz/fuzz_env.h"
#include "fuzz/fuzz_target.h"
#include "snapshots/grid_snapshots.h"

namespace {

using namespace kazeyomi;

void load(const QByteArray& data)
{
    if (data.isEmpty())
        return;
    const quint8 flags = quint8(data[0]);
    QByteArray file = data.mid(1);
    if (flags & 1) {
        QByteArray header;
        QDataStream out(&header, QIODevice::WriteOnly);
        out << quint64(file.size()) << QCryptographicHash::hash(file, QCryptographicHash::Sha256);
        file = QByteArrayLiteral("KAZEYOMI-GRID\x01") + header + file;
    }
    fuzz::FuzzEnv& e = fuzz::env(MarkupStyle::Modern);
    const Grid grid = (flags >> 1) % 13 == 12 ? Grid::VSFlexGrid8 : kSnapshotGrids[(flags >> 1) % 13];
    const QString path = e.app.filePath(QStringLiteral("grid.dat"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
        return;
    out.close();
    (void)e.form.grid(grid).loadGrid(path);
}

} // namespace

KAZEYOMI_FUZZ_ENTRY(snapshot, load)
