// How routines speak to the user: a message box in the window, standard error without one.
#pragma once

#include <QString>

namespace kazeyomi {

class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void tell(const QString& title, const QString& text) = 0;
    // OK/Cancel question with Cancel as the default; true for OK.
    virtual bool ask(const QString& title, const QString& text) = 0;
};

} // namespace kazeyomi
