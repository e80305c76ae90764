#include "racecards/meeting_choice.h"

#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "racecards/venue_codes.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

Outcome chooseMeeting(FormState& form, const VenueCodes& codes, int index)
{
    if (index < 0 || size_t(index) >= form.meetings.size())
        return {u"there is no meeting %1 in the meeting list (%2 meetings)"_s.arg(index + 1).arg(form.meetings.size())};
    const Meeting& meeting = form.meetings[size_t(index)];
    form.setText(Control::Text4, QString::number(index + 1));
    const auto code = codes.code(meeting.venue);
    form.setText(Control::Text2, code.value_or(QString()));
    if (!code)
        return {u"%1 (meeting %2, files %3..): the regional portal's venue code of %1 is not known, so its race "
                "cards cannot be captured; add it to kazeyomi.ini as venue_codes = %1:<code>"_s.arg(meeting.venue)
                    .arg(index + 1)
                    .arg(meeting.prefix)};
    return {};
}

std::optional<Meeting> chosenMeeting(const FormState& form)
{
    bool ok = false;
    const int row = form.text(Control::Text4).toInt(&ok);
    if (!ok || row < 1 || size_t(row) > form.meetings.size())
        return std::nullopt;
    return form.meetings[size_t(row - 1)];
}

} // namespace kazeyomi
