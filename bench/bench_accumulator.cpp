// Painting speed of EventFrameAccumulator against a plain QImage::setPixel loop over the same
// events, and how long takeFrame keeps producers waiting.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/EventFrameAccumulator.h"

using korvane::Event2D;

namespace {

constexpr std::size_t eventCount = 20000000;

const std::vector<Event2D>& randomEvents() {
    static const std::vector<Event2D> events = [] {
        std::mt19937 random(1);
        std::uniform_int_distribution<int> x(0, 1279);
        std::uniform_int_distribution<int> y(0, 719);
        std::uniform_int_distribution<int> polarity(0, 1);
        std::vector<Event2D> result(eventCount);
        for (Event2D& event : result) {
            event = Event2D(quint16(x(random)), quint16(y(random)), quint8(polarity(random)), 0);
        }
        return result;
    }();
    return events;
}

// Like a sensor's readout: short bursts along one row with small gaps, rows visited in turn.
const std::vector<Event2D>& rowCoherentEvents() {
    static const std::vector<Event2D> events = [] {
        std::mt19937 random(2);
        std::uniform_int_distribution<int> burstLength(8, 64);
        std::uniform_int_distribution<int> gap(1, 4);
        std::uniform_int_distribution<int> start(0, 1279);
        std::uniform_int_distribution<int> polarity(0, 1);
        std::vector<Event2D> result;
        result.reserve(eventCount);
        int y = 0;
        while (result.size() < eventCount) {
            const quint8 burstPolarity = quint8(polarity(random));
            int x = start(random);
            for (int i = burstLength(random); i > 0 && x < 1280 && result.size() < eventCount;
                 --i) {
                result.emplace_back(quint16(x), quint16(y), burstPolarity, 0);
                x += gap(random);
            }
            y = (y + 1) % 720;
        }
        return result;
    }();
    return events;
}

void paintWithAccumulator(benchmark::State& state, const std::vector<Event2D>& events) {
    EventFrameAccumulator accumulator;
    for (auto _ : state) {
        accumulator.addEvents(events.data(), events.data() + events.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(events.size()));
}

void paintWithSetPixel(benchmark::State& state, const std::vector<Event2D>& events) {
    QImage image(1280, 720, QImage::Format_RGB888);
    const QColor positive(191, 188, 180);
    const QColor negative(64, 61, 51);
    image.fill(QColor(112, 112, 112).rgb());
    for (auto _ : state) {
        for (const Event2D& event : events) {
            if (event.x < 1280 && event.y < 720) {
                image.setPixel(event.x, event.y,
                               event.polarity != 0 ? positive.rgb() : negative.rgb());
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(events.size()));
}

void BM_AccumulatorRandom(benchmark::State& state) {
    paintWithAccumulator(state, randomEvents());
}
void BM_AccumulatorRowCoherent(benchmark::State& state) {
    paintWithAccumulator(state, rowCoherentEvents());
}
void BM_SetPixelRandom(benchmark::State& state) {
    paintWithSetPixel(state, randomEvents());
}
void BM_SetPixelRowCoherent(benchmark::State& state) {
    paintWithSetPixel(state, rowCoherentEvents());
}

// Whole take: background buffer, swap, pixmap conversion.
void BM_TakeFrame(benchmark::State& state) {
    EventFrameAccumulator accumulator;
    const std::vector<Event2D>& events = randomEvents();
    QPixmap pixmap;
    for (auto _ : state) {
        state.PauseTiming();
        accumulator.addEvents(events.data(), events.data() + 100000);
        state.ResumeTiming();
        accumulator.takeFrame(pixmap);
    }
}

BENCHMARK(BM_AccumulatorRandom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AccumulatorRowCoherent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPixelRandom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPixelRowCoherent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TakeFrame)->Unit(benchmark::kMicrosecond);

// Keeps the events-per-second figure of every run for the summary.
class RateReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> rates;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto rate = run.counters.find("items_per_second");
            if (rate != run.counters.end()) {
                rates[run.benchmark_name()] = rate->second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

double microseconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
}

// A producer thread keeps painting empty ranges; the longest it waits during each take is
// that take's lock hold as a producer feels it. The median over the takes is robust against
// the producer being descheduled on a busy machine.
void measureLockHold() {
    EventFrameAccumulator accumulator;
    const std::vector<Event2D>& events = randomEvents();
    std::atomic<bool> stop{false};
    std::atomic<bool> taking{false};
    std::atomic<long long> longestWaitNs{0};
    std::thread producer([&] {
        while (!stop.load()) {
            // Only waits that begin inside a take window count: then nothing but the take
            // can hold the lock.
            const bool inWindow = taking.load();
            const auto before = std::chrono::steady_clock::now();
            accumulator.addEvents(events.data(), events.data());
            const long long waited = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         std::chrono::steady_clock::now() - before)
                                         .count();
            if (inWindow && waited > longestWaitNs.load()) {
                longestWaitNs.store(waited);
            }
        }
    });

    constexpr int takes = 300;
    std::vector<double> holds;
    std::vector<double> takeTimes;
    QPixmap pixmap;
    for (int i = 0; i < takes; ++i) {
        accumulator.addEvents(events.data(), events.data() + 200000);
        longestWaitNs.store(0);
        taking.store(true);
        const auto before = std::chrono::steady_clock::now();
        accumulator.takeFrame(pixmap);
        takeTimes.push_back(microseconds(std::chrono::steady_clock::now() - before));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        taking.store(false);
        holds.push_back(longestWaitNs.load() / 1000.0);
    }
    stop.store(true);
    producer.join();

    std::sort(holds.begin(), holds.end());
    std::sort(takeTimes.begin(), takeTimes.end());
    std::printf(
        "takeFrame lock hold seen by a producer: median %.1f us, 90th percentile %.1f us, "
        "max %.1f us (target < 500 us)\n",
        holds[holds.size() / 2], holds[holds.size() * 9 / 10], holds.back());
    std::printf("takeFrame whole call on the GUI thread: median %.1f us\n",
                takeTimes[takeTimes.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);

    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto rate = [&](const char* name) {
        const auto found = reporter.rates.find(name);
        return found == reporter.rates.end() ? 0.0 : found->second;
    };
    const double random = rate("BM_AccumulatorRandom");
    const double coherent = rate("BM_AccumulatorRowCoherent");
    const double setPixelRandom = rate("BM_SetPixelRandom");
    const double setPixelCoherent = rate("BM_SetPixelRowCoherent");
    std::printf("\nevents/s: accumulator random %.0f M, row-coherent %.0f M (target >= 500 M)\n",
                random / 1e6, coherent / 1e6);
    std::printf("events/s: setPixel random %.0f M, row-coherent %.0f M\n", setPixelRandom / 1e6,
                setPixelCoherent / 1e6);
    if (setPixelRandom > 0 && setPixelCoherent > 0) {
        std::printf(
            "ratio accumulator / setPixel: random %.1fx, row-coherent %.1fx "
            "(target >= 6x)\n",
            random / setPixelRandom, coherent / setPixelCoherent);
    }
    measureLockHold();
    benchmark::Shutdown();
    return 0;
}
