#include "app/odds_chart.h"

#include <algorithm>

#include <QChart>
#include <QDateTimeAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>

namespace kazeyomi {

using namespace Qt::StringLiterals;

OddsChart::OddsChart(QWidget* parent) : QChartView(parent)
{
    setObjectName(u"OddsChart"_s);
    setRenderHint(QPainter::Antialiasing);
    chart()->legend()->setAlignment(Qt::AlignRight);
    chart()->setMargins(QMargins(2, 2, 2, 2));
    showSeries(QString(), {}, {}, {});
}

void OddsChart::showSeries(const QString& title, const WinOddsSeries& series, const QDateTime& postTime,
                           const std::map<int, QString>& names)
{
    QChart* c = chart();
    c->removeAllSeries();
    for (QAbstractAxis* axis : c->axes()) {
        c->removeAxis(axis);
        delete axis;
    }
    c->setTitle(series.ok() ? title : title + u"\n"_s + series.error);

    auto* time = new QDateTimeAxis;
    time->setFormat(u"HH:mm"_s);
    time->setTitleText(u"取得時刻"_s);
    // Odds from 1.1 to 300 and more: on a log scale the favourites' moves stay visible.
    auto* odds = new QLogValueAxis;
    odds->setBase(10);
    odds->setLabelFormat(u"%.1f"_s);
    odds->setMinorTickCount(8);
    odds->setTitleText(u"単勝オッズ"_s);
    c->addAxis(time, Qt::AlignBottom);
    c->addAxis(odds, Qt::AlignLeft);

    double low = 1.0;
    double high = 10.0;
    QDateTime first = postTime;
    QDateTime last = postTime;
    bool any = false;
    for (const HorseOdds& horse : series.horses)
        for (const OddsPoint& p : horse.points) {
            low = any ? std::min(low, p.odds) : p.odds;
            high = any ? std::max(high, p.odds) : p.odds;
            any = true;
            first = first.isValid() ? std::min(first, p.at) : p.at;
            last = last.isValid() ? std::max(last, p.at) : p.at;
        }
    if (!first.isValid())
        first = last = QDateTime::currentDateTime();
    low = std::max(1.0, low * 0.8);
    high = std::max(low * 2, high * 1.25);
    time->setRange(first.addSecs(-60), last.addSecs(60));
    odds->setRange(low, high);

    const auto attach = [&](QAbstractSeries* s) {
        c->addSeries(s);
        s->attachAxis(time);
        s->attachAxis(odds);
    };
    auto* moves = new QScatterSeries;
    moves->setName(u"急変"_s);
    moves->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    moves->setMarkerSize(12);
    moves->setColor(Qt::red);
    moves->setBorderColor(Qt::darkRed);
    for (const HorseOdds& horse : series.horses) {
        auto* line = new QLineSeries;
        const auto name = names.find(horse.horse.toInt());
        line->setName(name == names.end() ? horse.horse : horse.horse + u' ' + name->second);
        line->setPointsVisible(true);
        for (const OddsPoint& p : horse.points)
            line->append(double(p.at.toMSecsSinceEpoch()), p.odds);
        attach(line);
        if (horse.scratched) {
            line->setName(line->name() + u" 取消"_s);
            line->setPen(QPen(QColor(170, 170, 170), 1, Qt::DotLine));
        }
        for (const OddsPoint& p : horse.moves)
            moves->append(double(p.at.toMSecsSinceEpoch()), p.odds);
    }
    if (moves->count() > 0)
        attach(moves);
    else
        delete moves;
    if (postTime.isValid()) {
        auto* post = new QLineSeries;
        post->setName(u"発走 "_s + postTime.toString(u"HH:mm"_s));
        post->append(double(postTime.toMSecsSinceEpoch()), low);
        post->append(double(postTime.toMSecsSinceEpoch()), high);
        post->setPen(QPen(Qt::black, 2, Qt::DashLine));
        attach(post);
    }
}

} // namespace kazeyomi
