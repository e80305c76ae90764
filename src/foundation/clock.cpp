#include "foundation/clock.h"

namespace kazeyomi {

RunningClock::RunningClock(std::optional<QDateTime> start, double speed)
    : m_start(start.value_or(QDateTime::currentDateTime())), m_speed(speed), m_real(!start && speed == 1.0)
{
    m_elapsed.start();
}

QDateTime RunningClock::now() const
{
    if (m_real)
        return QDateTime::currentDateTime();
    return m_start.addMSecs(qint64(double(m_elapsed.elapsed()) * m_speed));
}

} // namespace kazeyomi
