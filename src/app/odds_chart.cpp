#include "app/odds_chart.h"

#include <algorithm>
#include <cmath>

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
    QChart* c = chart();
    c->legend()->setAlignment(Qt::AlignRight);
    c->setMargins(QMargins(2, 2, 2, 2));
    m_time = new QDateTimeAxis;
    m_time->setFormat(u"HH:mm"_s);
    m_time->setTitleText(u"取得時刻"_s);
    // Odds from 1.1 to 300 and more: on a log scale the favourites' moves stay visible.
    m_odds = new QLogValueAxis;
    m_odds->setBase(10);
    m_odds->setLabelFormat(u"%.1f"_s);
    m_odds->setMinorTickCount(8);
    m_odds->setTitleText(u"単勝オッズ"_s);
    c->addAxis(m_time, Qt::AlignBottom);
    c->addAxis(m_odds, Qt::AlignLeft);
    showSeries(QString(), {}, {}, {});
}

void OddsChart::showSeries(const QString& title, const WinOddsSeries& series, const QDateTime& postTime,
                           const std::map<int, QString>& names)
{
    QChart* c = chart();
    c->removeAllSeries();
    c->setTitle(series.ok() ? title : title + u"\n"_s + series.error);

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
    // Whole decades: the axis labels 1.0, 10.0, 100.0 where a log scale is easy to read.
    low = std::pow(10.0, std::floor(std::log10(std::max(1.0, low))));
    high = std::pow(10.0, std::max(1.0, std::ceil(std::log10(high * 1.05))));
    m_time->setRange(first.addSecs(-60), last.addSecs(60));
    m_odds->setRange(low, high);

    const auto attach = [&](QAbstractSeries* s) {
        c->addSeries(s);
        s->attachAxis(m_time);
        s->attachAxis(m_odds);
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
        // The theme has five colours; a field of sixteen needs a colour for each horse.
        const int index = int(&horse - series.horses.data());
        line->setPen(QPen(QColor::fromHsv(index * 360 / int(series.horses.size()), 220, 200), 2));
        line->setColor(line->pen().color());
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
