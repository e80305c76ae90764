#include "scraping/text_helpers.h"

#include <algorithm>

#include <utility>

#include <QStringView>

namespace kazeyomi {

using namespace Qt::StringLiterals;

QString upperAscii(const QString& text)
{
    const auto lower = [](QChar c) { return c.unicode() >= u'a' && c.unicode() <= u'z'; };
    const auto first = std::find_if(text.cbegin(), text.cend(), lower);
    // Most lines are upper case already: they are shared, not copied.
    if (first == text.cend())
        return text;
    QString out = text;
    for (auto it = out.begin() + (first - text.cbegin()); it != out.end(); ++it)
        if (lower(*it))
            *it = QChar(it->unicode() - (u'a' - u'A'));
    return out;
}

QString Moji_get(QString& tmp, QString& ststr, QString& edstr)
{
    tmp = upperAscii(tmp);
    ststr = upperAscii(ststr);
    edstr = upperAscii(edstr);
    const qsizetype end = tmp.indexOf(edstr);
    const qsizetype start = tmp.indexOf(ststr);
    if (end < 0 || start < 0)
        return {};
    const qsizetype length = end - start - ststr.size();
    if (length < 0)
        throw CutError("marker cut: the end marker stands before the start marker");
    return tmp.mid(start + ststr.size(), length);
}

QString Moji_get(QString& tmp, const QString& ststr, const QString& edstr)
{
    QString st = ststr;
    QString ed = edstr;
    return Moji_get(tmp, st, ed);
}

namespace {

char16_t upperUnit(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

} // namespace

qsizetype indexOfUpperCased(QStringView text, QStringView upperNeedle)
{
    if (upperNeedle.isEmpty())
        return 0;
    // The lines cut are short: a plain loop beats a search that prepares itself first.
    const char16_t* units = text.utf16();
    const char16_t* needle = upperNeedle.utf16();
    const qsizetype size = upperNeedle.size();
    const qsizetype last = text.size() - size;
    const char16_t first = needle[0];
    // A first character that is no letter only matches itself: a plain look for it is quickest.
    const bool letter = (first >= u'A' && first <= u'Z') || (first >= u'a' && first <= u'z');
    for (qsizetype at = 0; at <= last; ++at) {
        if (letter) {
            while (at <= last && upperUnit(units[at]) != first)
                ++at;
        } else {
            while (at <= last && units[at] != first)
                ++at;
        }
        if (at > last)
            break;
        qsizetype k = 1;
        while (k < size && upperUnit(units[at + k]) == needle[k])
            ++k;
        if (k == size)
            return at;
    }
    return -1;
}

std::optional<QStringView> cutViewUpperCased(QStringView line, QStringView upperStart, QStringView upperEnd)
{
    const qsizetype end = indexOfUpperCased(line, upperEnd);
    const qsizetype start = indexOfUpperCased(line, upperStart);
    if (end < 0 || start < 0)
        return QStringView();
    const qsizetype length = end - start - upperStart.size();
    if (length < 0)
        return std::nullopt;
    return line.mid(start + upperStart.size(), length);
}

QString upperAscii(QStringView text)
{
    QString out = text.toString();
    for (QChar& c : out)
        c = QChar(upperUnit(c.unicode()));
    return out;
}

QString cutUpperCased(QStringView line, QStringView upperStart, QStringView upperEnd)
{
    const std::optional<QStringView> cut = cutViewUpperCased(line, upperStart, upperEnd);
    if (!cut)
        throw CutError("marker cut: the end marker stands before the start marker");
    return upperAscii(*cut);
}

QString Trio_key(qint16& a, qint16& b, qint16& c)
{
    if (!(a > b))
        std::swap(a, b);
    if (!(a > c))
        std::swap(a, c);
    if (!(b > c))
        std::swap(b, c);
    // Written straight into the key: the writers make one for every trio of a race.
    char16_t key[3 * 6 + 2];
    qsizetype size = 0;
    const auto put = [&](qint16 number) {
        char16_t digits[6];
        int n = 0;
        // Widened first: the smallest 16-bit number has no positive counterpart.
        int value = number;
        const bool negative = value < 0;
        unsigned magnitude = negative ? unsigned(-value) : unsigned(value);
        do {
            digits[n++] = char16_t(u'0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (negative)
            key[size++] = u'-';
        while (n > 0)
            key[size++] = digits[--n];
    };
    put(a);
    key[size++] = u'-';
    put(b);
    key[size++] = u'-';
    put(c);
    return QString(reinterpret_cast<const QChar*>(key), size);
}

} // namespace kazeyomi
