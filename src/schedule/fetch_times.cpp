#include "schedule/fetch_times.h"

#include <cmath>

#include "shell/form_state.h"

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

QString nextFetchTime(const QDateTime& post, qint64 secondsToPost, double minutes)
{
    const double step = minutes * 60;
    const qint64 k = -qint64(std::floor(double(secondsToPost) / step));
    return post.addSecs(qint64(std::llround(double(k) * step))).toString(u"HH:mm"_s);
}

IntervalChoice chooseInterval(const FormState& form, qint64 s, bool startRun)
{
    IntervalChoice choice;
    const auto box = [&](int index) -> std::optional<double> {
        bool ok = false;
        const QString text = form.text(FormState::intervalBox(index));
        const double value = text.trimmed().toDouble(&ok);
        if (!ok || value <= 0 || value > 24 * 60) {
            choice.error = u"fetch interval Text5(%1) \"%2\" is not a number of minutes"_s.arg(index).arg(text);
            return std::nullopt;
        }
        return value;
    };
    if (s <= 0) {
        choice.raceStarted = true;
        choice.minutes = box(startRun ? 3 : 0);
        return choice;
    }
    const auto finalBand = box(2);
    const auto middleBand = box(1);
    if (!finalBand || !middleBand)
        return choice;
    if (s < *finalBand * 60)
        choice.minutes = box(3);
    else if (s < *middleBand * 60)
        choice.minutes = box(4);
    else if (s > *middleBand * 60)
        choice.minutes = box(5);
    return choice; // exactly at the middle band's start: no new time
}

} // namespace kazeyomi
