#include "fetch/file_replace.h"

#include <QFile>

#include "foundation/text_codec.h"
#include "foundation/text_fields.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

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

} // namespace kazeyomi
