// Command1: the race card in VSFlexGrid2 as a file of the card folder, named after the race
// whose card it is, for other programs to read.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kazeyomi {

class DayFolders;
class FileDevices;
class FormState;
class Notifier;

// The file's bytes: Text6 with ",aa,bb,cc", then twelve fields for each of rows 1 to 16
// with a horse number; CP932, CR LF. The fields are not quoted, so a comma in a cell is
// written as a full-width "，" and the line keeps its twelve fields; each such cell is
// named in `notices`.
QByteArray raceCardFileBytes(const FormState& form, QStringList* notices = nullptr);

// A card file of that name may be the one start-up built the day's schedule from; its first
// line would then lack the post time and page URL that the next start-up needs.
enum class ScheduleCardReplace {
    Ask,    // the window: OK replaces it, Cancel (the default) writes nothing
    Refuse, // the card command without --replace: nothing is written, and the error says so
    Write   // the card command with --replace: written, and the caller says so
};

struct [[nodiscard]] CardWrite {
    QString error; // names the path
    QString path;
    bool cancelled = false;        // the user kept the schedule's card file
    bool replacedSchedule = false; // the file written is one the schedule was read from
    QStringList notices;           // cells whose commas were written as "，"
    bool ok() const { return error.isEmpty(); }
};

// True when start-up read the day's schedule from `fileName` (a name in the card folder).
bool isScheduleCardFile(const FormState& form, const QString& fileName);

CardWrite Command1_Click(const FormState& form, const DayFolders& folders, Notifier& notifier,
                         ScheduleCardReplace policy, const FileDevices* devices = nullptr);

} // namespace kazeyomi
