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

// The first point at or after t0 of the `minutes` grid through the post time;
// `secondsToPost` is secondsUntil(t0, post). It may fall on the next day.
QDateTime nextFetchAt(const QDateTime& post, qint64 secondsToPost, int minutes);

struct IntervalChoice {
    std::optional<int> minutes; // none: keep the present next fetch time
    QString error;              // the Text5 box that cannot be used, and why
    bool raceStarted = false;   // s <= 0
};

// The interval for a row `s` seconds before its post; the start run takes Text5(3)
// for a race that has already started, the tick Text5(0). Only the boxes the chain
// reaches are read: the intervals must be whole minutes above 0, the band edges may be 0.
IntervalChoice chooseInterval(const FormState& form, qint64 s, bool startRun);

} // namespace kazeyomi
