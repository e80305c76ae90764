#include "session/startup.h"

#include <QDir>
#include <QFileInfo>

#include "foundation/card_files.h"
#include "foundation/clock.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "schedule/schedule_grid.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

QString startupNotice(const Clock& clock)
{
    const QDate today = clock.now().date();
    return u"　出 馬 情 報 取 得 中    "_s + QString::number(today.month()) + u"月"_s + today.toString(u"dd"_s) +
           u"日"_s;
}

StartupResult Form_Initialize(FormState& form, const DayFolders& folders, const Clock& clock)
{
    StartupResult result;
    form.showNotice(startupNotice(clock));
    form.hideStartupControls();

    const auto meetingListMissing = [&](const QString& why) {
        form.closeNotice();
        result.outcome = StartupResult::Outcome::MeetingListMissing;
        result.title = kMissingMeetingListTitle;
        result.message = kMissingMeetingListText;
        result.detail = why;
        return result;
    };
    // A mistyped base folder holds no meeting list: say so, and leave no stray folders behind.
    if (!QFileInfo(folders.baseDir()).isDir())
        return meetingListMissing(
            u"The base folder %1 does not exist (it is set by --base, KAZEYOMI_BASE or base in "
            "kazeyomi.ini); nothing was created."_s.arg(QDir::toNativeSeparators(folders.baseDir())));
    const QString cardFolder = folders.cardFolder();
    const bool cardFolderExisted = QFileInfo(cardFolder).isDir();
    QStringList problems = folders.createAll();
    if (problems.isEmpty()) {
        const CardReading cards = readDayCards(cardFolder);
        if (cards.meetingListMissing && !cardFolderExisted)
            return meetingListMissing(u"No card folder for %1: %2 did not exist (it has been made now, empty)."_s.arg(
                clock.now().date().toString(u"yyyy-MM-dd"_s), QDir::toNativeSeparators(cardFolder)));
        if (cards.meetingListMissing)
            return meetingListMissing(
                u"Missing zen.txt at %1."_s.arg(QDir::toNativeSeparators(QDir(cardFolder).filePath(u"zen.txt"_s))));
        problems += cards.problems;
        int groups = 0;
        QString previous;
        for (const RaceCard& card : cards.races) {
            if (card.venue != previous)
                ++groups;
            previous = card.venue;
        }
        if (groups > FormState::kVenueBoxes)
            problems << u"%1: the meetings form %2 venue groups; at most %3 can be shown"_s
                            .arg(QDir::toNativeSeparators(QDir(cardFolder).filePath(u"zen.txt"_s)))
                            .arg(groups)
                            .arg(FormState::kVenueBoxes);
        // Never leave a half-built schedule: either every race is in, or start-up stops.
        if (problems.isEmpty()) {
            fillScheduleGrid(form.grid(Grid::VSFlexGrid8), cards.races);
            form.meetings = cards.meetings;
        }
    }
    form.closeNotice();
    if (!problems.isEmpty()) {
        result.outcome = StartupResult::Outcome::Problems;
        result.title = u"Kazeyomi"_s;
        result.message = u"The day's schedule cannot be built:\n"_s + problems.join(u'\n');
        return result;
    }
    Command12_Click(form);
    return result;
}

void Command12_Click(FormState& form)
{
    for (int i = 0; i < FormState::kVenueBoxes; ++i) {
        FormState::VenueBox box = form.venueBox(i);
        box.visible = false;
        form.setVenueBox(i, box);
    }
    const GridModel& schedule = form.grid(Grid::VSFlexGrid8);
    QString previous = u"tom"_s; // equals no venue, so the first row opens a box
    int k = 0;
    for (int r = 1; r < schedule.rows(); ++r) {
        const QString venue = schedule.textMatrix(r, ScheduleColumn::Venue);
        if (venue == previous)
            continue;
        // More groups than boxes were refused at start-up; a later grid load may still hold more.
        if (k >= FormState::kVenueBoxes)
            break;
        form.setVenueBox(k, {true, venue, true});
        previous = venue;
        ++k;
    }
}

} // namespace kazeyomi
