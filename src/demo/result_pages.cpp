#include "demo/result_pages.h"

#include <algorithm>

#include <QStringList>

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr int kMaxRunners = 16;

// The result capture counts lines, not tags, so every tag, cell and header stands on its
// own line and nothing is indented; a line moved is a cell lost.
class Lines {
public:
    void add(const QString& line) { m_lines << line; }
    void cell(const QString& text) { add(u"<td>"_s + text.toHtmlEscaped() + u"</td>"_s); }
    void cell(const QString& cls, const QString& text)
    {
        add(u"<td class=\"%1\">"_s.arg(cls) + text.toHtmlEscaped() + u"</td>"_s);
    }
    void link(const QString& href, const QString& text)
    {
        add(u"<td><a href=\"%1\">"_s.arg(href) + text.toHtmlEscaped() + u"</a></td>"_s);
    }
    void header(const QString& text) { add(u"<th>"_s + text + u"</th>"_s); }
    QByteArray utf8() const { return m_lines.join(u'\n').toUtf8() + '\n'; }

private:
    QStringList m_lines;
};

// Ids for the links: the capture only needs each link to end in ".do".
QString horseHref(const Finisher& f)
{
    return u"/uma_info/20211%1.do"_s.arg(f.number.rightJustified(5, u'0'));
}
QString jockeyHref(const Finisher& f)
{
    return u"/kisyu/30%1.do"_s.arg(f.number.rightJustified(3, u'0'));
}
QString trainerHref(const Finisher& f)
{
    return u"/cyokyosi/01%1.do"_s.arg(f.number.rightJustified(3, u'0'));
}

// Header H ends in "人気"; the first horse's position cell is H+5, after </tr>, </thead>,
// <tbody> and <tr>.
void finishingTable(Lines& out, const ResultPage& page)
{
    out.add(u"<table class=\"result\">"_s);
    out.add(u"<thead>"_s);
    out.add(u"<tr>"_s);
    for (const auto& h : {u"着"_s, u"枠"_s, u"馬番"_s, u"馬名"_s, u"性齢"_s, u"負担"_s, u"馬体重"_s, u"増減"_s,
                          u"騎手"_s, u"調教師"_s, u"タイム"_s, u"着差"_s, u"上がり3F"_s, u"コーナー通過順"_s})
        out.header(h);
    out.header(u"人気"_s);
    out.add(u"</tr>"_s);
    out.add(u"</thead>"_s);
    out.add(u"<tbody>"_s);
    // Seventeen lines a horse: <tr>, fifteen cells, </tr>. After the last horse the capture
    // lands on </table>, which has no cell, so a short list reads as an incomplete result.
    for (const Finisher& f : page.finishers) {
        out.add(u"<tr>"_s);
        out.cell(u"rank"_s, f.position); // cut from the first ">" on: the cell may carry a class
        out.add(u"<td class=\"waku%1\"><strong>%2</strong></td>"_s.arg(f.frame, f.frame.toHtmlEscaped()));
        out.cell(f.number);
        out.link(horseHref(f), f.name);
        out.cell(f.sexAge);
        out.cell(f.weight);
        out.cell(f.bodyWeight);
        out.cell(f.change);
        out.link(jockeyHref(f), f.jockey);
        out.link(trainerHref(f), f.trainer);
        out.cell(f.time);
        out.cell(f.margin);
        out.cell(f.last3f);
        out.cell(f.corners); // not captured
        out.cell(f.popularity);
        out.add(u"</tr>"_s);
    }
    out.add(u"</tbody>"_s);
    out.add(u"</table>"_s);
}

void payoutCells(Lines& out, const Payout& p)
{
    out.cell(p.combination);
    out.cell(u"money"_s, p.yen); // cut from the first ">" on, like the position cell
    out.cell(p.popularity);
}

// Header row of bet types (">単勝<" is the first), then a row of combination, payout and
// popularity headers per bet type: the second table is found by its three "人気" headers.
void payoutHead(Lines& out, const QStringList& betTypes)
{
    out.add(u"<thead>"_s);
    out.add(u"<tr>"_s);
    for (const QString& bet : betTypes)
        out.add(u"<th colspan=\"3\">"_s + bet + u"</th>"_s);
    out.add(u"</tr>"_s);
    out.add(u"<tr>"_s);
    for (qsizetype i = 0; i < betTypes.size(); ++i) {
        out.header(u"組番"_s);
        out.header(u"払戻金"_s);
        out.header(u"人気"_s);
    }
    out.add(u"</tr>"_s);
}

// Three rows of six bet types, 20 lines a row: from <tbody> (T) the payouts of the first row
// are T+3, T+6, T+9, T+12, (T+15 quinella, not captured) and T+18; the second and third place
// payouts are T+26 and T+46.
void firstPayoutTable(Lines& out, const ResultPage& page)
{
    out.add(u"<table class=\"payout\">"_s);
    payoutHead(out, {u"単勝"_s, u"複勝"_s, u"枠複"_s, u"枠単"_s, u"馬複"_s, u"馬単"_s});
    out.add(u"</thead>"_s);
    out.add(u"<tbody>"_s);
    for (int row = 0; row < 3; ++row) {
        const Payout none;
        const bool first = row == 0;
        out.add(u"<tr>"_s);
        payoutCells(out, first ? page.win : none);
        payoutCells(out, page.place[size_t(row)]);
        payoutCells(out, first ? page.bracketQuinella : none);
        payoutCells(out, first ? page.bracketExacta : none);
        payoutCells(out, first ? page.quinella : none);
        payoutCells(out, first ? page.exacta : none);
        out.add(u"</tr>"_s);
    }
    out.add(u"</tbody>"_s);
    out.add(u"</table>"_s);
}

// Three rows of three bet types, 11 lines a row: two lines after the third "人気" header
// comes </thead> (or the refund line, one line earlier than everything below it); then the
// payouts are 4, 7 and 10 lines further, and the second and third wide payouts 15 and 26.
void secondPayoutTable(Lines& out, const ResultPage& page)
{
    out.add(u"<table class=\"payout\">"_s);
    payoutHead(out, {u"ワイド"_s, u"三連複"_s, u"三連単"_s});
    if (!page.refund.isEmpty())
        out.add(u"<tr class=\"refund\"><td colspan=\"9\">返還　"_s + page.refund.toHtmlEscaped() + u"</td></tr>"_s);
    out.add(u"</thead>"_s);
    out.add(u"<tbody>"_s);
    for (int row = 0; row < 3; ++row) {
        const Payout none;
        const bool first = row == 0;
        out.add(u"<tr>"_s);
        payoutCells(out, page.wide[size_t(row)]);
        payoutCells(out, first ? page.trio : none);
        payoutCells(out, first ? page.trifecta : none);
        out.add(u"</tr>"_s);
    }
    out.add(u"</tbody>"_s);
    out.add(u"</table>"_s);
}

// Frame of a horse: one horse a frame up to 8 runners, then the last frames take two.
int frameOf(int number, int runners)
{
    const int singles = std::max(0, 16 - std::max(runners, 8));
    if (number <= singles || runners <= 8)
        return number;
    return singles + (number - singles + 1) / 2;
}

const QString kNames[kMaxRunners] = {
    u"サクラBlossom"_s, u"キタノカゼ"_s,   u"ミッドナイトStarlight"_s,
    u"Oi Thunder"_s,    u"ハヤテマル"_s,   u"コスモvega"_s,
    u"ギンガ"_s,        u"ルナRoad"_s,     u"トウケイHero"_s,
    u"アオゾラ"_s,      u"ナンカンKing"_s, u"ヒカリ"_s,
    u"ユメノツバサ"_s,  u"Silver Arrow"_s, u"カゼヨミ"_s,
    u"ホシノsora"_s,
};
const QString kJockeys[4] = {u"矢野a.太郎"_s, u"森川Jr"_s, u"佐藤一"_s, u"本田k"_s};
const QString kTrainers[4] = {u"高橋正"_s, u"田中Ken"_s, u"小林誠"_s, u"渡辺t"_s};
const QString kMargins[6] = {u"クビ"_s, u"1/2"_s, u"ハナ"_s, u"1"_s, u"3"_s, u"大差"_s};

Finisher runner(int number, int runners)
{
    Finisher f;
    f.frame = QString::number(frameOf(number, runners));
    f.number = QString::number(number);
    f.name = kNames[number - 1];
    f.sexAge = (number % 3 == 0 ? u"牝"_s : u"牡"_s) + QString::number(3 + number % 4);
    f.weight = number % 2 ? u"56.0"_s : u"54.0"_s;
    f.bodyWeight = QString::number(440 + number * 4);
    f.change = number % 3 == 0 ? u"0"_s : (number % 2 ? u"+"_s : u"-"_s) + QString::number(number % 5 + 1);
    f.jockey = kJockeys[number % 4];
    f.trainer = kTrainers[(number / 2) % 4];
    return f;
}

// Finishing order: a fixed shuffle of the horse numbers, so order and number differ.
QList<int> finishingOrder(int runners)
{
    QList<int> order;
    for (int n = 1; n <= runners; ++n)
        order << n;
    std::sort(order.begin(), order.end(), [](int a, int b) { return a * 7 % 17 < b * 7 % 17; });
    return order;
}

QString pair(int a, int b, bool ordered)
{
    if (!ordered && a > b)
        std::swap(a, b);
    return u"%1-%2"_s.arg(a).arg(b);
}

// `starters`: the horses that ran, which decides how many place payouts there are.
void fillPayouts(ResultPage& page, const QList<Finisher>& placed, int starters)
{
    page.payouts = true;
    page.place = {};
    const auto number = [&](int i) { return placed[i].number.toInt(); };
    const auto frame = [&](int i) { return placed[i].frame.toInt(); };
    page.win = {placed[0].number, u"350"_s, u"2"_s};
    // No place betting with four runners or fewer; two place payouts up to seven.
    if (starters <= 4) {
        page.place[0] = {QString(), u"-"_s, QString()};
    } else {
        page.place[0] = {placed[0].number, u"150"_s, u"2"_s};
        page.place[1] = {placed[1].number, u"230"_s, u"4"_s};
        if (starters > 7)
            page.place[2] = {placed[2].number, u"1,480"_s, u"9"_s};
    }
    page.bracketQuinella = {pair(frame(0), frame(1), false), u"1,020"_s, u"5"_s};
    page.bracketExacta = {pair(frame(0), frame(1), true), u"1,870"_s, u"7"_s};
    page.quinella = {pair(number(0), number(1), false), u"1,340"_s, u"6"_s};
    page.exacta = {pair(number(0), number(1), true), u"2,560"_s, u"9"_s};
    page.wide[0] = {pair(number(0), number(1), false), u"460"_s, u"5"_s};
    page.wide[1] = {pair(number(0), number(2), false), u"890"_s, u"11"_s};
    page.wide[2] = {pair(number(1), number(2), false), u"1,230"_s, u"15"_s};
    QList<int> trio = {number(0), number(1), number(2)};
    std::sort(trio.begin(), trio.end());
    page.trio = {u"%1-%2-%3"_s.arg(trio[0]).arg(trio[1]).arg(trio[2]), u"4,520"_s, u"14"_s};
    page.trifecta = {u"%1-%2-%3"_s.arg(number(0)).arg(number(1)).arg(number(2)), u"121,350"_s, u"87"_s};
}

} // namespace

QString resultPagePath(const QString& raceCode)
{
    return u"/result/"_s + raceCode + u".do"_s;
}

QByteArray resultPage(const ResultPage& page)
{
    const QString title = u"%1 %2R"_s.arg(page.venue).arg(page.race);
    Lines out;
    out.add(u"<!DOCTYPE html>"_s);
    out.add(u"<html lang=\"ja\">"_s);
    out.add(u"<head>"_s);
    out.add(u"<meta charset=\"UTF-8\">"_s);
    out.add(u"<title>"_s + title.toHtmlEscaped() + u" 成績 | 南関東4競馬場</title>"_s);
    out.add(u"</head>"_s);
    out.add(u"<body>"_s);
    out.add(u"<header id=\"site-header\">"_s);
    out.add(u"<p class=\"logo\"><a href=\"/index.do\">南関東4競馬場 公式ウェブサイト</a></p>"_s);
    out.add(u"<ul class=\"global-nav\">"_s);
    for (const auto& item : {u"レース情報"_s, u"オッズ"_s, u"レース結果"_s, u"出走表"_s, u"競走馬情報"_s})
        out.add(u"<li><a href=\"/menu.do\">"_s + item + u"</a></li>"_s);
    out.add(u"</ul>"_s);
    out.add(u"</header>"_s);
    out.add(u"<main id=\"contents\">"_s);
    out.add(u"<h1>"_s + title.toHtmlEscaped() + u" レース結果</h1>"_s);
    out.add(u"<p class=\"race-name\">"_s + page.raceName.toHtmlEscaped() + u"</p>"_s);
    if (page.finishers.isEmpty())
        out.add(u"<p class=\"notice\">このレースの結果はまだ確定していません。</p>"_s);
    finishingTable(out, page);
    if (page.payouts) {
        out.add(u"<h2>払戻金</h2>"_s);
        firstPayoutTable(out, page);
        secondPayoutTable(out, page);
    }
    out.add(u"</main>"_s);
    out.add(u"<footer>"_s);
    out.add(u"<p class=\"copyright\">Copyright 南関東地方競馬. All rights reserved.</p>"_s);
    out.add(u"</footer>"_s);
    out.add(u"</body>"_s);
    out.add(u"</html>"_s);
    return out.utf8();
}

ResultPage resultBeforeRace(const QString& venue, int race)
{
    ResultPage page;
    page.venue = venue;
    page.race = race;
    page.raceName = u"カゼヨミ特別"_s;
    return page;
}

ResultPage resultAfterRace(const QString& venue, int race, int runners)
{
    ResultPage page = resultBeforeRace(venue, race);
    runners = std::clamp(runners, 3, kMaxRunners);
    const QList<int> order = finishingOrder(runners);
    for (int i = 0; i < runners; ++i) {
        Finisher f = runner(order[i], runners);
        f.position = QString::number(i + 1);
        f.time = u"1:%1.%2"_s.arg(25 + i / 5).arg(3 + i % 5 * 2);
        f.margin = i == 0 ? QString() : kMargins[(i - 1) % 6];
        f.last3f = u"%1.%2"_s.arg(38 + i % 3).arg(i % 10);
        f.corners = u"%1-%1-%2-%3"_s.arg(i % 5 + 1).arg(i % 4 + 1).arg(i + 1);
        f.popularity = QString::number((i * 5) % runners + 1);
        page.finishers << f;
    }
    fillPayouts(page, page.finishers, runners);
    return page;
}

ResultPage resultWithScratch(const QString& venue, int race, int runners)
{
    runners = std::clamp(runners, 4, kMaxRunners);
    ResultPage page = resultAfterRace(venue, race, runners - 1);
    // The others keep the frames of the full field.
    for (Finisher& f : page.finishers)
        f.frame = QString::number(frameOf(f.number.toInt(), runners));
    Finisher scratched = runner(runners, runners);
    scratched.position = u"取消"_s;
    scratched.margin = u"出走取消"_s;
    scratched.bodyWeight.clear();
    scratched.change.clear();
    page.finishers << scratched;
    page.refund = u"%1番"_s.arg(runners);
    fillPayouts(page, page.finishers, runners - 1);
    return page;
}

} // namespace kazeyomi
