#include "demo/pair_pages.h"

#include <utility>

#include <QString>

#include "demo/pair_staircase.h"
#include "demo/site_frame.h"

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

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

QString tab(const WinPlacePage& race, const QString& kind, const QString& name, const QString& current)
{
    if (kind == current)
        return u"<li class=\"on\">%1</li>\n"_s.arg(name);
    return u"<li><a href=\"/odds/%1.do\">%2</a></li>\n"_s.arg(esc(race.raceCode) + kind, name);
}

// Down to the line before the first table. The exacta scraper counts from the second line
// holding ">馬単<": the tab of this page is the first, the table's heading the second. The
// quinella/wide page's tab reads "馬複・ワイド", so its first ">普通馬複<" and ">ワイド<" are the
// headings of the tables.
QString pageTop(const WinPlacePage& race, const QString& current, const QString& title)
{
    QString html = uR"(<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="UTF-8">
<title>%1 %2R %3オッズ | 南関東4競馬場</title>
<link rel="stylesheet" href="/css/common.css">
<link rel="stylesheet" href="/css/odds.css">
</head>
<body>
)"_s.arg(esc(race.venue), QString::number(race.race), title);
    if (race.siteFrame) {
        html += oddsSiteHeader();
    }
    html += u"<div id=\"contents\">\n<h1 class=\"race-title\">%1 %2R %3</h1>\n<ul class=\"race-nav\">\n"_s.arg(
        esc(race.venue), QString::number(race.race), esc(race.raceName));
    for (int r = 1; r <= 12; ++r)
        html += u"<li><a href=\"/race_info/list.do?race=%1\">%1R</a></li>\n"_s.arg(r);
    html += u"</ul>\n<ul class=\"odds-tab\">\n"_s;
    html += tab(race, u"01"_s, u"単勝・複勝"_s, current) + tab(race, u"03"_s, u"馬単"_s, current) +
            tab(race, u"04"_s, u"馬複・ワイド"_s, current) + tab(race, u"09"_s, u"3連複"_s, current) +
            tab(race, u"08"_s, u"3連単"_s, current) + u"</ul>\n"_s;
    switch (race.kind) {
    case WinPlacePage::Kind::Current:
        html += u"<p class=\"odds-time\">%1現在</p>\n"_s.arg(esc(race.time));
        break;
    case WinPlacePage::Kind::Final:
        html += u"<p class=\"odds-time\">最終オッズ</p>\n"_s;
        break;
    case WinPlacePage::Kind::Cancelled:
        html += u"<p class=\"odds-cancel\">このレースは取り止めとなりました。</p>\n"_s;
        break;
    }
    return html;
}

QString pageBottom(const WinPlacePage& race)
{
    QString html = uR"(<ul class="odds-notes">
<li>オッズは締切までの間、変動することがあります。</li>
<li>出走取消・競走除外の馬を含む組番は「－」で表示します。</li>
<li>発売前の組番のオッズは表示されません。</li>
</ul>
</div>
)"_s;
    if (race.siteFrame)
        html += oddsSiteFooter();
    return html + u"</body>\n</html>\n"_s;
}

// The heading holds the scraper's marker; the table line is the fourth line after it, so
// the heading, the <div>, the <table> and the <thead> take one line each. The header cells
// carry a class: a plain "<th>" there would be split like a slot if it ever moved onto the
// table line.
QString tableBlock(const QString& heading, const QString& tableClass, const QString& body)
{
    QString head;
    for (int c = 1; c <= 8; ++c)
        head += u"<th class=\"nk23_c-table08__head\" colspan=\"2\">%1</th>"_s.arg(c);
    return u"<h2 class=\"odds-title\">%1</h2>\n<div class=\"odds-table\">\n<table class=\"nk23_c-table08 %2\">\n"
           "<thead><tr>%3</tr></thead>\n<tbody>%4</tbody></table>\n</div>\n"_s.arg(heading, tableClass, head, body);
}

// The odds cell of the exacta and the quinella. A favourite's odds sit in a span of the class
// the scrapers strip; "<td></td>" (not shown yet) is split by them onto two lines only where
// it ends a table, after the last cell that is read.
QString oddsCell(const PairCell& cell)
{
    switch (cell.state) {
    case PairCell::State::Odds:
        if (cell.highlight.isEmpty())
            return u"<td>%1</td>"_s.arg(esc(cell.odds));
        return u"<td><span class=\"%1\">%2</span></td>"_s.arg(cell.highlight, esc(cell.odds));
    case PairCell::State::Scratched:
        return u"<td>－</td>"_s;
    case PairCell::State::Blank:
        break;
    }
    return u"<td></td>"_s;
}

// The wide cell shows a range. The scraper cuts the lower bound between "<td>" and "<span>"
// and the upper one after "<span>-", so once the spans' closing tags and wrappers are gone
// the cell must read `2.1<span>-3.4`. The three forms below reach it through different
// removals: the plain spans, a second choice's classed span, a favourite's <div>.
QString wideCell(const PairCell& cell)
{
    if (cell.state != PairCell::State::Odds)
        return oddsCell(cell);
    const QString high = u"<span>-%1</span>"_s.arg(esc(cell.high));
    if (cell.highlight == kFavouriteClass)
        return u"<td><div class=\"%1\"><span>%2</span>%3</div></td>"_s.arg(kFavouriteClass, esc(cell.odds), high);
    if (!cell.highlight.isEmpty())
        return u"<td><span class=\"%1\">%2</span>%3</td>"_s.arg(cell.highlight, esc(cell.odds), high);
    return u"<td><span>%1</span>%2</td>"_s.arg(esc(cell.odds), high);
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
    QString html = pageTop(race, u"03"_s, u"馬単"_s);
    if (race.kind != WinPlacePage::Kind::Cancelled) {
        page.shown = pairOddsFor(race, blank).exacta;
        html += tableBlock(u"馬単"_s, u"odds-umatan"_s, exactaRows(page.shown));
    }
    page.html = (html + pageBottom(race)).toUtf8();
    return page;
}

QuinellaWidePage quinellaWidePage(const WinPlacePage& race, const QList<QPair<int, int>>& blank)
{
    QuinellaWidePage page;
    PairOdds odds = pairOddsFor(race, blank);
    QString html = pageTop(race, u"04"_s, u"馬複・ワイド"_s);
    if (race.kind != WinPlacePage::Kind::Cancelled) {
        page.quinella = std::move(odds.quinella);
        page.wide = std::move(odds.wide);
        html += tableBlock(u"普通馬複"_s, u"odds-umafuku"_s, staircaseRows(page.quinella, false));
        html += tableBlock(u"ワイド"_s, u"odds-wide"_s, staircaseRows(page.wide, true));
    }
    page.html = (html + pageBottom(race)).toUtf8();
    return page;
}

} // namespace kazeyomi
