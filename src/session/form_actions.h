// What the window's buttons and choices do, by control name ("Command2", "Option2_4"): the window
// only forwards them, so the headless mode can run the very same handlers.
#pragma once

#include <QString>

#include "foundation/outcome.h"

namespace kazeyomi {

class FormActions {
public:
    virtual ~FormActions() = default;
    virtual void click(const QString& control) = 0;
    // The meeting the race buttons capture cards for, as a row of the meeting list from 0.
    [[nodiscard]] virtual Outcome chooseMeeting(int index) = 0;
};

} // namespace kazeyomi
