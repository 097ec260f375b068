#include "dialogs/RateChart.h"

#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>

#include "korvane/EventRate.h"

using QtCharts::QLineSeries;
using QtCharts::QValueAxis;

namespace {

const QColor positiveColor("#004B6A");
// Okabe and Ito's vermilion: apart from the accent blue with any colour vision.
const QColor negativeColor("#D55E00");

struct RateScale {
    double divisor;
    const char* unit;
};

RateScale scaleFor(double largest) {
    if (largest >= 1e6) {
        return {1e6, "M events/s"};
    }
    if (largest >= 1e3) {
        return {1e3, "k events/s"};
    }
    return {1, "events/s"};
}

QLineSeries* makeSeries(const QString& name, const QColor& color) {
    auto* series = new QLineSeries;
    series->setName(name);
    QPen pen(color);
    pen.setWidthF(1.5);
    series->setPen(pen);
    return series;
}

}  // namespace

RateChart::RateChart(QGraphicsItem* parent)
    : QChart(parent),
      positive(makeSeries(QStringLiteral("positive"), positiveColor)),
      negative(makeSeries(QStringLiteral("negative"), negativeColor)),
      marker(makeSeries(QString(), QColor("#808080"))),
      timeAxis(new QValueAxis),
      rateAxis(new QValueAxis) {
    addSeries(positive);
    addSeries(negative);
    addSeries(marker);
    timeAxis->setTitleText(QStringLiteral("time (s)"));
    timeAxis->setLabelFormat(QStringLiteral("%.6g"));
    rateAxis->setLabelFormat(QStringLiteral("%.4g"));
    addAxis(timeAxis, Qt::AlignBottom);
    addAxis(rateAxis, Qt::AlignLeft);
    for (QLineSeries* series : {positive, negative, marker}) {
        series->attachAxis(timeAxis);
        series->attachAxis(rateAxis);
    }
    legend()->setAlignment(Qt::AlignBottom);
    legend()->markers(marker).front()->setVisible(false);
    setBackgroundRoundness(0);
    setRate(korvane::EventRate());
}

// Each point is a run of bins, drawn at its middle with the run's mean rate.
void RateChart::setRate(const korvane::EventRate& rate) {
    const std::size_t bins = rate.bins.size();
    const std::size_t group = std::max<std::size_t>(1, (bins + maxPoints - 1) / maxPoints);
    QVector<QPointF> positivePoints;
    QVector<QPointF> negativePoints;
    double largest = 0;
    for (std::size_t first = 0; first < bins; first += group) {
        const std::size_t count = std::min(group, bins - first);
        std::uint64_t events = 0;
        std::uint64_t positives = 0;
        for (std::size_t i = first; i < first + count; ++i) {
            events += rate.bins[i].events;
            positives += rate.bins[i].positive;
        }
        const double seconds = 1e-6 * double(count * rate.binUs);
        const double middle = 1e-6 * (double(rate.firstBinStart) +
                                      (double(first) + 0.5 * double(count)) * double(rate.binUs));
        positivePoints.append({middle, double(positives) / seconds});
        negativePoints.append({middle, double(events - positives) / seconds});
        largest = std::max({largest, positivePoints.back().y(), negativePoints.back().y()});
    }
    const RateScale scale = scaleFor(largest);
    for (QVector<QPointF>* points : {&positivePoints, &negativePoints}) {
        for (QPointF& point : *points) {
            point.setY(point.y() / scale.divisor);
        }
    }
    positive->replace(positivePoints);
    negative->replace(negativePoints);
    firstTime = rate.firstBinStart;
    endTime = rate.firstBinStart + bins * rate.binUs;
    rateAxis->setTitleText(QString::fromLatin1(scale.unit));
    rateAxis->setRange(0, largest > 0 ? largest / scale.divisor : 1);
    rateAxis->applyNiceNumbers();
    const bool spanned = spanEnd > spanFirst;
    const std::uint64_t axisFirst = spanned && bins != 0 ? std::min(spanFirst, firstTime)
                                    : spanned            ? spanFirst
                                                         : firstTime;
    const std::uint64_t axisEnd = std::max(spanEnd, bins != 0 ? endTime : axisFirst + 1);
    timeAxis->setRange(1e-6 * double(axisFirst), 1e-6 * double(axisEnd));
    if (marked) {
        placeMarker();
    }
}

void RateChart::setSpan(std::uint64_t first, std::uint64_t last) {
    spanFirst = first;
    spanEnd = last + 1;
}

void RateChart::setMarker(std::uint64_t time) {
    marked = true;
    markerTime = time;
    placeMarker();
}

// Spans the rate axis, which grows with the counts.
void RateChart::placeMarker() {
    const double seconds = 1e-6 * double(markerTime);
    marker->replace(QVector<QPointF>{{seconds, rateAxis->min()}, {seconds, rateAxis->max()}});
}

bool RateChart::timeAt(const QPointF& position, std::uint64_t& time) const {
    if (endTime <= firstTime || !plotArea().contains(position)) {
        return false;
    }
    const QRectF area = plotArea();
    const double share = (position.x() - area.left()) / area.width();
    const double seconds = timeAxis->min() + share * (timeAxis->max() - timeAxis->min());
    const double micros = std::round(seconds * 1e6);
    time =
        std::clamp<std::uint64_t>(micros > 0 ? std::uint64_t(micros) : 0, firstTime, endTime - 1);
    return true;
}
