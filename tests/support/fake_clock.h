// A clock that stands still until the test moves it.
#pragma once

#include "foundation/clock.h"

namespace kazeyomi::test {

class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime now) : m_now(std::move(now)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& now) { m_now = now; }
    void advance(qint64 seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};

} // namespace kazeyomi::test
