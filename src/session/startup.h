// Start-up of the main window: notice, folders, meeting list, schedule grid, venue boxes.
#pragma once

#include <QString>
#include <QStringList>

namespace kazeyomi {

class Clock;
class DayFolders;
class FormState;

struct [[nodiscard]] StartupResult {
    enum class Outcome { Ready, MeetingListMissing, Problems };
    Outcome outcome = Outcome::Ready;
    QString title;   // message box title when not ready
    QString message; // every problem, one a line
    QString detail;  // shown beneath the message: the path concerned and why start-up stopped
    bool ok() const { return outcome == Outcome::Ready; }
};

inline const QString kMissingMeetingListTitle = QStringLiteral("Hayatori");
inline const QString kMissingMeetingListText = QStringLiteral("開催情報を取得してから実行してください。");

// "　出 馬 情 報 取 得 中    12月05日"
QString startupNotice(const Clock& clock);

StartupResult Form_Initialize(FormState& form, const DayFolders& folders, const Clock& clock);

// Rebuilds the venue boxes Check2(0..5) from the schedule grid, all ticked.
void Command12_Click(FormState& form);

} // namespace kazeyomi
