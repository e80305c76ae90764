#include "odds/capture/odds_scrape.h"

#include <algorithm>

#include <QStringView>

namespace kazeyomi {

using namespace Qt::StringLiterals;

int horsesShown(const QString& cellLines)
{
    int most = 0;
    for (QStringView line : QStringView(cellLines).split(u'\n')) {
        const qsizetype end = line.indexOf(u"</th>"_s);
        if (end <= 0)
            continue;
        bool number = false;
        const int horse = line.left(end).trimmed().toInt(&number);
        if (number && horse > 0)
            most = std::max(most, horse);
    }
    return most;
}

QString horseCountMismatch(const QString& betType, int shown, int runners)
{
    if (shown == 0 || shown == runners)
        return {};
    return u"the %1 page shows %2 horses, the win/place page %3"_s.arg(betType).arg(shown).arg(runners);
}

} // namespace kazeyomi
