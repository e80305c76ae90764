// The columns of the schedule grid VSFlexGrid8 and the values that mean something in them.
// Kept here, low in the tree, because the scrapers mark the schedule as well as the fetch cycle.
#pragma once

#include <QString>

namespace kazeyomi {

namespace ScheduleColumn {
inline constexpr int Venue = 1;
inline constexpr int Race = 2;      // race number within its meeting, no leading zero
inline constexpr int PostTime = 3;  // "hh:mm"
inline constexpr int Countdown = 5; // whole seconds to the next fetch, negative once due
inline constexpr int Mark6 = 6;
inline constexpr int Mark7 = 7;
inline constexpr int Mark8 = 8;
inline constexpr int Payout = 9;
inline constexpr int RaceName = 10;
inline constexpr int NextTime = 11; // "hh:mm"
inline constexpr int State = 12;    // a FetchState value
inline constexpr int PageId = 13;   // the argument of every scraper
} // namespace ScheduleColumn

namespace ScheduleValue {
// In Countdown: the row is polled no more, or has no venue to poll.
inline const QString kStopped = QStringLiteral("停止");
// In Mark6: the site called the race off; the user sees why the row stopped.
inline const QString kCalledOff = QStringLiteral("取止");
// In Payout: the row is stopped (result complete or race called off); emptied after each fetch.
inline const QString kPayoutDone = QStringLiteral("1");
} // namespace ScheduleValue

// The State column holds a number as text; the fetch cycle compares it as a number.
namespace FetchState {
// Set for every row by the start button, reopening rows stopped earlier.
inline const QString kScheduled = QStringLiteral("0");
// The start button found the race already started: "0" plus one.
inline const QString kStartedBeforeRun = QStringLiteral("1");
// A complete result was read, or the race was called off.
inline const QString kComplete = QStringLiteral("2");
// The result table had no rows: the row keeps being polled.
inline const QString kNoResult = QStringLiteral("-1");
// A state of this or more ends the polling of its row.
inline constexpr int kStopsPolling = 2;
} // namespace FetchState

} // namespace kazeyomi
