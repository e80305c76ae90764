#include "history/layout_watch.h"

#include <algorithm>

#include <QHash>

#include "foundation/fixed_fields.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const QString kNothing = u"nothing"_s;
const QString kOut = u"***"_s;
const QString kZero = u"0.0"_s;

// A value as the file's field holds it: one decimal, cut to the field's 8 characters.
QString asFiled(const QString& text)
{
    return rightField(formatOneDecimal(text.trimmed()), 8).trimmed();
}

bool isWinPlaceFile(const QString& extension)
{
    return extension == u".tanA"_s || extension == u".Fuk1"_s || extension == u".Fuk2"_s;
}

// The page's key of a file label: the trio file names a trio by its block horse first.
QString keyOf(const QString& extension, const QString& label)
{
    if (extension != u".3fuku"_s)
        return label;
    QStringList horses = label.split(u'-');
    std::sort(horses.begin(), horses.end());
    return horses.join(u'-');
}

// Whether the last two horses of a combination "a-b" or "a-b-c" are the same.
bool lastTwoAlike(QStringView combination)
{
    const qsizetype last = combination.lastIndexOf(u'-');
    if (last < 0)
        return false;
    const qsizetype before = combination.first(last).lastIndexOf(u'-');
    return combination.sliced(before + 1, last - before - 1) == combination.sliced(last + 1);
}

// The win odds the scraper keeps: a win cell coloured by any class but the favourites'
// "color33" is cut to nothing, and so is a cell showing nothing.
bool winCutToNothing(const ShownOdds& win)
{
    if (win.mark == ShownOdds::Mark::NotOnSale)
        return true;
    return win.classes.contains(u"color"_s, Qt::CaseInsensitive) &&
           !win.classes.contains(u"color33"_s, Qt::CaseInsensitive);
}

// What the file gets for a combination the page shows; nothing when the file leaves it out.
std::optional<QString> filed(const QString& extension, const ShownOdds& odds, const ShownOdds* win)
{
    if (isWinPlaceFile(extension)) {
        // A horse whose win cell the scraper cut to nothing is 0.0 in all three files.
        if (win != nullptr && winCutToNothing(*win))
            return kZero;
        if (odds.mark == ShownOdds::Mark::Out)
            return kOut;
        if (extension == u".tanA"_s)
            return asFiled(odds.low);
        if (odds.mark == ShownOdds::Mark::NotOnSale)
            return QString();
        // A place cell without a range is all upper bound.
        if (odds.high.isEmpty())
            return extension == u".Fuk1"_s ? QString() : asFiled(odds.low);
        return asFiled(extension == u".Fuk1"_s ? odds.low : odds.high);
    }
    if (odds.mark == ShownOdds::Mark::Out)
        return kOut;
    if (odds.mark == ShownOdds::Mark::NotOnSale) {
        // The exacta and trifecta writers fill a blank with "***"; the quinella, wide and trio
        // files carry no field for it.
        if (extension == u".utan"_s || extension == u".3tan"_s)
            return kOut;
        return std::nullopt;
    }
    return asFiled(extension == u".wideH"_s ? odds.high : odds.low);
}

// Files that carry every combination the page shows: a missing one is a fault. The quinella
// and wide files lose pairs on purpose (a blank cell ends its row's copy; with 16 runners the
// writers' bounds let 107 of the 120 pairs through) and so does the trio file (a column's walk
// ends at its first blank cell).
bool carriesEverything(const QString& extension)
{
    return isWinPlaceFile(extension) || extension == u".utan"_s || extension == u".3tan"_s;
}

QString shownOrNothing(const QString& text)
{
    return text.isEmpty() ? kNothing : text;
}

} // namespace

std::optional<LayoutMismatch> firstMismatch(const QString& extension, const OddsLine& line, const BetReading& page,
                                            const BetReading* win)
{
    // A trifecta line has 3,600 fields: the page's combinations are looked up, not searched.
    QHash<QString, const ShownOdds*> shown;
    shown.reserve(page.odds.size());
    for (const ShownOdds& odds : page.odds)
        shown.insert(odds.combination, &odds);
    std::set<QString> carried;
    for (const FileField& field : line.fields) {
        const QString key = keyOf(extension, field.combination);
        carried.insert(key);
        // The exacta file has a field for a horse with itself and the trifecta file one for
        // the second horse with the third; both are no combination and hold "***".
        if ((extension == u".utan"_s || extension == u".3tan"_s) && lastTwoAlike(field.combination))
            continue;
        const ShownOdds* odds = shown.value(key);
        if (odds == nullptr) {
            // The win and place files always have 16 fields, 0.0 for a horse not running.
            if (field.value.isEmpty() || field.value == kZero)
                continue;
            return LayoutMismatch{key, kNothing, field.value};
        }
        // The trio file gives a trio's odds where it first meets it and "***" at the repeats.
        if (extension == u".3fuku"_s && field.value == kOut && odds->mark != ShownOdds::Mark::Out)
            continue;
        const ShownOdds* winOdds = win && isWinPlaceFile(extension) ? win->find(key) : nullptr;
        const std::optional<QString> expected = filed(extension, *odds, winOdds);
        if (!expected || *expected != field.value)
            return LayoutMismatch{key, shownOrNothing(odds->shown), shownOrNothing(field.value)};
    }
    // A blank cell can cost the quinella, wide and trio files every field after it, the whole
    // line when it is the first: with a blank on the page even an empty line is no fault.
    const bool blankShown = std::any_of(page.odds.begin(), page.odds.end(),
                                        [](const ShownOdds& odds) { return odds.mark == ShownOdds::Mark::NotOnSale; });
    for (const ShownOdds& odds : page.odds) {
        if (carried.contains(odds.combination))
            continue;
        // Past 16 horses the win and place files have no field.
        if (isWinPlaceFile(extension) && odds.combination.toInt() > 16)
            continue;
        const std::optional<QString> expected =
            filed(extension, odds, win && isWinPlaceFile(extension) ? win->find(odds.combination) : nullptr);
        if (!expected)
            continue;
        if (carriesEverything(extension) || (carried.empty() && !blankShown))
            return LayoutMismatch{odds.combination, shownOrNothing(odds.shown), kNothing};
    }
    return std::nullopt;
}

QString layoutAlarm(BetType type, const QString& venue, int race, const LayoutMismatch& mismatch)
{
    const int horses = int(mismatch.combination.count(u'-')) + 1;
    const QString what = horses == 1 ? u"horse"_s : horses == 2 ? u"pair"_s : u"triple"_s;
    // Win and place odds are one table of one page.
    const QString page = type == BetType::Win || type == BetType::Place ? u"単勝・複勝"_s : betTypeTitle(type);
    return u"the site's %1 page no longer reads as expected: %2 %3R, %4 %5, the page shows %6, the file would get %7"_s
        .arg(page, venue)
        .arg(race)
        .arg(what, mismatch.combination, mismatch.page, mismatch.file);
}

namespace {

// The first odds a page shows, against a file that got nothing of them.
std::optional<LayoutMismatch> firstShown(const BetReading& page)
{
    for (const ShownOdds& odds : page.odds)
        if (odds.mark == ShownOdds::Mark::None)
            return LayoutMismatch{odds.combination, odds.shown, kNothing};
    return std::nullopt;
}

} // namespace

QStringList LayoutWatch::check(const QString& day, const QString& venue, int race,
                               const std::map<QString, OddsLine>& lines, const std::map<BetType, BetReading>& pages,
                               const QStringList& unwritten)
{
    QStringList alarms;
    const auto winPage = pages.find(BetType::Win);
    const BetReading* win = winPage != pages.end() ? &winPage->second : nullptr;
    for (const OddsFileKind& kind : oddsFileKinds()) {
        const auto line = lines.find(kind.extension);
        const auto page = pages.find(kind.type);
        if (page == pages.end())
            continue;
        std::optional<LayoutMismatch> mismatch;
        if (line != lines.end())
            mismatch = firstMismatch(kind.extension, line->second, page->second, win);
        else if (unwritten.contains(kind.extension))
            mismatch = firstShown(page->second);
        else
            continue;
        const bool winPlace = kind.type == BetType::Win || kind.type == BetType::Place;
        const std::pair<QString, BetType> told{day, winPlace ? BetType::Win : kind.type};
        if (!mismatch)
            continue;
        if (!m_told.contains(told)) {
            m_told.insert(told);
            alarms << layoutAlarm(kind.type, venue, race, *mismatch);
        }
        // The other scrapers size their tables by the runner count the win/place scraper read:
        // when that page reads wrong, their files follow it, and the fault is told for that page.
        if (winPlace)
            break;
    }
    return alarms;
}

QStringList LayoutWatch::checkUnread(const QString& day, const QString& venue, int race,
                                     const std::map<BetType, BetReading>& pages)
{
    QStringList alarms;
    for (const auto& [type, bet] : pages) {
        const std::pair<QString, BetType> told{day, type == BetType::Place ? BetType::Win : type};
        if (m_told.contains(told))
            continue;
        if (const auto shown = firstShown(bet)) {
            m_told.insert(told);
            alarms << layoutAlarm(type, venue, race, *shown);
        }
    }
    return alarms;
}

} // namespace kazeyomi
