#pragma once

#include <QtCharts/QChart>
#include <cstdint>

namespace QtCharts {
class QLineSeries;
class QValueAxis;
}  // namespace QtCharts

namespace korvane {
struct EventRate;
}

// Positive and negative events per second of a recording over its time, in seconds of the
// recording's clock. The rate window shows it; ostrel-raw rate --plot draws it into a PNG.
class RateChart : public QtCharts::QChart {
public:
    // Points per curve: bins beyond are merged, which keeps long recordings quick to draw.
    static constexpr int maxPoints = 2000;

    explicit RateChart(QGraphicsItem* parent = nullptr);

    void setRate(const korvane::EventRate& rate);
    // The time axis spans at least [first, last]: a curve still being counted grows across it.
    void setSpan(std::uint64_t first, std::uint64_t last);
    // A vertical line at time, across the plot: where playback was sent.
    void setMarker(std::uint64_t time);
    // The recording time at position (in this item's coordinates), held to the span shown;
    // false outside the plot area or when no rate is shown.
    bool timeAt(const QPointF& position, std::uint64_t& time) const;

private:
    void placeMarker();

    QtCharts::QLineSeries* positive = nullptr;
    QtCharts::QLineSeries* negative = nullptr;
    QtCharts::QLineSeries* marker = nullptr;
    QtCharts::QValueAxis* timeAxis = nullptr;
    QtCharts::QValueAxis* rateAxis = nullptr;
    std::uint64_t firstTime = 0;
    std::uint64_t endTime = 0;
    std::uint64_t spanFirst = 0;
    std::uint64_t spanEnd = 0;
    bool marked = false;
    std::uint64_t markerTime = 0;
};
