#include "scraping/text_helpers.h"

#include <utility>

namespace kazeyomi {

using namespace Qt::StringLiterals;

QString upperAscii(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() >= u'a' && c.unicode() <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
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

QString Trio_key(qint16& a, qint16& b, qint16& c)
{
    if (!(a > b))
        std::swap(a, b);
    if (!(a > c))
        std::swap(a, c);
    if (!(b > c))
        std::swap(b, c);
    return u"%1-%2-%3"_s.arg(a).arg(b).arg(c);
}

} // namespace kazeyomi
