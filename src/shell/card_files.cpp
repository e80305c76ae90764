#include "shell/card_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "shell/day_folders.h"
#include "shell/free_format_reader.h"
#include "shell/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr int kMaxRacesPerMeeting = 99; // two-digit race numbers in file names

QString withoutIdeographicSpaces(QString title) { return title.replace(QChar(0x3000), u' '); }

QString where(const QString& path, int line)
{
    return line > 0 ? u"%1 (line %2)"_s.arg(QDir::toNativeSeparators(path)).arg(line)
                    : QDir::toNativeSeparators(path);
}

void readRaceCard(const QString& path, int race, CardReading& out)
{
    QString error;
    const QString text = readCp932File(path, &error);
    if (!error.isEmpty()) {
        out.problems << error;
        return;
    }
    FreeFormatReader reader(text);
    QString fields[6];
    int lines[6] = {};
    for (int i = 0; i < 6; ++i) {
        if (!reader.next(fields[i], &lines[i])) {
            out.problems << u"%1: the race card has %2 fields, 6 are needed"_s.arg(where(path, 0)).arg(i);
            return;
        }
    }
    RaceCard card;
    card.race = race;
    card.raceName = fields[3];
    card.postTime = postTimeFromTitle(fields[0]);
    bool ok = true;
    if (const auto venue = venueFromTitle(fields[0]); !venue) {
        out.problems << u"%1: the title \"%2\" has no space before the venue name"_s.arg(where(path, lines[0]), fields[0]);
        ok = false;
    } else if (!isSafeVenueName(*venue)) {
        out.problems << u"%1: the venue name \"%2\" in the title is not two plain characters"_s.arg(where(path, lines[0]), *venue);
        ok = false;
    } else {
        card.venue = *venue;
    }
    if (const auto id = pageIdFromUrl(fields[4]); !id) {
        out.problems << u"%1: the race page URL \"%2\" has no \".\" after its fourth \"/\""_s.arg(where(path, lines[4]), fields[4]);
        ok = false;
    } else if (!isSafePageId(*id)) {
        out.problems << u"%1: the race page id \"%2\" is not plain ASCII letters and digits"_s.arg(where(path, lines[4]), *id);
        ok = false;
    } else {
        card.pageId = *id;
    }
    if (ok)
        out.races.push_back(card);
}

} // namespace

QString readCp932File(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.exists()) {
        *error = u"%1: the file is missing"_s.arg(QDir::toNativeSeparators(path));
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = u"%1: the file cannot be read (%2)"_s.arg(QDir::toNativeSeparators(path), file.errorString());
        return {};
    }
    return fromCp932(file.readAll());
}

std::optional<QString> venueFromTitle(const QString& title)
{
    const QString plain = withoutIdeographicSpaces(title);
    qsizetype start = 0;
    while (start < plain.size() && (plain[start] == u' ' || plain[start] == u'\t'))
        ++start;
    const qsizetype space = plain.indexOf(u' ', start);
    if (space < 0)
        return std::nullopt;
    return plain.mid(space + 1, 2);
}

QString postTimeFromTitle(const QString& title) { return withoutIdeographicSpaces(title).right(5); }

std::optional<QString> pageIdFromUrl(const QString& url)
{
    qsizetype pos = -1;
    for (int i = 0; i < 4; ++i) {
        pos = url.indexOf(u'/', pos + 1);
        if (pos < 0)
            return std::nullopt;
    }
    const qsizetype dot = url.indexOf(u'.', pos + 1);
    if (dot < 0)
        return std::nullopt;
    return url.mid(pos + 1, dot - pos - 1);
}

bool isSafeVenueName(const QString& venue)
{
    if (venue.size() != 2 || venue == u".." || venue.startsWith(u'.') || venue.endsWith(u'.'))
        return false;
    for (QChar c : venue) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSpace() || c.isSurrogate()
            || QStringView(u"<>:\"/\\|?*").contains(c))
            return false;
    }
    return true;
}

bool isSafePageId(const QString& id)
{
    if (id.isEmpty())
        return false;
    for (QChar c : id) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z')))
            return false;
    }
    return true;
}

CardReading readDayCards(const QString& cardFolder)
{
    CardReading out;
    const QString listPath = QDir(cardFolder).filePath(u"zen.txt"_s);
    if (!QFileInfo::exists(listPath)) {
        out.meetingListMissing = true;
        return out;
    }
    QString error;
    const QString text = readCp932File(listPath, &error);
    if (!error.isEmpty()) {
        out.problems << error;
        return out;
    }
    FreeFormatReader reader(text);
    QString prefix, count, unused;
    int line = 0;
    while (reader.next(prefix, &line)) {
        int countLine = line;
        if (!reader.next(count, &countLine) || !reader.next(unused)) {
            out.problems << u"%1: the meeting record \"%2\" has fewer than 3 fields"_s.arg(where(listPath, line), prefix);
            break;
        }
        bool ok = false;
        const int races = count.trimmed().toInt(&ok);
        if (!ok || races < 0 || races > kMaxRacesPerMeeting) {
            out.problems << u"%1: the race count \"%2\" is not a number from 0 to %3"_s
                                .arg(where(listPath, countLine), count).arg(kMaxRacesPerMeeting);
            continue;
        }
        // The prefix becomes part of file names: refuse anything that could leave the folder.
        if (prefix.isEmpty() || prefix.contains(u'/') || prefix.contains(u'\\') || prefix.contains(u"..")) {
            out.problems << u"%1: the file prefix \"%2\" cannot be part of a file name"_s.arg(where(listPath, line), prefix);
            continue;
        }
        for (int i = 1; i <= races; ++i)
            readRaceCard(QDir(cardFolder).filePath(prefix + twoDigitRace(i) + u".txt"_s), i, out);
    }
    return out;
}

} // namespace kazeyomi
