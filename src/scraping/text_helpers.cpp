#include "scraping/text_helpers.h"

#include <algorithm>

#include <utility>

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

// Where `upperNeedle` first stands in the text as upper-cased by upperAscii.
qsizetype indexOfUpperCased(QStringView text, QStringView upperNeedle)
{
    const auto upper = [](QChar c) {
        return c.unicode() >= u'a' && c.unicode() <= u'z' ? QChar(c.unicode() - (u'a' - u'A')) : c;
    };
    const qsizetype last = text.size() - upperNeedle.size();
    for (qsizetype at = 0; at <= last; ++at) {
        qsizetype k = 0;
        while (k < upperNeedle.size() && upper(text[at + k]) == upperNeedle[k])
            ++k;
        if (k == upperNeedle.size())
            return at;
    }
    return -1;
}

} // namespace

QString cutUpperCased(QStringView line, QStringView upperStart, QStringView upperEnd)
{
    const qsizetype end = indexOfUpperCased(line, upperEnd);
    const qsizetype start = indexOfUpperCased(line, upperStart);
    if (end < 0 || start < 0)
        return {};
    const qsizetype length = end - start - upperStart.size();
    if (length < 0)
        throw CutError("marker cut: the end marker stands before the start marker");
    return upperAscii(line.mid(start + upperStart.size(), length).toString());
}

QString Trio_key(qint16& a, qint16& b, qint16& c)
{
    if (!(a > b))
        std::swap(a, b);
    if (!(a > c))
        std::swap(a, c);
    if (!(b > c))
        std::swap(b, c);
    return QString::number(a) + u'-' + QString::number(b) + u'-' + QString::number(c);
}

} // namespace kazeyomi
