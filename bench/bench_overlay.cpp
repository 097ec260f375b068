// What the information overlay costs a frame at 30 frames a second with 1 M events a frame
// (counting where the events are painted, the figures and their picture, the drawing over the
// frame), and how close its event rate comes to a generated stream of known rate.
// Runs offscreen; prints the figures the README quotes.
#include <benchmark/benchmark.h>

#include <time.h>
#include <QApplication>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "main_window/KvGraphicsView.h"
#include "pipeline/EventFrameAccumulator.h"
#include "pipeline/EventRateMeter.h"
#include "pipeline/OverlayText.h"

using korvane::Event2D;

namespace {

constexpr std::size_t frameEvents = 1000000;
constexpr double framePeriodUs = 1e6 / 30;
// The window refreshes the overlay's figures four times a second.
constexpr double refreshesPerFrame = 4.0 / 30.0;

const std::vector<Event2D>& frame() {
    static const std::vector<Event2D> events = [] {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> x(0, 1279);
        std::uniform_int_distribution<int> y(0, 719);
        std::vector<Event2D> result(frameEvents);
        for (std::size_t i = 0; i < result.size(); ++i) {
            result[i] = Event2D(quint16(x(random)), quint16(y(random)), quint8(random() & 1), i);
        }
        return result;
    }();
    return events;
}

// The painting loop as it was before it counted, for the cost of counting.
class UncountedCanvas {
public:
    void addEvents(const Event2D* first, const Event2D* last) {
        const uchar colors[2][3] = {{64, 61, 51}, {191, 188, 180}};
        std::lock_guard<std::mutex> lock(mutex);
        uchar* const base = canvas.bits();
        const std::size_t bytesPerLine = std::size_t(canvas.bytesPerLine());
        const auto paint = [&](const Event2D& event) {
            const unsigned x = event.x;
            const unsigned y = event.y;
            if (x >= 1280u || y >= 720u) {
                return;
            }
            std::memcpy(base + y * bytesPerLine + x * 3, colors[event.polarity != 0], 3);
        };
        const Event2D* event = first;
        for (; last - event >= 4; event += 4) {
            paint(event[0]);
            paint(event[1]);
            paint(event[2]);
            paint(event[3]);
        }
        for (; event != last; ++event) {
            paint(*event);
        }
    }

private:
    QImage canvas{1280, 720, QImage::Format_RGB888};
    std::mutex mutex;
};

OverlayFigures recordingFigures(const EventRateMeter& meter) {
    OverlayFigures figures;
    figures.rate = meter.rate();
    figures.positiveShare = meter.positiveShare();
    figures.frameEvents = frameEvents;
    figures.accumulationUs = 33333;
    figures.frameRate = 30;
    figures.recordingOpen = true;
    figures.fileName = "take.raw";
    figures.encoding = "EVT3";
    figures.width = 1280;
    figures.height = 720;
    figures.positionUs = 12345678;
    figures.durationUs = 60000000;
    figures.recording = true;
    figures.recorder.elapsedUs = 5123456;
    figures.recorder.fileBytes = 123456789;
    figures.recorder.eventsWritten = 51234567;
    return figures;
}

// A refresh: the frame counted into the rate, the figures put into words, their picture made.
void BM_OverlayRefresh(benchmark::State& state) {
    KvGraphicsView view;
    EventRateMeter meter;
    std::uint64_t tick = 0;
    for (auto _ : state) {
        meter.add(frameEvents + (++tick & 1023), frameEvents / 2, 33333);
        view.setOverlay(overlayLines(recordingFigures(meter)));
    }
}

// A view of the frame's size drawing the scene's background, with and without the overlay; the
// difference is what the overlay adds to every frame's paint.
void drawView(benchmark::State& state, bool withOverlay) {
    QGraphicsScene scene(0, 0, 1280, 720);
    KvGraphicsView view;
    view.setScene(&scene);
    view.resize(1000, 563);
    view.fitScene();
    if (withOverlay) {
        EventRateMeter meter;
        meter.add(frameEvents, frameEvents / 2, 33333);
        view.setOverlay(overlayLines(recordingFigures(meter)));
    }
    QImage target(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.viewport()->render(&target);
        benchmark::ClobberMemory();
    }
}

void BM_ViewWithoutOverlay(benchmark::State& state) {
    drawView(state, false);
}
void BM_ViewWithOverlay(benchmark::State& state) {
    drawView(state, true);
}

BENCHMARK(BM_OverlayRefresh)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_ViewWithoutOverlay)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_ViewWithOverlay)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// Keeps the median processor time per iteration of each benchmark for the summary: on a shared
// machine the wall clock also counts the other programs' turns.
class TimeReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> microseconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median") {
                microseconds[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

double threadMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

// Counted and uncounted painting in turns, so that both meet the same machine; the median of
// the differences is the cost of counting.
double measureCountingCost() {
    EventFrameAccumulator accumulator;
    UncountedCanvas canvas;
    const std::vector<Event2D>& events = frame();
    std::vector<double> counted;
    std::vector<double> uncounted;
    std::vector<double> differences;
    for (int pair = 0; pair < 400; ++pair) {
        double took[2];
        for (int k = 0; k < 2; ++k) {
            const bool count = (pair + k) % 2 == 0;
            const double before = threadMicroseconds();
            if (count) {
                accumulator.addEvents(events.data(), events.data() + events.size());
            } else {
                canvas.addEvents(events.data(), events.data() + events.size());
            }
            took[count ? 0 : 1] = threadMicroseconds() - before;
        }
        counted.push_back(took[0]);
        uncounted.push_back(took[1]);
        differences.push_back(took[0] - took[1]);
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    std::printf(
        "painting 1 M events, in turns: %.0f us counted, %.0f us without counting, "
        "median difference %.1f us\n",
        median(counted), median(uncounted), median(differences));
    return median(differences);
}

// Playback of a stream of exactly rateHz events a second, polarity alternating, the way the
// window does it: slices of the accumulation time every step, painted and counted, frames taken
// after one to three slices as a busy GUI thread does, the meter fed per take.
void measureRateAccuracy(double rateHz) {
    const std::uint64_t accumulationUs = 33333;
    const std::uint64_t stepUs = 30303;
    EventFrameAccumulator accumulator;
    EventRateMeter meter;
    std::vector<Event2D> slice;
    std::mt19937 random(3);
    std::uint64_t spanUs = 0;
    double worst = 0;
    for (std::uint64_t position = 0, slices = 0; position < 5000000; position += stepUs) {
        // Event k happens at k / rateHz seconds.
        const auto first = std::uint64_t(std::ceil(position * rateHz / 1e6));
        const auto last = std::uint64_t(std::ceil((position + accumulationUs) * rateHz / 1e6));
        slice.resize(last - first);
        for (std::uint64_t k = first; k < last; ++k) {
            slice[k - first] = Event2D(quint16(k * 7919 % 1280), quint16(k * 104729 % 720),
                                       quint8(k & 1), std::uint64_t(double(k) * 1e6 / rateHz));
        }
        accumulator.addEvents(slice.data(), slice.data() + slice.size());
        spanUs += accumulationUs;
        if (++slices % (1 + random() % 3) == 0) {
            accumulator.takeImage();
            const FrameCounts counts = accumulator.lastFrameCounts();
            meter.add(counts.events, counts.positive, std::exchange(spanUs, 0));
            if (position >= 1000000) {
                worst = std::max(worst, std::abs(meter.rate() / rateHz - 1));
            }
        }
    }
    std::printf(
        "rate of a generated %.0f events/s stream, after the first second: worst %.3f %% off, "
        "positive share %.4f (target within 1 %%)\n",
        rateHz, worst * 100, meter.positiveShare());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int qtArgc = 1;
    QApplication application(qtArgc, argv);

    benchmark::Initialize(&argc, argv);
    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto us = [&](const std::string& name) { return reporter.microseconds[name]; };
    std::printf("\nmedian processor times\n");
    const double counting = measureCountingCost();
    const double refresh = us("BM_OverlayRefresh");
    const double draw = us("BM_ViewWithOverlay") - us("BM_ViewWithoutOverlay");
    const double perFrame = std::max(counting, 0.0) + refresh * refreshesPerFrame + draw;
    std::printf(
        "overlay refresh (rate, words, picture): %.1f us; drawing it over the frame: %.1f us\n",
        refresh, draw);
    std::printf(
        "overlay per frame at 30 fps: %.1f us = %.3f %% of the frame's %.0f us (target < 1 %%); "
        "refreshed every frame: %.3f %%\n",
        perFrame, perFrame / framePeriodUs * 100, framePeriodUs,
        (perFrame + refresh * (1 - refreshesPerFrame)) / framePeriodUs * 100);
    for (const double rate : {10000.0, 1234567.0, 30000000.0}) {
        measureRateAccuracy(rate);
    }
    benchmark::Shutdown();
    return 0;
}
