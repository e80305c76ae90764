// The lines of the odds history files read back into their fields: the time stamp and, for
// each horse, pair or triple, its label and value as the file holds them.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "structure/page_reading.h"

namespace kazeyomi {

struct FileField {
    QString combination; // as the file labels it: "03", "03-07", "02-01-03"
    QString value;       // trimmed: "12.3", "***", "0.0", "" (a blank field)
};

struct OddsLine {
    QString time; // "hh:mm", empty when the line has none
    QList<FileField> fields;
};

// The odds history files, by extension, and the bet type each holds.
struct OddsFileKind {
    QString extension; // ".tanA"
    BetType type;
};
const QList<OddsFileKind>& oddsFileKinds();

// One line of a history file with the given extension (CR LF already gone).
OddsLine parseOddsLine(const QString& extension, const QString& line);

// The last line of a history file, read from its end; empty when there is none.
QString lastLineOf(const QString& path);
// Every line of a history file, oldest first.
QStringList linesOf(const QString& path);

} // namespace kazeyomi
