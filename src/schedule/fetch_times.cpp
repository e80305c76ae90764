#include "schedule/fetch_times.h"

#include <cmath>

#include "foundation/controls.h"
#include "foundation/form_state.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

std::optional<QDateTime> todayAt(const QDateTime& t0, const QString& hhmm)
{
    QTime time = QTime::fromString(hhmm.trimmed(), u"hh:mm"_s);
    if (!time.isValid())
        time = QTime::fromString(hhmm.trimmed(), u"h:mm"_s);
    if (!time.isValid())
        return std::nullopt;
    return QDateTime(t0.date(), time);
}

std::optional<qint64> secondsUntil(const QDateTime& t0, const QString& hhmm)
{
    const auto target = todayAt(t0, hhmm);
    if (!target)
        return std::nullopt;
    // Whole seconds: the fraction of t0 is dropped, so 14:59:59.7 is one second before 15:00.
    const QDateTime from(t0.date(), QTime(t0.time().hour(), t0.time().minute(), t0.time().second()));
    return from.secsTo(*target);
}

QDateTime nextFetchAt(const QDateTime& post, qint64 secondsToPost, int minutes)
{
    const qint64 step = qint64(minutes) * 60;
    const qint64 k = -qint64(std::floor(double(secondsToPost) / double(step)));
    return post.addSecs(k * step);
}

IntervalChoice chooseInterval(const FormState& form, qint64 s, bool startRun)
{
    constexpr int kMaxMinutes = 24 * 60;
    IntervalChoice choice;
    // An interval divides the time to the post, so it must be above 0; a band edge may be 0.
    const auto box = [&](int index, int lowest) -> std::optional<int> {
        bool ok = false;
        const QString text = form.text(Control::intervalBox(index));
        const int value = text.trimmed().toInt(&ok);
        if (!ok || value < lowest || value > kMaxMinutes) {
            choice.error =
                u"fetch interval Text5(%1) \"%2\" is not a whole number of minutes from %3 to %4"_s.arg(index)
                    .arg(text)
                    .arg(lowest)
                    .arg(kMaxMinutes);
            return std::nullopt;
        }
        return value;
    };
    const auto interval = [&](int index) { return box(index, 1); };
    const auto edge = [&](int index) { return box(index, 0); };
    if (s <= 0) {
        choice.raceStarted = true;
        choice.minutes = interval(startRun ? 3 : 0);
        return choice;
    }
    const auto finalBand = edge(2);
    if (!finalBand)
        return choice;
    if (s < qint64(*finalBand) * 60) {
        choice.minutes = interval(3);
        return choice;
    }
    const auto middleBand = edge(1);
    if (!middleBand)
        return choice;
    if (s < qint64(*middleBand) * 60)
        choice.minutes = interval(4);
    else if (s > qint64(*middleBand) * 60)
        choice.minutes = interval(5);
    return choice; // exactly at the middle band's start: no new time
}

} // namespace kazeyomi
