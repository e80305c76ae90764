// When a race is fetched next: the interval follows its post time (every 10 minutes
// until an hour before, every 4 until 20 minutes before, every minute until the post,
// every 2 after it; the minutes come from the Text5 boxes).
#pragma once

#include <optional>

#include <QDateTime>
#include <QString>

namespace kazeyomi {

class FormState;

// Today's date (that of t0) at "hh:mm", seconds 00; none for a text that is no time.
std::optional<QDateTime> todayAt(const QDateTime& t0, const QString& hhmm);
// Whole seconds from t0 to todayAt(hhmm); negative once passed.
std::optional<qint64> secondsUntil(const QDateTime& t0, const QString& hhmm);

// The first point at or after t0 of the `minutes` grid through the post time, "hh:mm";
// `secondsToPost` is secondsUntil(t0, post).
QString nextFetchTime(const QDateTime& post, qint64 secondsToPost, double minutes);

struct IntervalChoice {
    std::optional<double> minutes; // none: keep the present next fetch time
    QString error;                 // a Text5 box that is not a positive number
    bool raceStarted = false;      // s <= 0
};

// The interval for a row `s` seconds before its post; the start run takes Text5(3)
// for a race that has already started, the tick Text5(0).
IntervalChoice chooseInterval(const FormState& form, qint64 s, bool startRun);

} // namespace kazeyomi
