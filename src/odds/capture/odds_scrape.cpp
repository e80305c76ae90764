#include "odds/capture/odds_scrape.h"

#include <algorithm>

#include <QStringView>

#include "scraping/text_helpers.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// The horse heading one line's cell: the text before "</th>", 0 when it is no number.
int headNumber(QStringView head)
{
    // A plain number of one or two digits is the usual case; anything else is read the long way.
    if (head.size() <= 2 && std::all_of(head.begin(), head.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        int horse = 0;
        for (QChar c : head)
            horse = horse * 10 + (c.unicode() - u'0');
        return horse;
    }
    bool number = false;
    const int horse = head.trimmed().toInt(&number);
    return number ? horse : 0;
}

} // namespace

int horsesShown(const QString& cellLines)
{
    static constexpr char16_t kHeadEnd[] = u"</th>";
    constexpr qsizetype kHeadEndSize = 5;
    const char16_t* units = reinterpret_cast<const char16_t*>(cellLines.constData());
    const qsizetype size = cellLines.size();
    int most = 0;
    for (qsizetype lineStart = 0; lineStart < size;) {
        const qsizetype lineEnd = findUnit(units, lineStart, size, u'\n');
        // The line's first "</th>".
        for (qsizetype at = findUnit(units, lineStart, lineEnd, u'<'); at < lineEnd;
             at = findUnit(units, at + 1, lineEnd, u'<')) {
            if (lineEnd - at >= kHeadEndSize && std::equal(kHeadEnd, kHeadEnd + kHeadEndSize, units + at)) {
                if (at > lineStart)
                    most = std::max(most, headNumber(QStringView(units + lineStart, at - lineStart)));
                break;
            }
        }
        lineStart = lineEnd + 1;
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
