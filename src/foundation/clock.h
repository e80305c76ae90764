// The one source of the local date and time: every routine asks this clock, so a
// test or the demo day can set the moment and the speed at which time passes.
#pragma once

#include <optional>

#include <QDateTime>
#include <QElapsedTimer>

namespace kazeyomi {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// Starts at a chosen moment (or the real time) and runs on at `speed` times real time.
class RunningClock final : public Clock {
public:
    explicit RunningClock(std::optional<QDateTime> start = std::nullopt, double speed = 1.0);
    QDateTime now() const override;
    double speed() const { return m_speed; }

private:
    QDateTime m_start;
    double m_speed;
    QElapsedTimer m_elapsed;
    bool m_real;
};

} // namespace kazeyomi
