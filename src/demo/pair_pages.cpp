#include "demo/pair_pages.h"

#include <utility>

#include <QString>

#include "demo/odds_page_parts.h"
#include "demo/pair_staircase.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// The scrapers split a table line at every plain "<th>" and drop the "</td>" in front of it,
// so that each pair cell ends up on a line of its own such as `12</th><td>34.5`; a row ends
// with "</td></tr><tr><th>", which leaves an empty line, the one read after a row's eight cells.
// Hence: no blanks between tags, no attributes on <tr> or on the <th> that opens a slot, and a
// table that opens with the first slot's <th>. The odds go in <td>s with nothing but the value
// (or "－", or nothing when not shown yet), at most wrapped in the spans the scrapers remove.
const QString kGrey = u"nk23_u-bg-color0"_s;

// The heading holds the scraper's marker; the table line is the fourth line after it, so
// the heading, the <div>, the <table> and the <thead> take one line each.
QString tableBlock(const QString& heading, const QString& tableClass, const QString& body)
{
    QString head;
    for (int c = 1; c <= 8; ++c)
        head += oddsHeadCell(QString::number(c));
    return u"<h2 class=\"odds-title\">%1</h2>\n<div class=\"odds-table\">\n<table class=\"nk23_c-table08 %2\">\n"
           "<thead><tr>%3</tr></thead>\n<tbody>%4</tbody></table>\n</div>\n"_s.arg(heading, tableClass, head, body);
}

// The wide cell shows a range. The scraper cuts the lower bound between "<td>" and "<span>"
// and the upper one after "<span>-", so once the spans' closing tags and wrappers are gone
// the cell must read `2.1<span>-3.4`. The three forms below reach it through different
// removals: the plain spans, a second choice's classed span, a favourite's <div>.
QString wideCell(const PairCell& cell)
{
    if (cell.state != PairCell::State::Odds)
        return oddsCell(cell);
    const QString high = u"<span>-%1</span>"_s.arg(cell.high.toHtmlEscaped());
    if (cell.highlight == kFavouriteClass)
        return u"<td><div class=\"%1\"><span>%2</span>%3</div></td>"_s.arg(kFavouriteClass, cell.odds.toHtmlEscaped(),
                                                                           high);
    if (!cell.highlight.isEmpty())
        return u"<td><span class=\"%1\">%2</span>%3</td>"_s.arg(cell.highlight, cell.odds.toHtmlEscaped(), high);
    return u"<td><span>%1</span>%2</td>"_s.arg(cell.odds.toHtmlEscaped(), high);
}

// The grey cell of a horse with itself and of a column with no horse: an empty <th> keeps
// it on a line of its own, and the grey class on that line tells the scraper to skip it.
QString greySlot(const QString& number)
{
    return u"<th>%1</th><td class=\"%2\"></td>"_s.arg(number, kGrey);
}

// Column c stands for the horse placed first, each row for the horse placed second, so the
// pair lines read `<second></th><td><odds>`. Eight columns always, as eight lines are read a
// row; with more than 8 runners a second block of N rows follows in the same table for the
// first horses 9 to 16. It cannot be a table of its own: a table that ended after a row's last
// cell would leave one line less after that row when the cell shows odds than when it is
// blank ("<td></td>" gets a line break of its own), and the rows below would slip by a line.
// Continuing the rows keeps every row ending in "</td></tr><tr><th>", one empty line each.
QString exactaRows(const PairBoard& board)
{
    const int n = board.runners();
    QString rows;
    for (int block = 0; block < (n > 8 ? 2 : 1); ++block) {
        for (int second = 1; second <= n; ++second) {
            rows += u"<tr>"_s;
            for (int c = 1; c <= 8; ++c) {
                const int first = c + 8 * block;
                if (first > n)
                    rows += greySlot({});
                else if (first == second)
                    rows += greySlot(QString::number(second));
                else
                    rows += u"<th>%1</th>"_s.arg(second) + oddsCell(board.at(first, second));
            }
            rows += u"</tr>"_s;
        }
    }
    return rows;
}

// A head is a grey cell over two columns. After a cell's "</td>" the scraper turns its start
// tag into a line break, so the head makes a line of its own with no "<td>" in it: an empty
// cell, the first one of its column, under which the lower part is looked for.
QString staircaseRows(const PairBoard& board, bool wide)
{
    QString rows;
    for (const StaircaseRow& row : staircase(board.runners())) {
        rows += u"<tr>"_s;
        for (const StaircaseSlot& slot : row) {
            switch (slot.kind) {
            case StaircaseSlot::Kind::Pair: {
                const PairCell& cell = board.at(slot.first, slot.second);
                rows += u"<th>%1</th>"_s.arg(slot.second) + (wide ? wideCell(cell) : oddsCell(cell));
                break;
            }
            case StaircaseSlot::Kind::Head:
                rows += u"<th class=\"%1\" colspan=\"2\">%2</th>"_s.arg(kGrey).arg(slot.first);
                break;
            case StaircaseSlot::Kind::Empty:
                rows += greySlot({});
                break;
            }
        }
        rows += u"</tr>"_s;
    }
    return rows;
}

} // namespace

ExactaPage exactaPage(const WinPlacePage& race, const QList<QPair<int, int>>& blank)
{
    ExactaPage page;
    QString html = oddsPageTop(race, u"03"_s, u"馬単"_s);
    if (race.kind != WinPlacePage::Kind::Cancelled) {
        page.shown = pairOddsFor(race, blank).exacta;
        html += tableBlock(u"馬単"_s, u"odds-umatan"_s, exactaRows(page.shown));
    }
    page.html = (html + oddsPageBottom(race)).toUtf8();
    return page;
}

QuinellaWidePage quinellaWidePage(const WinPlacePage& race, const QList<QPair<int, int>>& blank)
{
    QuinellaWidePage page;
    PairOdds odds = pairOddsFor(race, blank);
    QString html = oddsPageTop(race, u"04"_s, u"馬複・ワイド"_s);
    if (race.kind != WinPlacePage::Kind::Cancelled) {
        page.quinella = std::move(odds.quinella);
        page.wide = std::move(odds.wide);
        html += tableBlock(u"普通馬複"_s, u"odds-umafuku"_s, staircaseRows(page.quinella, false));
        html += tableBlock(u"ワイド"_s, u"odds-wide"_s, staircaseRows(page.wide, true));
    }
    page.html = (html + oddsPageBottom(race)).toUtf8();
    return page;
}

} // namespace kazeyomi
