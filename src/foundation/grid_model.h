// The table behind every grid of the window: text cells with a header row 0 and a
// column 0, saved and loaded whole, shown by the window through Qt's model/view.
#pragma once

#include <atomic>
#include <stdexcept>
#include <vector>

#include <QAbstractTableModel>
#include <QString>

#include "foundation/file_writer.h"

namespace kazeyomi {

// A cell outside the grid is a programming error; scrapers catch it as a skipped statement.
class GridRangeError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    GridModel(QString name, int rows, int cols, QObject* parent = nullptr);

    const QString& name() const { return m_name; }

    QString textMatrix(int row, int col) const { return textAt(row, col); }
    void setTextMatrix(int row, int col, const QString& text)
    {
        check(row, col);
        m_cells[size_t(row) * size_t(m_cols) + size_t(col)] = text;
        if (m_cellsWatched.load(std::memory_order_relaxed))
            announce(row, col);
    }
    // The cell text itself, without a copy: valid until the cell is written or the grid changes.
    const QString& textAt(int row, int col) const
    {
        check(row, col);
        return m_cells[size_t(row) * size_t(m_cols) + size_t(col)];
    }
    // Setting 0 is the cell text; no other cell property is used.
    QString cell(int setting, int row, int col) const;
    void setCell(int setting, int row, int col, const QString& value);

    int rows() const { return m_rows; }
    int cols() const { return m_cols; }
    void setRows(int rows);
    void setCols(int cols);
    // Empties every cell, header row included; the size stays.
    void clear();

    // A failure names the file; a failed save keeps the file that was there.
    Outcome saveGrid(const QString& path, const FileDevices& devices = realFiles()) const;
    // A truncated or corrupt file, or one whose grid is not of this grid's design size, is
    // refused and leaves the grid as it was.
    Outcome loadGrid(const QString& path);

    // Row highlight used while a race is fetched.
    void setRow(int row);
    int row() const { return m_currentRow; }
    void setHighlight(int mode);
    void setSelectionMode(int mode);
    void setSelectionEnabled(bool on);
    bool rowShownSelected() const { return m_selectionOn && m_highlight == 1 && m_selectionMode == 1; }

    // The view shows row 0 as the header and rows 1.. as data.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

Q_SIGNALS:
    void highlightChanged();

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    void check(int row, int col) const
    {
        if (unsigned(row) >= unsigned(m_rows) || unsigned(col) >= unsigned(m_cols))
            throwOutside(row, col);
    }
    [[noreturn]] void throwOutside(int row, int col) const;
    // Tells the views of a grid on screen that a cell changed.
    void announce(int row, int col);
    void resize(int rows, int cols);

    QString m_name;
    // The size the grid was made with, the window's layout: the only size a snapshot may bring.
    int m_designRows = 0;
    int m_designCols = 0;
    int m_rows = 0;
    int m_cols = 0;
    std::vector<QString> m_cells;
    int m_currentRow = 0;
    int m_highlight = 0;
    int m_selectionMode = 0;
    bool m_selectionOn = false;
    // Set for good once anything listens to the cell or header signals; until then a cell
    // written is not announced (the scrapers and writers set thousands a cycle).
    std::atomic<bool> m_cellsWatched{false};
};

} // namespace kazeyomi
