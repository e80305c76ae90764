#include "history/day_import.h"

#include <map>
#include <set>

#include <QDir>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "history/odds_lines.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const QString kOut = u"***"_s;

ShownOdds odds(const QString& combination, const QString& value)
{
    ShownOdds o;
    o.combination = combination;
    o.shown = value;
    if (value == kOut)
        o.mark = ShownOdds::Mark::Out;
    else if (value.isEmpty())
        o.mark = ShownOdds::Mark::NotOnSale;
    else
        o.low = value;
    return o;
}

// Lines of one file by fetch: the k-th line with a time stamp goes with the k-th line of the
// win odds file that has the same stamp.
using Lines = std::map<std::pair<QString, int>, OddsLine>;

Lines linesByStamp(const QString& path, const QString& extension)
{
    Lines lines;
    std::map<QString, int> seen;
    for (const QString& text : linesOf(path)) {
        OddsLine line = parseOddsLine(extension, text);
        const int k = seen[line.time]++;
        lines[{line.time, k}] = std::move(line);
    }
    return lines;
}

const OddsLine* lineOf(const std::map<QString, Lines>& files, const QString& extension,
                       const std::pair<QString, int>& stamp)
{
    const auto file = files.find(extension);
    if (file == files.end())
        return nullptr;
    const auto line = file->second.find(stamp);
    return line == file->second.end() ? nullptr : &line->second;
}

// What a file cannot tell apart is left out: a 0.0 in the win odds file (a horse not running
// or whose odds could not be read), a blank, a horse with itself.
void addWinPlace(FetchRecord& fetch, const OddsLine& win, const OddsLine* low, const OddsLine* high)
{
    BetReading winBet{BetType::Win, {}};
    BetReading place{BetType::Place, {}};
    for (qsizetype h = 0; h < win.fields.size(); ++h) {
        const FileField& field = win.fields[h];
        if (field.value == u"0.0"_s || field.value.isEmpty())
            continue;
        winBet.odds << odds(field.combination, field.value);
        const QString lowText = low && h < low->fields.size() ? low->fields[h].value : QString();
        const QString highText = high && h < high->fields.size() ? high->fields[h].value : QString();
        ShownOdds p = odds(field.combination, lowText == kOut || highText == kOut ? kOut : QString());
        if (p.mark == ShownOdds::Mark::NotOnSale && !(lowText.isEmpty() && highText.isEmpty())) {
            p.mark = ShownOdds::Mark::None;
            p.low = lowText;
            p.high = highText;
            p.shown = lowText + u'-' + highText;
        }
        place.odds << p;
    }
    fetch.bets << winBet << place;
}

void addPairs(FetchRecord& fetch, BetType type, const OddsLine& line, const OddsLine* high = nullptr)
{
    BetReading bet{type, {}};
    for (qsizetype i = 0; i < line.fields.size(); ++i) {
        const FileField& field = line.fields[i];
        const QStringList horses = field.combination.split(u'-');
        if (horses.size() != 2 || horses[0] == horses[1])
            continue;
        ShownOdds o = odds(field.combination, field.value);
        if (high && o.mark == ShownOdds::Mark::None && i < high->fields.size()) {
            o.high = high->fields[i].value;
            o.shown = o.low + u'-' + o.high;
        }
        if (o.mark != ShownOdds::Mark::NotOnSale)
            bet.odds << o;
    }
    fetch.bets << bet;
}

void addTriples(FetchRecord& fetch, BetType type, const OddsLine& line)
{
    BetReading bet{type, {}};
    std::set<QString> seen;
    for (const FileField& field : line.fields) {
        QStringList horses = field.combination.split(u'-');
        if (horses.size() != 3 || horses[1] == horses[2] || horses[0] == horses[1] || horses[0] == horses[2])
            continue;
        if (type == BetType::Trio) {
            // A trio is written with its odds where first met, "***" at its two repeats.
            std::sort(horses.begin(), horses.end());
            if (!seen.insert(horses.join(u'-')).second)
                continue;
        }
        ShownOdds o = odds(horses.join(u'-'), field.value);
        if (o.mark != ShownOdds::Mark::NotOnSale)
            bet.odds << o;
    }
    fetch.bets << bet;
}

} // namespace

QList<FetchRecord> readRaceFiles(const QString& oddsFolder, const QString& raceKey, const QDate& day)
{
    const QDir dir(oddsFolder);
    std::map<QString, Lines> files;
    for (const OddsFileKind& kind : oddsFileKinds())
        files[kind.extension] = linesByStamp(dir.filePath(raceKey + kind.extension), kind.extension);
    QList<FetchRecord> fetches;
    static const QRegularExpression key(u"^(.+?)(\\d\\d)$"_s);
    const QRegularExpressionMatch named = key.match(raceKey);
    for (const auto& [stamp, win] : files[u".tanA"_s]) {
        FetchRecord fetch;
        fetch.venue = named.captured(1);
        fetch.race = named.captured(2).toInt();
        fetch.source = u"import"_s;
        fetch.oddsTime = stamp.first;
        fetch.fetchedAt = QDateTime(day, QTime::fromString(stamp.first, u"hh:mm"_s));
        addWinPlace(fetch, win, lineOf(files, u".Fuk1"_s, stamp), lineOf(files, u".Fuk2"_s, stamp));
        fetch.pages << u"win/place odds"_s;
        if (const OddsLine* line = lineOf(files, u".uren"_s, stamp)) {
            addPairs(fetch, BetType::Quinella, *line);
            fetch.pages << u"quinella odds"_s;
        }
        if (const OddsLine* line = lineOf(files, u".utan"_s, stamp)) {
            addPairs(fetch, BetType::Exacta, *line);
            fetch.pages << u"exacta odds"_s;
        }
        if (const OddsLine* line = lineOf(files, u".wideL"_s, stamp)) {
            addPairs(fetch, BetType::Wide, *line, lineOf(files, u".wideH"_s, stamp));
            fetch.pages << u"wide odds"_s;
        }
        if (const OddsLine* line = lineOf(files, u".3fuku"_s, stamp)) {
            addTriples(fetch, BetType::Trio, *line);
            fetch.pages << u"trio odds"_s;
        }
        if (const OddsLine* line = lineOf(files, u".3tan"_s, stamp)) {
            addTriples(fetch, BetType::Trifecta, *line);
            fetch.pages << u"trifecta odds"_s;
        }
        fetches << fetch;
    }
    std::sort(fetches.begin(), fetches.end(),
              [](const FetchRecord& a, const FetchRecord& b) { return a.fetchedAt < b.fetchedAt; });
    return fetches;
}

Counted importOddsFolder(const QString& oddsFolder, HistoryDatabase& database)
{
    Counted counted;
    if (!database.ok()) {
        counted.error = database.error();
        return counted;
    }
    // The folder is named after its day, "yymmdd".
    const QDate day = QDate::fromString(u"20"_s + QDir(oddsFolder).dirName(), u"yyyyMMdd"_s);
    const QStringList races = QDir(oddsFolder).entryList({u"*.tanA"_s}, QDir::Files, QDir::Name);
    for (const QString& file : races) {
        const QString raceKey = file.chopped(5);
        const QList<FetchRecord> fetches = readRaceFiles(oddsFolder, raceKey, day);
        // A race imported before is not imported again: its rows would all be there twice.
        if (!fetches.isEmpty()) {
            QSqlQuery seen(database.database());
            seen.prepare(u"SELECT COUNT(*) FROM fetches f JOIN races r ON r.race_id = f.race_id "
                         "WHERE r.venue = ? AND r.race = ? AND f.source = 'import'"_s);
            seen.addBindValue(fetches.front().venue);
            seen.addBindValue(fetches.front().race);
            if (!seen.exec() || !seen.next()) {
                counted.error = u"%1: cannot be read: %2"_s.arg(database.path(), seen.lastError().text());
                return counted;
            }
            if (seen.value(0).toInt() > 0)
                continue;
        }
        for (const FetchRecord& fetch : fetches) {
            if (const Outcome written = database.write(fetch); !written.ok()) {
                counted.error = written.error;
                return counted;
            }
            ++counted.count;
        }
    }
    return counted;
}

} // namespace kazeyomi
