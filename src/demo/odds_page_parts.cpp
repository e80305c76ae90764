#include "demo/odds_page_parts.h"

#include "demo/site_frame.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

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

} // namespace

// The exacta scraper counts from the second line holding ">馬単<": the tab of this page is the
// first, the table's heading the second. The quinella/wide page's tab reads "馬複・ワイド", so
// its first ">普通馬複<" and ">ワイド<" are the headings of the tables. The triple scrapers
// count plain "<p>" lines, so every paragraph up here carries a class.
QString oddsPageTop(const WinPlacePage& race, const QString& current, const QString& title)
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

QString oddsPageBottom(const WinPlacePage& race)
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

// The head cells carry a class: the scrapers split table lines at every plain "<th>", and a
// head must never be taken for a slot.
QString oddsHeadCell(const QString& label)
{
    return u"<th class=\"nk23_c-table08__head\" colspan=\"2\">%1</th>"_s.arg(esc(label));
}

// A favourite's odds sit in a span of the class the scrapers strip. "<td></td>" (not shown
// yet) is split by the pair scrapers onto two lines only where it ends a table, after the
// last cell that is read.
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

} // namespace kazeyomi
