// What the window's buttons do, by control name ("Command2", "Option2_4"): the window only
// forwards clicks, so the headless mode can run the very same handlers.
#pragma once

#include <QString>

namespace kazeyomi {

class FormActions {
public:
    virtual ~FormActions() = default;
    virtual void click(const QString& control) = 0;
};

} // namespace kazeyomi
