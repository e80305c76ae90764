#include "support/card_folder.h"

#include <QDir>
#include <QTime>

#include "support/files.h"

namespace kazeyomi::test {

using namespace Qt::StringLiterals;

QString raceCardText(const QString& venue, const QString& postTime, const QString& raceName, const QString& url)
{
    return u"\"第５回　%1　第３日　%2\",\"2025年12月5日(金)\",1200,\"%3\",\"%4\",\"\"\r\n"_s
               .arg(venue, postTime, raceName, url)
           + u"1,1,\"ホース\",\"牡3\"\r\n"_s;
}

void writeCardFolder(const QString& cardFolder, const std::vector<MeetingSpec>& meetings)
{
    QString list;
    for (const auto& m : meetings) {
        list += u"\"%1\",%2,\"%3\"\r\n"_s.arg(m.prefix).arg(m.races).arg(m.venue);
        const QTime first = QTime::fromString(m.firstPost, u"hh:mm"_s);
        for (int race = 1; race <= m.races; ++race) {
            const QString two = QString::number(race).rightJustified(2, u'0');
            const QString post = first.addSecs(30 * 60 * (race - 1)).toString(u"hh:mm"_s);
            const QString url = u"https://site.example/race_info/%1%2.do"_s.arg(m.idBase, two);
            writeCp932(QDir(cardFolder).filePath(m.prefix + two + u".txt"_s),
                       raceCardText(m.venue, post, u"第%1競走"_s.arg(race), url));
        }
    }
    writeCp932(QDir(cardFolder).filePath(u"zen.txt"_s), list);
}

} // namespace kazeyomi::test
