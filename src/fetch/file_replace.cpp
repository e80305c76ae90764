#include "fetch/file_replace.h"

#include <QDir>
#include <QFile>

#include "foundation/file_writer.h"
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

Counted File_Replace(const QString& source, const QString& destination, const QString& search,
                     const QString& replacement, const FileDevices& devices)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return {{u"%1: cannot be read (%2)"_s.arg(QDir::toNativeSeparators(source), in.errorString())}};
    const QStringList lines = splitLines(fromCp932(in.readAll()));
    if (in.error() != QFileDevice::NoError)
        return {{u"%1: cannot be read (%2)"_s.arg(QDir::toNativeSeparators(source), in.errorString())}};
    const QString needle = lowerAscii(search);
    int count = 0;
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
    Counted result{FileWriter(devices).write(destination, toCp932(text))};
    result.count = count;
    return result;
}

} // namespace kazeyomi
