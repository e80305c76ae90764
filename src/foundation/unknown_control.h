// The error of asking the form for a control it does not have: a misspelt name, never a user's
// doing. On its own so that code which only lets it pass need not know the form.
#pragma once

#include <stdexcept>

#include <QString>

namespace kazeyomi {

class UnknownControl : public std::logic_error {
public:
    explicit UnknownControl(const QString& name)
        : std::logic_error("no text control named \"" + name.toStdString() + "\""), m_name(name)
    {
    }
    const QString& name() const { return m_name; }

private:
    QString m_name;
};

} // namespace kazeyomi
