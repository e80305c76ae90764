#include "demo/odds_pages.h"

#include <algorithm>
#include <array>

#include <QStringList>

#include "demo/site_frame.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// The scraper reads one line more above the horses for any venue but these four.
bool isSouthernKanto(const QString& venue)
{
    return venue == u"浦和"_s || venue == u"船橋"_s || venue == u"大井"_s || venue == u"川崎"_s;
}

// Eight frames: up to 8 runners one each; with 9 to 15 the last frames take two; 16 give two each.
int frameOf(int runners, int horse)
{
    if (runners <= 8)
        return horse;
    if (runners >= 16)
        return std::min((horse + 1) / 2, 8);
    const int single = 8 - runners % 8;
    return horse <= single ? horse : (horse + 1 + single) / 2;
}

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

// Above the odds: site header, venues, races, bet type tabs. None of it may hold the words
// the scraper scans for ("現在", "最終オッズ", "取り止め") or a place column header.
QString siteHeader(const WinPlacePage& page)
{
    QString races;
    for (int race = 1; race <= 12; ++race)
        races += u"<li><a href=\"/race_info/list.do?race=%1\">%1R</a></li>\n"_s.arg(race);
    QString tabs;
    for (const auto& [kind, name] :
         {std::pair{u"03"_s, u"馬単"_s}, {u"04"_s, u"馬複・ワイド"_s}, {u"09"_s, u"3連複"_s}, {u"08"_s, u"3連単"_s}})
        tabs += u"<li><a href=\"/odds/%1.do\">%2</a></li>\n"_s.arg(esc(page.raceCode) + kind, name);
    return oddsSiteHeader() + uR"(<div id="contents">
<h1 class="race-title">%1 %2R %3</h1>
<ul class="race-nav">
%4</ul>
<ul class="odds-tab">
<li class="on">単勝・複勝</li>
%5</ul>
)"_s.arg(esc(page.venue), QString::number(page.race), esc(page.raceName), races, tabs);
}

// Below the odds: notes and footer; with the header they take any real page well past the
// scraper's 1800-byte limit, a cancelled race's page included.
const QString kSiteFooter = uR"(<ul class="odds-notes">
<li>オッズは締切までの間、変動することがあります。</li>
<li>出走取消・競走除外の馬の馬券は返還されます。</li>
<li>払戻金の確定は必ず公式の発表でご確認ください。</li>
</ul>
</div>
)"_s + oddsSiteFooter();

// The scraper finds "<th>複勝</th>" and skips five lines to the first horse's <tr>. The
// <tbody> is written out, else the parser would add one on the <table> line.
const QString kTableHead = uR"(<div class="odds-table">
<table class="odds-tanfuku">
<tbody>
<tr>
<th>枠番</th>
<th>馬番</th>
<th>馬名</th>
<th>単勝</th>
<th>複勝</th>
</tr>
<tr class="odds-note">
<td colspan="5">オッズの単位は倍です。複勝は下限と上限を表示しています。</td>
</tr>
)"_s;

// The scraper stops at the "</div>" three lines after the last horse's </tr>.
const QString kTableEnd = uR"(</tbody>
</table>
</div>
)"_s;

// Each odds value ends its line: the site closes the cell on the next line, and the
// scraper takes the rest of the line after the cell's start tag.
QString oddsCell(const QString& cellClass, const QString& value, const QString& highlight)
{
    const QString shown =
        highlight.isEmpty() ? esc(value) : u"<span class=\"%1\">%2</span>"_s.arg(esc(highlight), esc(value));
    return u"<td class=\"%1\">%2\n</td>\n"_s.arg(cellClass, shown);
}

// Nine lines a horse, ten on a frame's first horse; the scraper's skips count them.
QString runnerRows(const WinPlaceRunner& runner, int frame, int frameSize, bool firstOfFrame)
{
    const bool running = runner.state == WinPlaceRunner::State::Running;
    QString out = running ? u"<tr>\n"_s : u"<tr class=\"torikeshi\">\n"_s;
    // With a rowspan even for a frame of one: the scraper skips the frame cell by it.
    if (firstOfFrame)
        out += u"<td class=\"waku%1\" rowspan=\"%2\">%1</td>\n"_s.arg(frame).arg(frameSize);
    out += u"<td>%1</td>\n<td class=\"horse-name\">%2</td>\n"_s.arg(QString::number(runner.number), esc(runner.horse));

    if (runner.state == WinPlaceRunner::State::Scratched)
        out += oddsCell(u"odds-tan"_s, u"出走取消"_s, {});
    else if (runner.state == WinPlaceRunner::State::Excluded)
        out += oddsCell(u"odds-tan"_s, u"競走除外"_s, {});
    else
        out += oddsCell(u"odds-tan"_s, runner.win, runner.highlight);

    // A horse that is out has an empty place cell.
    if (!running)
        out += oddsCell(u"odds-fuku"_s, {}, {});
    else if (!runner.placeShown)
        out += oddsCell(u"odds-fuku"_s, u"－"_s, {});
    else
        out += oddsCell(u"odds-fuku"_s, runner.placeLow + u"-"_s + runner.placeHigh, runner.highlight);
    return out + u"</tr>\n"_s;
}

QString oddsTable(const WinPlacePage& page)
{
    QString out = kTableHead;
    // Races of other regions sold on the site carry a line naming the host above the horses.
    if (!isSouthernKanto(page.venue))
        out += u"<tr class=\"odds-guest\"><td colspan=\"5\">%1競馬の場外発売です</td></tr>\n"_s.arg(esc(page.venue));

    const int count = int(page.runners.size());
    int previousFrame = 0;
    for (const WinPlaceRunner& runner : page.runners) {
        const int frame = frameOf(count, runner.number);
        const auto inFrame = [&](const WinPlaceRunner& other) { return frameOf(count, other.number) == frame; };
        const auto frameSize = std::count_if(page.runners.begin(), page.runners.end(), inFrame);
        out += runnerRows(runner, frame, int(frameSize), frame != previousFrame);
        previousFrame = frame;
    }
    return out + kTableEnd;
}

struct SampleOdds {
    const char16_t* horse;
    const char16_t* win;
    const char16_t* low;
    const char16_t* high;
};

constexpr std::array<SampleOdds, 16> kSamples = {{
    {u"カゼノヨミ", u"3.4", u"1.3", u"1.8"},
    {u"ミナミノホシ", u"12.6", u"2.8", u"4.5"},
    {u"オオイサンダー", u"1.8", u"1.1", u"1.4"},
    {u"フナバシクイーン", u"45.2", u"8.0", u"13.9"},
    {u"カワサキボーイ", u"7.9", u"1.9", u"3.1"},
    {u"ウラワノカゼ", u"102.5", u"15.2", u"27.6"},
    {u"トゥインクルスター", u"4.6", u"1.4", u"2.2"},
    {u"ナイトパレード", u"23.0", u"4.6", u"7.8"},
    {u"ハマノシオカゼ", u"9.6", u"2.2", u"3.6"},
    {u"ゲンキナヒカリ", u"68.3", u"11.0", u"19.5"},
    {u"サクラノミチ", u"15.8", u"3.3", u"5.4"},
    {u"アオゾラキッド", u"2.9", u"1.2", u"1.6"},
    {u"ヨイヤミバード", u"31.7", u"6.1", u"10.2"},
    {u"シンカイドリーム", u"88.1", u"13.4", u"24.0"},
    {u"テツノハヤテ", u"19.4", u"3.9", u"6.6"},
    {u"ハルカゼマーチ", u"6.5", u"1.7", u"2.7"},
}};

} // namespace

QByteArray winPlacePage(const WinPlacePage& page)
{
    QString html = uR"(<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="UTF-8">
<title>%1 %2R 単勝・複勝オッズ | 南関東4競馬場</title>
<link rel="stylesheet" href="/css/common.css">
<link rel="stylesheet" href="/css/odds.css">
</head>
<body>
)"_s.arg(esc(page.venue), QString::number(page.race));
    if (page.siteFrame)
        html += siteHeader(page);

    // The first line the scraper looks for tells current, final and cancelled apart; the
    // time of current odds is cut between the tag's ">" and "現在".
    switch (page.kind) {
    case WinPlacePage::Kind::Current:
        html += u"<p class=\"odds-time\">%1現在</p>\n"_s.arg(esc(page.time)) + oddsTable(page);
        break;
    case WinPlacePage::Kind::Final:
        html += u"<p class=\"odds-time\">最終オッズ</p>\n"_s + oddsTable(page);
        break;
    case WinPlacePage::Kind::Cancelled:
        html += u"<p class=\"odds-cancel\">このレースは取り止めとなりました。</p>\n"_s;
        break;
    }

    if (page.siteFrame)
        html += kSiteFooter;
    return (html + u"</body>\n</html>\n"_s).toUtf8();
}

QList<WinPlaceRunner> sampleRunners(int count)
{
    QList<WinPlaceRunner> runners;
    for (int i = 0; i < std::min(count, int(kSamples.size())); ++i) {
        const SampleOdds& s = kSamples[size_t(i)];
        WinPlaceRunner runner;
        runner.number = i + 1;
        runner.horse = QString::fromUtf16(s.horse);
        runner.win = QString::fromUtf16(s.win);
        runner.placeLow = QString::fromUtf16(s.low);
        runner.placeHigh = QString::fromUtf16(s.high);
        if (runner.win.toDouble() < 5.0)
            runner.highlight = u"color33"_s;
        runners << runner;
    }
    return runners;
}

} // namespace kazeyomi
