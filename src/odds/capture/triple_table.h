// What the trio and trifecta scrapers share: their pages hold one table per horse, whose lines
// are copied into the work file "tmp2.txt" (the lines holding a plain "<th>" split into one
// line per odds cell) and read back by count.
#pragma once

#include <functional>

#include <QString>
#include <QStringView>

#include "odds/capture/odds_scrape.h"
#include "scraping/cached_page.h"
#include "scraping/page_reader.h"
#include "scraping/work_file.h"

namespace kazeyomi {

struct Context;
class GridModel;

// Which of the markers the table copy goes by a page line holds, found in one look at the line.
struct TableLineMarks {
    bool tableStart = false; // "<p>"
    bool tableEnd = false;   // "</tbody></table>"
    bool cellHead = false;   // a plain "<th>"
    bool bodyRow = false;    // "<tbody><tr>"

    TableLineMarks() = default;
    explicit TableLineMarks(QStringView line);
};

// How one table line goes into the work file; gives the markers the line holds.
using TableLineCopy = std::function<TableLineMarks(WorkFile& work, QStringView line)>;

// Splits a table line at every plain "<th>" and drops the highlight spans around the odds.
// `rowBreaks` also leaves an empty line between two table rows that stand on the line.
QString splitAtCells(const QString& line, bool rowBreaks);
// The same split appended to `out`; gives the markers of the table copy the line holds.
TableLineMarks appendSplitAtCells(QString& out, QStringView line, bool rowBreaks);

// The page's tables in the work file, read back, or why there are none.
struct [[nodiscard]] TripleTables {
    bool ready = false;
    PageReader rows{QString()};
    QString lastPageLine; // the line in hand when the copy ended, where the reading starts
    PageFetch fetch;      // the page's fetch
    // Why a page that was read gives no odds: tables of another field than the win/place
    // page's, or a work file that cannot be written.
    QString problem;

    // What the scraper tells the cycle when the tables are not ready.
    OddsScrape notReady() const;
};

// From each line holding "<p>" on to the line holding "</tbody></table>", which ends the table
// and is not copied, each line goes through `copy`. The copy stops at the end of the page, and
// the next table is looked for after a table's last line even when that line holds "<p>".
// Not ready for a page that is not there to read, tables that show another number of horses
// than the runner count (`betType` names the page then) or a work file that cannot be written.
TripleTables copyTables(Context& ctx, CachedPage& page, const TableLineCopy& copy, const QString& betType);

// Reads the tables horse by horse into `grid`: for horse h, from the second line after the line
// holding `marker`, `rows` table rows of eight cell lines and `linesAfterRow` more each, into
// grid rows (h - 1) * rows + 1 onwards. Stops at the end of the work file; gives how many
// horses' tables were found.
int readHorseTables(TripleTables& tables, GridModel& grid, int horses, int rows, const QString& marker,
                    int linesAfterRow);

// One odds cell: the text between "</th><td>" and "</td>" as the marker cut gives it (upper
// case), "***" for "－". A cut that fails leaves the cell as it was.
void cutOddsCell(GridModel& grid, int row, int col, QStringView line);

} // namespace kazeyomi
