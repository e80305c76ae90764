#include "racecards/race_card_file.h"

#include <iterator>

#include <QDir>
#include <QFileInfo>

#include "foundation/controls.h"
#include "foundation/day_folders.h"
#include "foundation/file_writer.h"
#include "foundation/form_state.h"
#include "foundation/notifier.h"
#include "foundation/text_codec.h"
#include "foundation/text_fields.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr int kCardRows = 16;
// Column 10 ("変更") goes out twice: other programs read twelve fields.
constexpr int kFieldColumns[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10};

} // namespace

QByteArray raceCardFileBytes(const FormState& form, QStringList* notices)
{
    const GridModel& grid = form.grid(Grid::VSFlexGrid2);
    QString text = form.text(Control::Text6) + u",aa,bb,cc\r\n"_s;
    for (int r = 1; r <= kCardRows && r < grid.rows(); ++r) {
        if (trimSpaces(grid.textMatrix(r, 1)).isEmpty())
            continue;
        QStringList fields;
        for (size_t i = 0; i < std::size(kFieldColumns); ++i) {
            const int c = kFieldColumns[i];
            QString field = trimSpaces(grid.textMatrix(r, c));
            if (field.contains(u',')) {
                // Column 10 goes out twice but is one cell: named once.
                if (notices && i + 1 < std::size(kFieldColumns))
                    *notices << u"VSFlexGrid2 row %1 column %2 \"%3\": its comma is written as \"，\" to keep the "
                                "line's twelve fields"_s.arg(r)
                                    .arg(c)
                                    .arg(field);
                field.replace(u',', QChar(0xFF0C));
            }
            fields << field;
        }
        text += fields.join(u',') + u"\r\n"_s;
    }
    return toCp932(text);
}

bool isScheduleCardFile(const FormState& form, const QString& fileName)
{
    for (const Meeting& meeting : form.meetings)
        for (int race = 1; race <= meeting.races; ++race)
            if (meeting.prefix + twoDigitRace(race) + u".txt"_s == fileName)
                return true;
    return false;
}

CardWrite Command1_Click(const FormState& form, const DayFolders& folders, Notifier& notifier,
                         ScheduleCardReplace policy, const FileDevices* devices)
{
    CardWrite out;
    const FormState::CardInGrid& card = form.cardInGrid;
    if (card.race == 0) {
        out.error = u"no race card has been captured: press a race button first; nothing is written"_s;
        return out;
    }
    const QString name = card.venue + twoDigitRace(card.race) + u".txt"_s;
    out.path = QDir(folders.cardFolder()).filePath(name);
    out.replacedSchedule = isScheduleCardFile(form, name) && QFileInfo::exists(out.path);
    if (out.replacedSchedule && policy == ScheduleCardReplace::Refuse) {
        out.error = u"%1 is the race card file today's schedule was read from; the captured card has no post time and "
                    "no race page URL in its first line, so replacing it would stop every start-up today. Nothing "
                    "is written (--replace writes it anyway)"_s.arg(QDir::toNativeSeparators(out.path));
        return out;
    }
    if (out.replacedSchedule && policy == ScheduleCardReplace::Ask) {
        const QString question =
            u"%1 is the race card file today's schedule was read from. The captured card has no post time "
            "and no race page URL in its first line, so the next start-up today cannot build the row of "
            "%2 %3R from it.\n\nReplace it?"_s.arg(QDir::toNativeSeparators(out.path), card.venue)
                .arg(card.race);
        if (!notifier.ask(u"Kazeyomi"_s, question)) {
            out.cancelled = true;
            return out;
        }
    }
    const FileWriter writer(devices ? *devices : realFiles());
    if (const Outcome written = writer.replace(out.path, raceCardFileBytes(form, &out.notices)); !written.ok())
        out.error = written.error;
    return out;
}

} // namespace kazeyomi
