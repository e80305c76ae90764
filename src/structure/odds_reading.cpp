#include <algorithm>
#include <array>
#include <map>
#include <set>

#include <QRegularExpression>

#include "fetch/page_tables.h"
#include "structure/page_reading.h"
#include "structure/table_layout.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const QString kDash = u"－"_s;

struct BetName {
    BetType type;
    const char16_t* key;
    const char16_t* title;
};

constexpr std::array<BetName, 7> kBetNames = {{
    {BetType::Win, u"win", u"単勝"},
    {BetType::Place, u"place", u"複勝"},
    {BetType::Quinella, u"quinella", u"馬複"},
    {BetType::Exacta, u"exacta", u"馬単"},
    {BetType::Wide, u"wide", u"ワイド"},
    {BetType::Trio, u"trio", u"三連複"},
    {BetType::Trifecta, u"trifecta", u"三連単"},
}};

QString withoutSeparators(QStringView shown)
{
    return shown.toString().remove(u',').trimmed();
}

// One cell's odds: a value, a range "low-high", a horse out or nothing shown yet.
ShownOdds oddsOf(const QString& combination, const TableCell& cell)
{
    ShownOdds odds;
    odds.combination = combination;
    odds.shown = cell.text().toString();
    odds.classes = cell.classes().toString();
    if (cell.text().isEmpty()) {
        odds.mark = ShownOdds::Mark::NotOnSale;
    } else if (cell.text() == kDash || cell.text() == u"出走取消"_s || cell.text() == u"競走除外"_s) {
        odds.mark = ShownOdds::Mark::Out;
    } else if (const qsizetype dash = cell.text().indexOf(u'-'); dash > 0) {
        odds.low = withoutSeparators(cell.text().left(dash));
        odds.high = withoutSeparators(cell.text().mid(dash + 1));
    } else {
        odds.low = withoutSeparators(cell.text());
    }
    return odds;
}

// The time of the odds, or final odds, or a race called off, from the page's short texts.
void readOddsState(const PageTables& page, PageReading& reading)
{
    static const QRegularExpression time(u"(\\d{1,2}:\\d{2})\\s*現在"_s);
    for (const QString& text : page.texts) {
        if (const QRegularExpressionMatch m = time.match(text); m.hasMatch() && reading.oddsTime.isEmpty())
            reading.oddsTime = m.captured(1).rightJustified(5, u'0');
        if (text.contains(u"最終オッズ"_s))
            reading.finalOdds = true;
        if (text.contains(u"取り止め"_s))
            reading.cancelled = true;
    }
}

void add(BetReading& bet, std::set<QString>& seen, ShownOdds odds)
{
    if (seen.insert(odds.combination).second)
        bet.odds << std::move(odds);
}

// Rows of slots where each column is a staircase: the horse over the column (or named by the
// last head in it) with the horses of the slots below, their numbers rising; a number that
// does not rise names the horse of the run below it, as a head does.
template <typename Emit> void readStaircase(const PageTable& table, Emit emit)
{
    const std::vector<int> labels = headLabels(table);
    std::vector<int> first(labels.begin(), labels.end());
    std::vector<int> last(labels.begin(), labels.end());
    for (const TableRow& row : table.rows) {
        if (row.head)
            continue;
        const std::vector<OddsSlot> slots = rowSlots(row);
        for (size_t s = 0; s < slots.size() && s < labels.size(); ++s) {
            const OddsSlot& slot = slots[s];
            if (slot.kind == OddsSlot::Kind::Empty)
                continue;
            if (slot.kind == OddsSlot::Kind::Head || slot.horse <= last[s]) {
                first[s] = last[s] = slot.horse;
                continue;
            }
            last[s] = slot.horse;
            if (first[s] > 0)
                emit(first[s], slot.horse, *slot.cell);
        }
    }
}

// The horse a table of a triple page is about: the one number of the field it never names.
int missingHorse(const std::set<int>& named)
{
    for (int h = 1;; ++h)
        if (!named.contains(h))
            return h;
}

} // namespace

QString betTypeKey(BetType type)
{
    return QString::fromUtf16(kBetNames[size_t(type)].key);
}

QString betTypeTitle(BetType type)
{
    return QString::fromUtf16(kBetNames[size_t(type)].title);
}

bool betTypeFromKey(const QString& key, BetType& type)
{
    for (const BetName& name : kBetNames)
        if (key == QString::fromUtf16(name.key)) {
            type = name.type;
            return true;
        }
    return false;
}

QString combinationKey(std::initializer_list<int> horses)
{
    // Thousands of keys a page: written digit by digit into one string.
    QString key;
    key.reserve(qsizetype(horses.size()) * 3);
    for (int h : horses) {
        if (!key.isEmpty())
            key += u'-';
        if (h >= 0 && h < 100)
            key.append(QChar(u'0' + h / 10)).append(QChar(u'0' + h % 10));
        else
            key += QString::number(h).rightJustified(2, u'0');
    }
    return key;
}

const ShownOdds* BetReading::find(const QString& combination) const
{
    for (const ShownOdds& o : odds)
        if (o.combination == combination)
            return &o;
    return nullptr;
}

const BetReading* PageReading::bet(BetType type) const
{
    for (const BetReading& b : bets)
        if (b.type == type)
            return &b;
    return nullptr;
}

PageReading readWinPlacePage(const PageTables& page)
{
    PageReading reading;
    readOddsState(page, reading);
    BetReading win{BetType::Win, {}};
    BetReading place{BetType::Place, {}};
    std::set<QString> seenWin, seenPlace;
    for (const PageTable& table : page.tables) {
        const auto placed = placedCells(table);
        int numberColumn = -1, winColumn = -1, placeColumn = -1;
        for (size_t r = 0; r < placed.size(); ++r) {
            const auto& line = placed[r];
            if (winColumn < 0) {
                for (size_t c = 0; c < line.size(); ++c) {
                    if (line[c] == nullptr || !line[c]->header)
                        continue;
                    if (line[c]->text() == u"馬番"_s)
                        numberColumn = int(c);
                    else if (line[c]->text() == u"単勝"_s)
                        winColumn = int(c);
                    else if (line[c]->text() == u"複勝"_s)
                        placeColumn = int(c);
                }
                if (winColumn < 0 || placeColumn < 0 || numberColumn < 0)
                    winColumn = placeColumn = numberColumn = -1;
                continue;
            }
            const auto at = [&](int c) { return size_t(c) < line.size() ? line[size_t(c)] : nullptr; };
            const TableCell* number = at(numberColumn);
            const TableCell* winCell = at(winColumn);
            const TableCell* placeCell = at(placeColumn);
            const int horse = number ? horseNumber(number->text()) : 0;
            if (horse == 0 || winCell == nullptr || placeCell == nullptr)
                continue;
            const QString key = combinationKey({horse});
            ShownOdds winOdds = oddsOf(key, *winCell);
            ShownOdds placeOdds = oddsOf(key, *placeCell);
            if (winOdds.mark == ShownOdds::Mark::Out)
                placeOdds.mark = ShownOdds::Mark::Out;
            add(win, seenWin, std::move(winOdds));
            add(place, seenPlace, std::move(placeOdds));
        }
    }
    if (!win.odds.isEmpty())
        reading.bets << win << place;
    return reading;
}

PageReading readExactaPage(const PageTables& page)
{
    PageReading reading;
    readOddsState(page, reading);
    BetReading exacta{BetType::Exacta, {}};
    std::set<QString> seen;
    for (const PageTable& table : page.tables) {
        if (!isSlotTable(table))
            continue;
        // Each column is the horse placed first, each row's numbers the horse placed second;
        // past eight runners the rows start again at 1 for the first horses 9 and up.
        const std::vector<int> labels = headLabels(table);
        int block = 0, previous = 0;
        for (const TableRow& row : table.rows) {
            if (row.head)
                continue;
            const std::vector<OddsSlot> slots = rowSlots(row);
            int second = 0;
            for (const OddsSlot& slot : slots)
                if (slot.horse > 0 && second == 0)
                    second = slot.horse;
            if (second == 0)
                continue;
            if (second <= previous)
                ++block;
            previous = second;
            for (size_t s = 0; s < slots.size() && s < labels.size(); ++s) {
                const int first = labels[s] > 0 ? labels[s] + 8 * block : 0;
                if (slots[s].kind != OddsSlot::Kind::Odds || first == 0 || first == slots[s].horse)
                    continue;
                add(exacta, seen, oddsOf(combinationKey({first, slots[s].horse}), *slots[s].cell));
            }
        }
    }
    if (!exacta.odds.isEmpty())
        reading.bets << exacta;
    return reading;
}

PageReading readQuinellaWidePage(const PageTables& page)
{
    PageReading reading;
    readOddsState(page, reading);
    BetReading quinella{BetType::Quinella, {}};
    BetReading wide{BetType::Wide, {}};
    std::set<QString> seenQuinella, seenWide;
    for (const PageTable& table : page.tables) {
        if (!isSlotTable(table))
            continue;
        BetReading found{BetType::Quinella, {}};
        std::set<QString> seen;
        bool ranges = false;
        readStaircase(table, [&](int first, int second, const TableCell& cell) {
            ShownOdds odds = oddsOf(combinationKey({std::min(first, second), std::max(first, second)}), cell);
            ranges = ranges || !odds.high.isEmpty();
            add(found, seen, std::move(odds));
        });
        // The wide table is headed so, or shows ranges, or comes after the quinella table.
        const bool isWide = table.heading.contains(u"ワイド"_s) || ranges ||
                            (!quinella.odds.isEmpty() && !table.heading.contains(u"馬複"_s));
        BetReading& into = isWide ? wide : quinella;
        std::set<QString>& intoSeen = isWide ? seenWide : seenQuinella;
        for (ShownOdds& odds : found.odds)
            add(into, intoSeen, std::move(odds));
    }
    if (!quinella.odds.isEmpty())
        reading.bets << quinella;
    if (!wide.odds.isEmpty())
        reading.bets << wide;
    return reading;
}

PageReading readTrioPage(const PageTables& page)
{
    PageReading reading;
    readOddsState(page, reading);
    BetReading trio{BetType::Trio, {}};
    std::set<QString> seen;
    for (const PageTable& table : page.tables) {
        if (!isSlotTable(table))
            continue;
        // One table per horse: every trio holding it, so it is the one horse the table never names.
        std::set<int> named;
        for (int label : headLabels(table))
            named.insert(label);
        for (const TableRow& row : table.rows)
            if (!row.head)
                for (const OddsSlot& slot : rowSlots(row))
                    named.insert(slot.horse);
        named.erase(0);
        const int horse = missingHorse(named);
        readStaircase(table, [&](int second, int third, const TableCell& cell) {
            std::array<int, 3> t{horse, second, third};
            std::sort(t.begin(), t.end());
            add(trio, seen, oddsOf(combinationKey({t[0], t[1], t[2]}), cell));
        });
    }
    if (!trio.odds.isEmpty()) {
        std::sort(trio.odds.begin(), trio.odds.end(),
                  [](const ShownOdds& a, const ShownOdds& b) { return a.combination < b.combination; });
        reading.bets << trio;
    }
    return reading;
}

PageReading readTrifectaPage(const PageTables& page)
{
    PageReading reading;
    readOddsState(page, reading);
    BetReading trifecta{BetType::Trifecta, {}};
    std::set<QString> seen;
    for (const PageTable& table : page.tables) {
        if (!isSlotTable(table))
            continue;
        // Columns: the horse placed second; each row's number: the horse placed third. The rows
        // name every horse but the one placed first.
        const std::vector<int> labels = headLabels(table);
        std::set<int> thirds;
        for (const TableRow& row : table.rows)
            if (!row.head)
                for (const OddsSlot& slot : rowSlots(row))
                    if (slot.horse > 0) {
                        thirds.insert(slot.horse);
                        break;
                    }
        const int first = missingHorse(thirds);
        for (const TableRow& row : table.rows) {
            if (row.head)
                continue;
            const std::vector<OddsSlot> slots = rowSlots(row);
            for (size_t s = 0; s < slots.size() && s < labels.size(); ++s) {
                const OddsSlot& slot = slots[s];
                if (slot.kind != OddsSlot::Kind::Odds || labels[s] == 0 || labels[s] == slot.horse ||
                    labels[s] == first)
                    continue;
                add(trifecta, seen, oddsOf(combinationKey({first, labels[s], slot.horse}), *slot.cell));
            }
        }
    }
    if (!trifecta.odds.isEmpty()) {
        std::sort(trifecta.odds.begin(), trifecta.odds.end(),
                  [](const ShownOdds& a, const ShownOdds& b) { return a.combination < b.combination; });
        reading.bets << trifecta;
    }
    return reading;
}

} // namespace kazeyomi
