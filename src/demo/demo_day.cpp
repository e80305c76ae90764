#include "demo/demo_day.h"

#include <algorithm>
#include <cmath>

#include <QStringList>
#include <QUrlQuery>

#include "demo/odds_pages.h"
#include "demo/pair_pages.h"
#include "demo/race_card_pages.h"
#include "demo/result_pages.h"
#include "demo/triple_pages.h"
#include "foundation/clock.h"
#include "foundation/day_folders.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// Small deterministic generator: the same race gives the same horses every run.
quint32 mix(quint32 x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

double unit(quint32 seed, int salt)
{
    return double(mix(seed * 977U + quint32(salt))) / 4294967295.0;
}

QString oneDecimal(double value)
{
    return QString::number(std::max(1.0, std::round(value * 10) / 10), 'f', 1);
}

const char16_t* const kHorseNames[] = {u"サンダーボルト",   u"ミラクルスター",   u"Ｋ・ブリーズ",   u"ハヤテマル",
                                       u"ゴールドラッシュ", u"SKY ACE",          u"ウインドミル",   u"ブルーオーシャン",
                                       u"レッドバロン",     u"ホワイトクイーン", u"シルバーアロー", u"JUPITER",
                                       u"カゼヨミ",         u"トウキョウナイト", u"ハナミズキ",     u"フジノヤマ"};

} // namespace

DemoDay::DemoDay(const Clock& clock, const QDateTime& start) : m_clock(clock)
{
    const QDateTime first(start.date(), QTime(start.time().hour(), start.time().minute()));
    const QDateTime oiFirst = first.addSecs(4 * 60);
    // Races 15 minutes apart, closer when that is what it takes to finish before midnight.
    const qint64 minutesLeft = oiFirst.secsTo(QDateTime(start.date(), QTime(23, 40))) / 60;
    const int between = int(std::clamp<qint64>((minutesLeft - 7) / 11, 3, 15));
    addMeeting(u"大井"_s, u"20"_s, 12, oiFirst, between);
    addMeeting(u"川崎"_s, u"21"_s, 11, oiFirst.addSecs(7 * 60), between);
}

DemoDay::DemoDay(const Clock& clock, const QDateTime& firstPost, const std::vector<std::pair<QString, int>>& meetings,
                 int minutesBetweenRaces)
    : m_clock(clock)
{
    int code = 20;
    for (const auto& [venue, races] : meetings)
        addMeeting(venue, QString::number(code++), races, firstPost, minutesBetweenRaces);
}

void DemoDay::addMeeting(const QString& venue, const QString& venueCode, int races, const QDateTime& firstPost,
                         int minutesBetween)
{
    for (int r = 1; r <= races; ++r) {
        DemoRace race;
        race.venue = venue;
        race.race = r;
        // A sixteen-digit page id: date, venue code, meeting day, race.
        race.pageId = firstPost.date().toString(u"yyyyMMdd"_s) + venueCode + u"0103"_s + twoDigitRace(r);
        race.post = firstPost.addSecs(qint64(r - 1) * minutesBetween * 60);
        race.seed = mix(quint32(venueCode.toInt() * 100 + r));
        race.runners = 5 + int(race.seed % 12); // 5 to 16 runners
        race.name = r == races ? u"%1記念"_s.arg(venue) : u"C%1一般"_s.arg(1 + race.seed % 3);
        m_races.push_back(race);
    }
    // Something of everything the site shows: a cancelled race, scratched horses.
    const size_t firstOfMeeting = m_races.size() - size_t(races);
    if (races >= 6)
        m_races[firstOfMeeting + 5].cancelled = venueCode == u"21";
    // The site lists a scratched horse last in the result; the demo scratches the last number.
    for (size_t i : {size_t(2), size_t(7)})
        if (size_t(races) > i)
            m_races[firstOfMeeting + i].scratched = {m_races[firstOfMeeting + i].runners};
}

std::vector<CardMeeting> DemoDay::cardMeetings() const
{
    std::vector<CardMeeting> meetings;
    for (const DemoRace& race : m_races) {
        if (meetings.empty() || meetings.back().venue != race.venue)
            meetings.push_back({race.venue == u"大井"   ? u"oi"_s
                                : race.venue == u"川崎" ? u"kw"_s
                                                        : u"m%1"_s.arg(meetings.size()),
                                race.venue,
                                {}});
        meetings.back().races.push_back({race.post.toString(u"HH:mm"_s), race.name, race.pageId});
    }
    return meetings;
}

const DemoRace* DemoDay::findByPageId(const QString& id) const
{
    for (const DemoRace& race : m_races)
        if (race.pageId == id)
            return &race;
    return nullptr;
}

QByteArray DemoDay::oddsPage(const DemoRace& race, const QDateTime& now) const
{
    return winPlacePage(winPlace(race, now));
}

QList<QPair<int, int>> DemoDay::pairsNotShown(const DemoRace& race, const QDateTime& now) const
{
    // On some races the first pairs open late, as when the site is slow to start a pool;
    // the scrapers and writers then meet cells without odds.
    if (race.seed % 3 != 0 || now >= race.post.addSecs(-20 * 60))
        return {};
    return {{1, 2}, {2, 1}, {race.runners - 1, race.runners}};
}

QList<std::array<int, 3>> DemoDay::triplesNotShown(const DemoRace& race, const QDateTime& now) const
{
    // The triple pools of the same races open late too, so both triple pages meet empty cells.
    if (race.seed % 3 != 0 || now >= race.post.addSecs(-20 * 60))
        return {};
    const int n = race.runners;
    return {{1, 2, 3}, {n - 2, n - 1, n}};
}

WinPlacePage DemoDay::winPlace(const DemoRace& race, const QDateTime& now) const
{
    WinPlacePage page;
    page.venue = race.venue;
    page.race = race.race;
    page.raceName = race.name;
    page.raceCode = race.pageId;
    page.kind = race.cancelled     ? WinPlacePage::Kind::Cancelled
                : now >= race.post ? WinPlacePage::Kind::Final
                                   : WinPlacePage::Kind::Current;
    page.time = now.toString(u"HH:mm"_s);
    // The odds drift with the whole minute; after the post they stand still.
    const qint64 wholeMinutes = std::min(now, race.post).toSecsSinceEpoch() / 60;
    const double minute = double(wholeMinutes);
    for (int h = 1; h <= race.runners; ++h) {
        WinPlaceRunner runner;
        runner.number = h;
        runner.horse = QString::fromUtf16(kHorseNames[(race.seed + quint32(h)) % 16]);
        const double base = 1.5 + 60 * std::pow(unit(race.seed, h), 2.2);
        const double win = base * (1 + 0.12 * std::sin(minute / 7.0 + h));
        runner.win = oneDecimal(win);
        runner.placeLow = oneDecimal(1 + (win - 1) * 0.22);
        runner.placeHigh = oneDecimal(1 + (win - 1) * 0.38);
        runner.highlight = win < 5 ? u"color33"_s : QString();
        if (race.scratched.contains(h))
            runner.state = WinPlaceRunner::State::Scratched;
        page.runners << runner;
    }
    return page;
}

QByteArray DemoDay::resultPage(const DemoRace& race, const QDateTime& now) const
{
    if (race.cancelled || now < race.post.addSecs(kResultDelayMinutes * 60))
        return kazeyomi::resultPage(resultBeforeRace(race.venue, race.race));
    ResultPage page = race.scratched.isEmpty() ? resultAfterRace(race.venue, race.race, race.runners)
                                               : resultWithScratch(race.venue, race.race, race.runners);
    // Not always the favourite: the finishers come home in an order of the race's own.
    const int finishers = int(page.finishers.size()) - int(race.scratched.size());
    for (int i = finishers - 1; i > 0; --i) {
        const int j = int(mix(race.seed + quint32(i)) % quint32(i + 1));
        auto& a = page.finishers[i];
        auto& b = page.finishers[j];
        std::swap(a.frame, b.frame);
        std::swap(a.number, b.number);
        std::swap(a.name, b.name);
        std::swap(a.sexAge, b.sexAge);
        std::swap(a.jockey, b.jockey);
        std::swap(a.trainer, b.trainer);
        std::swap(a.popularity, b.popularity);
    }
    page.raceName = race.name;
    return kazeyomi::resultPage(page);
}

std::optional<SiteResponse> DemoDay::respond(const QString& pathAndQuery) const
{
    const QString path = pathAndQuery.section(u'?', 0, 0);
    const QDateTime now = m_clock.now();
    SiteResponse response;
    response.contentType = kOddsPageContentType;
    // "01.do" win and place, "03.do" exacta, "04.do" quinella and wide, "09.do" trio,
    // "08.do" trifecta.
    const QString kind = path.right(5);
    const QStringList kinds{u"01.do"_s, u"03.do"_s, u"04.do"_s, u"09.do"_s, u"08.do"_s};
    if (path.startsWith(u"/odds/"_s) && kinds.contains(kind)) {
        const QString id = path.mid(6, path.size() - 6 - 5);
        if (const DemoRace* race = findByPageId(id)) {
            if (kind == u"01.do"_s)
                response.body = oddsPage(*race, now);
            else if (kind == u"03.do"_s)
                response.body = exactaPage(winPlace(*race, now), pairsNotShown(*race, now)).html;
            else if (kind == u"04.do"_s)
                response.body = quinellaWidePage(winPlace(*race, now), pairsNotShown(*race, now)).html;
            else if (kind == u"09.do"_s)
                response.body = trioPage(winPlace(*race, now), triplesNotShown(*race, now)).html;
            else
                response.body = trifectaPage(winPlace(*race, now), triplesNotShown(*race, now)).html;
            return response;
        }
    } else if (path == u"/keibaWeb/PageFlows/DebaTable/DebaTableController.jpf"_s) {
        // The regional portal's race card, on the same local server.
        const QUrlQuery query(pathAndQuery.section(u'?', 1));
        const QString code = query.queryItemValue(u"k_babaCode"_s);
        const int raceNo = query.queryItemValue(u"k_raceNo"_s).toInt();
        for (const DemoRace& race : m_races) {
            // The page id holds the venue code after the eight digits of the date.
            if (race.race == raceNo && race.pageId.mid(8, 2) == code) {
                response.contentType = kRaceCardContentType;
                response.body = raceCardPage(demoRaceCard(race.race, race.name, race.runners));
                return response;
            }
        }
    } else if (path.startsWith(u"/result/"_s) && path.endsWith(u".do"_s)) {
        const QString id = path.mid(8, path.size() - 8 - 3);
        if (const DemoRace* race = findByPageId(id)) {
            response.body = resultPage(*race, now);
            return response;
        }
    }
    return std::nullopt;
}

} // namespace kazeyomi
