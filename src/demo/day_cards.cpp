#include "demo/day_cards.h"

#include <QDir>

#include "foundation/day_folders.h"
#include "foundation/file_writer.h"
#include "foundation/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

Outcome writeText(const QString& path, const QString& text)
{
    return FileWriter().replace(path, toCp932(text));
}

} // namespace

QString raceCardText(const QString& venue, const CardRace& race, const QString& siteUrl)
{
    // Ideographic spaces separate the title's parts; the venue follows the first one.
    return u"\"第５回　%1　第３日　%2\",\"ダート\",1200,\"%3\",\"%4/race_info/%5.do\",\"C3\"\r\n"_s.arg(
               venue, race.postTime, race.name, siteUrl, race.pageId) +
           u"1,1,\"出走馬\",\"牡3\",56.0\r\n"_s;
}

Outcome writeDayCards(const QString& cardFolder, const std::vector<CardMeeting>& meetings, const QString& siteUrl)
{
    if (!QDir().mkpath(cardFolder))
        return {u"%1: the folder cannot be created"_s.arg(QDir::toNativeSeparators(cardFolder))};
    QString list;
    for (const auto& meeting : meetings) {
        list += u"\"%1\",%2,\"%3\"\r\n"_s.arg(meeting.prefix).arg(meeting.races.size()).arg(meeting.venue);
        for (size_t i = 0; i < meeting.races.size(); ++i) {
            const QString path = QDir(cardFolder).filePath(meeting.prefix + twoDigitRace(int(i + 1)) + u".txt"_s);
            if (Outcome written = writeText(path, raceCardText(meeting.venue, meeting.races[i], siteUrl));
                !written.ok())
                return written;
        }
    }
    return writeText(QDir(cardFolder).filePath(u"zen.txt"_s), list);
}

} // namespace kazeyomi
