// A notifier with no one to tell: it keeps what it was told and gives one answer to every question.
#pragma once

#include <QStringList>

#include "foundation/notifier.h"

namespace kazeyomi::test {

class QuietNotifier final : public Notifier {
public:
    explicit QuietNotifier(bool answer = false) : m_answer(answer) {}
    QStringList told; // "title: text"
    void tell(const QString& title, const QString& text) override { told << title + QStringLiteral(": ") + text; }
    bool ask(const QString&, const QString&) override { return m_answer; }

private:
    bool m_answer;
};

} // namespace kazeyomi::test
