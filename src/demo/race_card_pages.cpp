#include "demo/race_card_pages.h"

#include <QStringList>

#include "foundation/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const char16_t* const kNames[] = {
    u"ミナミノカゼ",     u"SKY ACE",      u"ハヤテマル",     u"ゴールドラッシュ", u"JUPITER",    u"ウインドミル",
    u"ブルーオーシャン", u"レッドバロン", u"Mr. STAR",       u"シルバーアロー",   u"カゼヨミ",   u"トウキョウナイト",
    u"ハナミズキ",       u"フジノヤマ",   u"ナイトキャップ", u"CROWN JEWEL",      u"ユキノハナ", u"サクラビクトリー"};
const char16_t* const kOwners[] = {u"山田　太郎",         u"(有)ミナミ牧場", u"佐藤　花子",
                                   u"KRホールディングス", u"鈴木　一郎",     u"田中　次郎"};
const char16_t* const kBreeders[] = {u"浦河　川上牧場", u"新冠　ノースファーム", u"日高　坂本牧場"};
const char16_t* const kTrainers[] = {u"森　一馬", u"荒山　勝徳", u"佐々木仁", u"福永　敏"};
const char16_t* const kJockeys[] = {u"矢野貴之", u"御神本訓", u"森泰斗", u"本田正重", u"笹川翼"};

} // namespace

QByteArray raceCardPage(const RaceCardPage& page)
{
    QStringList lines;
    lines << u"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"_s
          << u"<title>出馬表</title></head>"_s << u"<body>"_s << u"<table class=\"raceTitle\">"_s
          << u"<tr><td nowrap colspan=\"2\"><b><font size=\"+1\">第%1競走</font></b>　%2　%3</td></tr>"_s.arg(page.race)
                 .arg(page.raceName, page.course)
          << u"</table>"_s << u"<table class=\"deba\">"_s
          << u"<tr><th>馬名</th><th>性齢</th><th>毛色</th><th>父</th><th>母</th></tr>"_s;
    int horse = 0;
    for (const CardRunner& r : page.runners) {
        ++horse;
        // The scrapers count lines from the marker line: eleven lines after it belong to the runner.
        lines
            << u"<tr>"_s
            << u"<td class=\"HorseMarkInfo\" rowspan=\"2\"><a href=\"/keibaWeb/horse?no=%1\"><span>%2</span></a></td>"_s
                   .arg(horse)
                   .arg(r.name)
            << u"<td nowrap>牡%1</td>"_s.arg(3 + horse % 5) << u"<td nowrap>鹿毛</td>"_s
            << u"<td nowrap>父：サウスヴィグラス</td>"_s << u"<td nowrap>母：ミナミノハナ</td>"_s << u"</tr>"_s
            << u"<tr>"_s << u"<td nowrap>%1</td>"_s.arg(r.owner) << u"<td nowrap>%1</td>"_s.arg(r.breeder)
            << u"<td class=\"dbdata\"><span>%1</span>(大井)</td>"_s.arg(r.trainer)
            << u"<td class=\"dbdata\" nowrap>%1<br><span>%2</span><br>%3</td>"_s.arg(r.weight, r.jockey, r.record)
            << u"<td class=\"dbdata\" nowrap>%1<br>前走</td>"_s.arg(r.bodyWeight) << u"</tr>"_s;
    }
    lines << u"</table>"_s << u"</body></html>"_s;
    return toCp932(lines.join(u"\r\n"_s) + u"\r\n"_s);
}

RaceCardPage demoRaceCard(int race, const QString& raceName, int runners)
{
    RaceCardPage page;
    page.race = race;
    page.raceName = raceName;
    page.course = u"ダート%1m"_s.arg(race % 2 ? 1200 : 1600);
    for (int h = 1; h <= runners; ++h) {
        const int i = h - 1 + race;
        CardRunner r;
        r.name = QString::fromUtf16(kNames[size_t(h - 1) % std::size(kNames)]);
        // Now and then a cell the portal leaves blank.
        r.owner = i % 7 == 3 ? u" "_s : QString::fromUtf16(kOwners[size_t(i) % std::size(kOwners)]);
        r.breeder = QString::fromUtf16(kBreeders[size_t(i) % std::size(kBreeders)]);
        r.trainer = QString::fromUtf16(kTrainers[size_t(i) % std::size(kTrainers)]);
        r.weight = u"%1.0"_s.arg(54 + i % 4);
        r.jockey = QString::fromUtf16(kJockeys[size_t(i) % std::size(kJockeys)]);
        r.record = u"%1-%2-%3-%4"_s.arg(i % 4).arg(i % 3).arg(i % 5).arg(3 + i % 7);
        r.bodyWeight =
            i % 5 == 4 ? QString() : u"%1(%2%3)"_s.arg(430 + i * 3 % 60).arg(i % 2 ? u"+"_s : u"-"_s).arg(i % 6);
        page.runners.push_back(r);
    }
    return page;
}

} // namespace kazeyomi
