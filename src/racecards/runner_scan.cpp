#include "racecards/runner_scan.h"

#include "foundation/grid_model.h"
#include "foundation/text_fields.h"
#include "racecards/waku.h"
#include "scraping/page_reader.h"
#include "scraping/text_helpers.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const QString kRunnerMarker = u"HorseMarkInfo"_s;
const QString kSpan = u"<SPAN>"_s;
const QString kSpanEnd = u"</SPAN>"_s;
const QString kNoWrapCell = u"<TD noWrap>"_s;
const QString kDataCell = u"<TD class=dbdata noWrap>"_s;
const QString kCellEnd = u"</TD>"_s;
const QString kBreak = u"<BR>"_s;
const QString kTitleRow = u"<TD noWrap colSpan=2>"_s;
constexpr int kRecordTail = 18; // the record is cut from the line's last 18 characters
constexpr int kBracketRows = 16;

} // namespace

QString textBetween(const QString& line, const QString& a, const QString& b)
{
    const qsizetype p = line.indexOf(a);
    const qsizetype q = line.indexOf(b);
    if (p < 0 || q < 0 || q - p - a.size() < 0)
        return {};
    return line.mid(p + a.size(), q - p - a.size());
}

int scanRunners(PageReader& page, GridModel& grid)
{
    int i = 1;
    QString line;
    while (page.readLine(line)) {
        if (!line.contains(kRunnerMarker))
            continue;
        QString cells[10];
        cells[1] = QString::number(i);
        cells[2] = textBetween(line, kSpan, kSpanEnd);
        // A block cut short by the end of the page keeps the cells it reached.
        if (page.skip(line, 7)) {
            cells[3] = textBetween(line, kNoWrapCell, kCellEnd);
            if (page.readLine(line)) {
                cells[4] = textBetween(line, kNoWrapCell, kCellEnd);
                if (page.readLine(line)) {
                    cells[5] = textBetween(line, kSpan, kSpanEnd);
                    if (page.readLine(line)) {
                        cells[6] = textBetween(line, kDataCell, kBreak);
                        cells[7] = textBetween(line, kSpan, kSpanEnd);
                        cells[8] = textBetween(line.right(kRecordTail), kBreak, kCellEnd);
                        if (page.readLine(line))
                            cells[9] = textBetween(line, kDataCell, kBreak);
                    }
                }
            }
        }
        if (i < grid.rows())
            for (int c = 1; c <= 9; ++c)
                grid.setTextMatrix(i, c, cells[c]);
        ++i;
    }
    return i - 1;
}

void writeBrackets(GridModel& grid, int runners)
{
    for (int r = 1; r <= kBracketRows && r < grid.rows(); ++r)
        if (!trimSpaces(grid.textMatrix(r, 1)).isEmpty())
            grid.setTextMatrix(r, 0, QString::number(Waku_get(qint16(runners), qint16(r))));
}

std::optional<QString> raceTitle(PageReader& page)
{
    QString line;
    while (page.readLine(line)) {
        if (!line.contains(kTitleRow))
            continue;
        QString x, y;
        attempt([&] { x = Moji_get(line, u"<B><FONT size=+1>"_s, u"</FONT></B>"_s); });
        attempt([&] { y = Moji_get(line, u"</FONT></B>"_s, u"</TD></TR>"_s); });
        return x + y;
    }
    return std::nullopt;
}

} // namespace kazeyomi
