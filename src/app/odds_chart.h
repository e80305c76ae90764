// The chart of the race shown: each horse's win odds over the day's fetches, the post time,
// scratched horses in grey and the sharp falls marked. It only draws what it is given.
#pragma once

#include <map>

#include <QChartView>
#include <QDateTime>

class QDateTimeAxis;
class QLogValueAxis;

#include "history/odds_series.h"

namespace kazeyomi {

class OddsChart : public QChartView {
    Q_OBJECT
public:
    explicit OddsChart(QWidget* parent = nullptr);

    // `postTime` invalid: no post line. An empty series draws an empty chart with the title.
    // `names` by horse number go beside the numbers in the legend.
    void showSeries(const QString& title, const WinOddsSeries& series, const QDateTime& postTime,
                    const std::map<int, QString>& names);

private:
    QDateTimeAxis* m_time = nullptr;
    QLogValueAxis* m_odds = nullptr;
};

} // namespace kazeyomi
