// The viewer's "Rate over time" window on a 4 GB recording while playback runs: how soon the
// window shows, its first curve and its whole curve, and what it costs the playback ticks (read
// one 33 ms slice and paint it, once per 33 ms) compared with ticks without the window.
// Runs offscreen; prints the figures the README quotes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "BenchRecordings.h"
#include "dialogs/RateWindow.h"
#include "korvane/DvsFileReader.h"
#include "pipeline/EventFrameAccumulator.h"
#include "pipeline/RateCurveWorker.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint64_t tickUs = 33333;

struct TickFigures {
    double medianMs = 0;
    double p99Ms = 0;
    double maxMs = 0;
    std::size_t ticks = 0;
};

struct Figures {
    double fileGb = 0;
    double shownMs = 0;
    double firstCurveMs = 0;
    double wholeCurveMs = 0;
    TickFigures alone;
    TickFigures withWindow;
};

Figures figures;

// Plays the recording in real time on a thread of its own, as the viewer's playback thread does,
// until stop is set; returns the tick durations.
class Playback {
public:
    explicit Playback(korvane::DvsFileReader& reader) : reader(reader) {
        reader.getBeginTime(position);
        reader.getEndTime(end);
        thread = std::thread([this] { run(); });
    }
    TickFigures stop() {
        stopping = true;
        thread.join();
        std::sort(ticksMs.begin(), ticksMs.end());
        TickFigures result;
        result.ticks = ticksMs.size();
        if (!ticksMs.empty()) {
            result.medianMs = ticksMs[ticksMs.size() / 2];
            result.p99Ms = ticksMs[ticksMs.size() * 99 / 100];
            result.maxMs = ticksMs.back();
        }
        return result;
    }

private:
    void run() {
        while (!stopping) {
            const Clock::time_point start = Clock::now();
            if (const auto slice = reader.readEventsAt(position, tickUs)) {
                accumulator.addEvents(slice->data(), slice->data() + slice->size());
            }
            position = position + tickUs < end ? position + tickUs : position;
            accumulator.takeImage();
            ticksMs.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            std::this_thread::sleep_until(start + std::chrono::microseconds(tickUs));
        }
    }

    korvane::DvsFileReader& reader;
    EventFrameAccumulator accumulator;
    std::uint64_t position = 0;
    std::uint64_t end = 0;
    std::atomic<bool> stopping{false};
    std::vector<double> ticksMs;
    std::thread thread;
};

void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void BM_RateWindowWhilePlaying(benchmark::State& state) {
    char name[] = "/tmp/bench_rate_window_XXXXXX";
    if (mkdtemp(name) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::filesystem::path folder(name);
    const std::filesystem::path path = folder / "4gb.raw";
    writeEvt3(path, std::uint64_t{1} << 32);
    figures.fileGb = static_cast<double>(std::filesystem::file_size(path)) / 1e9;
    auto reader = korvane::DvsFileReader::createFileReader(path.string());
    reader->loadFile();
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    reader->getBeginTime(first);
    reader->getEndTime(last);
    for (auto _ : state) {
        Playback alone(*reader);
        waitMs(5000);
        figures.alone = alone.stop();

        Playback playback(*reader);
        waitMs(1000);
        QElapsedTimer clock;
        clock.start();
        auto* window = new RateWindow(QString::fromStdString(path.string()), first, last);
        window->show();
        QApplication::processEvents();
        figures.shownMs = clock.nsecsElapsed() / 1e6;
        QEventLoop loop;
        auto* worker = window->findChild<RateCurveWorker*>();
        QObject::connect(worker, &RateCurveWorker::progressed, [&] {
            if (figures.firstCurveMs == 0) {
                figures.firstCurveMs = clock.nsecsElapsed() / 1e6;
            }
        });
        QObject::connect(worker, &RateCurveWorker::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
        figures.wholeCurveMs = clock.nsecsElapsed() / 1e6;
        figures.withWindow = playback.stop();
        delete window;
    }
    state.counters["shown_ms"] = figures.shownMs;
    state.counters["first_curve_ms"] = figures.firstCurveMs;
    state.counters["whole_curve_ms"] = figures.wholeCurveMs;
    state.counters["tick_p99_ms"] = figures.withWindow.p99Ms;
    std::filesystem::remove_all(folder);
}

void printTicks(const char* what, const TickFigures& ticks) {
    std::printf(
        "playback ticks %s: median %.2f ms, p99 %.2f ms, max %.2f ms over %zu ticks "
        "(target < 10 ms)\n",
        what, ticks.medianMs, ticks.p99Ms, ticks.maxMs, ticks.ticks);
}

}  // namespace

BENCHMARK(BM_RateWindowWhilePlaying)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nrate window on a %.1f GB recording at 10 M events/s, while playing it\n",
                figures.fileGb);
    std::printf(
        "window shown after %.0f ms, first curve after %.0f ms, whole curve after %.1f s "
        "(target: appears within 5 s)\n",
        figures.shownMs, figures.firstCurveMs, figures.wholeCurveMs / 1000);
    printTicks("without the window", figures.alone);
    printTicks("while the window counts", figures.withWindow);
    return 0;
}
