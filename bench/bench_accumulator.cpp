// Painting speed of EventFrameAccumulator against a plain QImage::setPixel loop over the same
// events, and how long takeFrame keeps producers waiting.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
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

// Preemptions of the calling thread so far; a sample during which this changed measured the
// scheduler, not the lock.
long involuntarySwitches() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nivcsw;
}

// A producer thread keeps painting empty ranges; the longest of its calls inside a take window
// is that take's lock hold as a producer feels it. Only windows in which neither thread was
// preempted count, so a busy machine does not pass for lock time. The whole takeFrame call
// bounds the hold from above.
void measureLockHold() {
    EventFrameAccumulator accumulator;
    const std::vector<Event2D>& events = randomEvents();
    std::atomic<bool> stop{false};
    std::atomic<int> window{0};  // 0 closed, else the number of the open window
    std::atomic<int> windowJoined{0};
    std::atomic<bool> producerPreempted{false};
    std::atomic<long long> longestCallNs{0};
    std::atomic<long long> callsDone{0};
    std::thread producer([&] {
        int joined = 0;
        long switchesAtJoin = 0;
        while (!stop.load()) {
            const int current = window.load();
            if (current != 0 && current != joined) {
                joined = current;
                switchesAtJoin = involuntarySwitches();
                windowJoined.store(current);
            }
            const auto before = std::chrono::steady_clock::now();
            accumulator.addEvents(events.data(), events.data());
            const long long callNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         std::chrono::steady_clock::now() - before)
                                         .count();
            callsDone.fetch_add(1);
            if (current == 0 || window.load() != current) {
                continue;
            }
            if (involuntarySwitches() != switchesAtJoin) {
                producerPreempted.store(true);
            } else if (callNs > longestCallNs.load()) {
                longestCallNs.store(callNs);
            }
        }
    });

    constexpr int takes = 2000;
    std::vector<double> holds;
    std::vector<double> takeTimes;
    QPixmap pixmap;
    for (int i = 1; i <= takes; ++i) {
        accumulator.addEvents(events.data(), events.data() + 200000);
        longestCallNs.store(0);
        producerPreempted.store(false);
        window.store(i);
        std::this_thread::sleep_for(std::chrono::microseconds(50));
        const bool joined = windowJoined.load() == i;
        const long switches = involuntarySwitches();
        const auto before = std::chrono::steady_clock::now();
        accumulator.takeFrame(pixmap);
        takeTimes.push_back(microseconds(std::chrono::steady_clock::now() - before));
        const bool preempted = involuntarySwitches() != switches;
        // A producer call blocked by the take must finish inside the window.
        const long long doneAfterTake = callsDone.load();
        while (callsDone.load() < doneAfterTake + 2) {
            std::this_thread::yield();
        }
        window.store(0);
        if (joined && !preempted && !producerPreempted.load()) {
            holds.push_back(longestCallNs.load() / 1000.0);
        }
    }
    stop.store(true);
    producer.join();

    std::sort(takeTimes.begin(), takeTimes.end());
    std::printf("takeFrame whole call on the GUI thread: median %.1f us, 90th percentile %.1f us\n",
                takeTimes[takeTimes.size() / 2], takeTimes[takeTimes.size() * 9 / 10]);
    if (holds.empty()) {
        std::printf("takeFrame lock hold: no take ran without preemption; machine too busy\n");
        return;
    }
    std::sort(holds.begin(), holds.end());
    std::printf(
        "takeFrame lock hold seen by a producer (%zu of %d takes undisturbed): median %.2f us, "
        "max %.2f us (target < 500 us)\n",
        holds.size(), takes, holds[holds.size() / 2], holds.back());
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

    // With --benchmark_repetitions the median stands for the benchmark.
    const auto rate = [&](const std::string& name) {
        for (const std::string& key : {name + "_median", name}) {
            const auto found = reporter.rates.find(key);
            if (found != reporter.rates.end()) {
                return found->second;
            }
        }
        return 0.0;
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
