#include "foundation/card_files.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "foundation/day_folders.h"
#include "foundation/free_format_reader.h"
#include "foundation/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kMaxInputKiB = kMaxInputFileBytes / 1024;

QString withoutIdeographicSpaces(QString title)
{
    return title.replace(QChar(0x3000), u' ');
}

QString where(const QString& path, int line)
{
    return line > 0 ? u"%1 (line %2)"_s.arg(QDir::toNativeSeparators(path)).arg(line) : QDir::toNativeSeparators(path);
}

void readRaceCard(const QString& path, int race, CardReading& out)
{
    QString error;
    const QString text = readCp932File(path, &error);
    if (!error.isEmpty()) {
        out.problems << error;
        return;
    }
    FreeFormatReader reader(text, FreeFormatReader::TrailingBlanks::Drop);
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
    // A post time that does not read would leave the race unpolled, or polled at the wrong hour.
    if (!isTimeOfDay(card.postTime)) {
        out.problems << u"%1: the title \"%2\" does not end in a post time: \"%3\" is not a time of day 0:00 to 23:59"_s
                            .arg(where(path, lines[0]), fields[0], card.postTime);
        ok = false;
    }
    if (const auto venue = venueFromTitle(fields[0]); !venue) {
        out.problems << u"%1: the title \"%2\" has no space before the venue name"_s.arg(where(path, lines[0]),
                                                                                         fields[0]);
        ok = false;
    } else if (!isSafeVenueName(*venue)) {
        out.problems << u"%1: the venue name \"%2\" in the title is not two plain characters"_s.arg(
            where(path, lines[0]), *venue);
        ok = false;
    } else {
        card.venue = *venue;
    }
    if (const auto id = pageIdFromUrl(fields[4]); !id) {
        out.problems << u"%1: the race page URL \"%2\" has no \".\" after its fourth \"/\""_s.arg(where(path, lines[4]),
                                                                                                  fields[4]);
        ok = false;
    } else if (!isSafePageId(*id)) {
        out.problems << u"%1: the race page id \"%2\" is not plain ASCII letters and digits"_s.arg(
            where(path, lines[4]), *id);
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
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.exists()) {
        *error = u"%1: the file is missing"_s.arg(shown);
        return {};
    }
    // A FIFO would block the open and a device never ends: look before opening.
    if (!info.isFile()) {
        const QString link = info.isSymLink() ? u"; it links to %1"_s.arg(info.symLinkTarget()) : QString();
        *error = u"%1: not a regular file (%2%3), not read"_s.arg(
            shown, info.isDir() ? u"a folder"_s : u"a FIFO, socket or device"_s, link);
        return {};
    }
    if (info.size() > kMaxInputFileBytes) {
        *error =
            u"%1: the file is larger than %2 KiB (%3 bytes), not read"_s.arg(shown).arg(kMaxInputKiB).arg(info.size());
        return {};
    }
    QFile file(path);
#ifdef Q_OS_UNIX
    // The name may have been given to something else since the look: never wait in the open.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = u"%1: the file cannot be read (%2)"_s.arg(shown, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = u"%1: not a regular file, not read"_s.arg(shown);
        return {};
    }
    const bool opened = file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    if (!opened)
        ::close(fd);
#else
    const bool opened = file.open(QIODevice::ReadOnly);
#endif
    if (!opened) {
        *error = u"%1: the file cannot be read (%2)"_s.arg(shown, file.errorString());
        return {};
    }
    // The file may grow after the look; never hold more than the limit.
    const QByteArray bytes = file.read(kMaxInputFileBytes + 1);
    if (bytes.size() > kMaxInputFileBytes) {
        *error = u"%1: the file is larger than %2 KiB, not read"_s.arg(shown).arg(kMaxInputKiB);
        return {};
    }
    if (file.error() != QFileDevice::NoError) {
        *error = u"%1: the file cannot be read (%2)"_s.arg(shown, file.errorString());
        return {};
    }
    // A byte-order mark would otherwise turn into garbled characters at the start of the first field.
    for (const char* mark : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"}) {
        if (bytes.startsWith(mark)) {
            *error = u"%1: not Shift_JIS: the file starts with a %2 byte-order mark"_s.arg(
                shown, mark[0] == '\xEF' ? u"UTF-8"_s : u"UTF-16"_s);
            return {};
        }
    }
    return fromCp932(bytes);
}

bool isTimeOfDay(const QString& cut)
{
    const auto digit = [&](int i) { return cut[i] >= u'0' && cut[i] <= u'9' ? cut[i].unicode() - u'0' : -1; };
    if (cut.size() != 5 || cut[2] != u':' || digit(3) < 0 || digit(3) > 5 || digit(4) < 0)
        return false;
    if (cut[0] == u' ')
        return digit(1) >= 0;
    return digit(0) >= 0 && digit(1) >= 0 && digit(0) * 10 + digit(1) <= 23;
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

QString postTimeFromTitle(const QString& title)
{
    return withoutIdeographicSpaces(title).right(5);
}

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
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSpace() || c.isSurrogate() ||
            QStringView(u"<>:\"/\\|?*").contains(c))
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
    FreeFormatReader reader(text, FreeFormatReader::TrailingBlanks::Drop);
    QString prefix, count, unused;
    int line = 0;
    int meetings = 0;
    int raceCount = 0;
    while (out.problems.size() < kMaxInputProblems && reader.next(prefix, &line)) {
        if (++meetings > kMaxMeetings) {
            out.problems << u"%1: more than %2 meetings; the window shows at most %2 venues"_s
                                .arg(where(listPath, line))
                                .arg(kMaxMeetings);
            break;
        }
        int countLine = line;
        if (!reader.next(count, &countLine) || !reader.next(unused)) {
            out.problems << u"%1: the meeting record \"%2\" has fewer than 3 fields"_s.arg(where(listPath, line),
                                                                                           prefix);
            break;
        }
        bool ok = false;
        const int races = count.trimmed().toInt(&ok);
        if (!ok || races < 0 || races > kMaxRacesPerMeeting) {
            out.problems << u"%1: the race count \"%2\" is not a number from 0 to %3"_s
                                .arg(where(listPath, countLine), count)
                                .arg(kMaxRacesPerMeeting);
            continue;
        }
        // The prefix becomes part of file names: refuse anything that could leave the folder.
        if (prefix.isEmpty() || prefix.contains(u'/') || prefix.contains(u'\\') || prefix.contains(u"..")) {
            out.problems << u"%1: the file prefix \"%2\" cannot be part of a file name"_s.arg(where(listPath, line),
                                                                                              prefix);
            continue;
        }
        raceCount += races;
        const size_t before = out.races.size();
        for (int i = 1; i <= races && out.problems.size() < kMaxInputProblems; ++i)
            readRaceCard(QDir(cardFolder).filePath(prefix + twoDigitRace(i) + u".txt"_s), i, out);
        out.meetings.push_back({prefix, races, out.races.size() > before ? out.races[before].venue : prefix});
    }
    if (out.problems.size() >= kMaxInputProblems) {
        out.problems = out.problems.mid(0, kMaxInputProblems);
        out.problems << u"%1: reading stopped at the first %2 problems"_s.arg(QDir::toNativeSeparators(listPath))
                            .arg(kMaxInputProblems);
        return out;
    }
    // An empty schedule would poll nothing and end as if the day were done.
    if (meetings == 0)
        out.problems << u"%1: the meeting list holds no meeting"_s.arg(QDir::toNativeSeparators(listPath));
    else if (raceCount == 0 && out.problems.isEmpty())
        out.problems << u"%1: the meetings of the list have no race"_s.arg(QDir::toNativeSeparators(listPath));
    return out;
}

} // namespace kazeyomi
