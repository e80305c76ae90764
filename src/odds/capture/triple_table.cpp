#include "odds/capture/triple_table.h"

#include <array>

#include "foundation/context.h"
#include "foundation/form_state.h"
#include "scraping/attempt.h"
#include "scraping/cells.h"
#include "scraping/text_helpers.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const QString kTableStart = u"<p>"_s;
const QString kTableEnd = u"</tbody></table>"_s;

} // namespace

QString splitAtCells(const QString& line, bool rowBreaks)
{
    // The page cache doubles the quotation marks of the markup.
    static const std::array<Replacement, 6> cells = {{
        {u"<th>"_s, u"<th>\r\n"_s},
        {u"<span class=\"\"nk23_u-color\"\">"_s, QString()},
        {u"<span class=\"\"nk23_u-color33\"\">"_s, QString()},
        {u"</span>"_s, QString()},
        {u"<th>"_s, QString()},
        {u"nk23_u-bg-color0"_s, u"\r\n"_s},
    }};
    QString split;
    // Without a span the removals have nothing to do and each "<th>" just becomes a line break.
    if (line.contains(u"span"_s)) {
        split = replaceInOrder(line, cells);
    } else {
        split = line;
        split.replace(u"<th>"_s, u"\r\n"_s).replace(u"nk23_u-bg-color0"_s, u"\r\n"_s);
    }
    if (rowBreaks)
        split.replace(u"</tr> \r\n<tr>"_s, u"</tr> \r\n\r\n<tr>"_s);
    return split;
}

OddsScrape TripleTables::notReady() const
{
    return {problem.isEmpty() ? ScrapeResult::NoData : ScrapeResult::Parsed, fetch, problem};
}

TripleTables copyTables(Context& ctx, CachedPage& page, const TableLineCopy& copy, const QString& betType)
{
    TripleTables tables;
    tables.fetch = page.fetch;
    if (!page.ready())
        return tables;
    PageReader& reader = page.reader;
    WorkFile work(ctx.fetcher);
    QString line;
    bool afterTable = false;
    while (!reader.atEnd()) {
        // A table's last line is passed over even when it also holds "<p>".
        while (afterTable || !line.contains(kTableStart)) {
            afterTable = false;
            if (!reader.readLine(line))
                break;
        }
        if (!line.contains(kTableStart))
            break;
        while (!line.contains(kTableEnd)) {
            copy(work, line);
            if (!reader.readLine(line))
                break;
        }
        afterTable = true;
    }
    // Tables of another field put odds under other triples' labels.
    tables.problem = horseCountMismatch(betType, horsesShown(work.text()), ctx.form.race.runnerCount);
    if (!tables.problem.isEmpty())
        return tables;
    if (const Outcome written = work.write(); !written.ok()) {
        tables.problem = written.error;
        return tables;
    }
    tables.ready = true;
    tables.rows = work.readBack();
    tables.lastPageLine = line;
    return tables;
}

int readHorseTables(TripleTables& tables, GridModel& grid, int horses, int rows, const QString& marker,
                    int linesAfterRow)
{
    constexpr int kPageColumns = 8;
    PageReader& reader = tables.rows;
    QString line = tables.lastPageLine;
    int found = 0;
    for (int h = 1; h <= horses; ++h) {
        if (!reader.readUntil(line, marker))
            break;
        ++found;
        (void)reader.skip(line, 2);
        for (int k = 1; k <= rows; ++k) {
            for (int c = 1; c <= kPageColumns; ++c) {
                cutOddsCell(grid, (h - 1) * rows + k, c, line);
                readAfterCell(reader, line);
            }
            (void)reader.skip(line, linesAfterRow);
        }
    }
    return found;
}

void cutOddsCell(GridModel& grid, int row, int col, const QString& line)
{
    static const QString kStart = u"</TH><TD>"_s;
    static const QString kEnd = u"</TD>"_s;
    static const QString kScratched = u"－"_s;
    static const QString kStars = u"***"_s;
    QString text;
    // The line in hand is replaced by the next read, so it is cut without upper-casing it first
    // (readAfterCell does that where the read keeps it). A cut that fails leaves the cell as it
    // was, and that is looked at all the same.
    if (!attempt([&] { text = cutUpperCased(line, kStart, kEnd); }))
        text = cellOrEmpty(grid, row, col);
    setCell(grid, row, col, text == kScratched ? kStars : text);
}

void readAfterCell(PageReader& rows, QString& line)
{
    if (!rows.readLine(line))
        line = upperAscii(line);
}

} // namespace kazeyomi
