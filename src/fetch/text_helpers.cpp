#include "fetch/text_helpers.h"

#include <utility>

#include <QFile>

#include "fetch/page_reader.h"
#include "shell/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

QString trimSpaces(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == u' ')
        ++start;
    while (end > start && text[end - 1] == u' ')
        --end;
    return text.mid(start, end - start);
}

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

namespace {

QString lowerAscii(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return out;
}

} // namespace

int File_Replace(const QString& source, const QString& destination, const QString& search,
                 const QString& replacement)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return -1;
    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    const QString needle = lowerAscii(search);
    int count = 0;
    bool failed = false;
    const QStringList lines = splitLines(fromCp932(in.readAll()));
    failed = in.error() != QFileDevice::NoError;
    QString text;
    for (const QString& line : lines) {
        // The search goes on after each replacement, so it only ever sees the line's own
        // text: one lower-cased copy serves the whole line.
        const QString lower = needle.isEmpty() ? QString() : lowerAscii(line);
        qsizetype from = 0;
        for (qsizetype p = lower.indexOf(needle); !needle.isEmpty() && p >= 0; p = lower.indexOf(needle, from)) {
            text += QStringView(line).mid(from, p - from);
            text += replacement;
            from = p + needle.size();
            ++count;
        }
        text += QStringView(line).mid(from);
        text += u"\r\n"_s;
    }
    const QByteArray bytes = toCp932(text);
    if (out.write(bytes) != bytes.size() || !out.flush())
        failed = true;
    return failed ? -2 : count;
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
