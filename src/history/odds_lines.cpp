#include "history/odds_lines.h"

#include <QFile>

#include "foundation/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// Fields of each file family: horses in 8 characters, pairs in 13, triples in 16.
int fieldWidth(const QString& extension)
{
    if (extension == u".tanA"_s || extension == u".Fuk1"_s || extension == u".Fuk2"_s)
        return 8;
    if (extension == u".3fuku"_s || extension == u".3tan"_s)
        return 16;
    return 13;
}

constexpr int kWinPlaceFields = 16;

} // namespace

const QList<OddsFileKind>& oddsFileKinds()
{
    static const QList<OddsFileKind> kinds = {
        {u".tanA"_s, BetType::Win},      {u".Fuk1"_s, BetType::Place},  {u".Fuk2"_s, BetType::Place},
        {u".uren"_s, BetType::Quinella}, {u".utan"_s, BetType::Exacta}, {u".wideL"_s, BetType::Wide},
        {u".wideH"_s, BetType::Wide},    {u".3fuku"_s, BetType::Trio},  {u".3tan"_s, BetType::Trifecta},
    };
    return kinds;
}

OddsLine parseOddsLine(const QString& extension, const QString& line)
{
    OddsLine parsed;
    QString rest = line;
    while (rest.endsWith(u'\r') || rest.endsWith(u'\n'))
        rest.chop(1);
    if (rest.size() >= 5 && rest[2] == u':') {
        parsed.time = rest.left(5);
        rest = rest.mid(5);
    }
    const int width = fieldWidth(extension);
    if (width == 8) {
        // The append drops the leading blanks of the line: without a time stamp they are the
        // first field's, so the fields are counted from the end.
        rest = rest.rightJustified(width * kWinPlaceFields, u' ');
        for (int h = 0; h < kWinPlaceFields; ++h)
            parsed.fields << FileField{QString::number(h + 1).rightJustified(2, u'0'),
                                       rest.mid(qsizetype(h) * width, width).trimmed()};
        return parsed;
    }
    const int label = width == 13 ? 5 : 8;
    for (qsizetype at = 0; at + width <= rest.size(); at += width)
        parsed.fields << FileField{rest.mid(at, label), rest.mid(at + label, width - label).trimmed()};
    return parsed;
}

QString lastLineOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A trifecta line of sixteen runners is some 60,000 characters; the file grows all day.
    qint64 window = 1 << 17;
    for (;;) {
        const qint64 from = std::max<qint64>(0, file.size() - window);
        file.seek(from);
        QByteArray tail = file.readAll();
        while (tail.endsWith('\n') || tail.endsWith('\r'))
            tail.chop(1);
        const qsizetype start = tail.lastIndexOf('\n');
        if (start >= 0 || from == 0)
            return fromCp932(tail.mid(start + 1));
        window *= 4;
    }
}

QStringList linesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        QByteArray bytes = raw;
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        if (!bytes.isEmpty())
            lines << fromCp932(bytes);
    }
    return lines;
}

} // namespace kazeyomi
