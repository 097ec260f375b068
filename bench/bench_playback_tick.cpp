// Cost of one playback tick (read one 33 ms slice from a recording, paint it) on a recording with
// a million events per slice, about 30 million events per second. A tick must stay well inside
// its 33333 µs period for such recordings to play at the full rate.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "korvane/DvsFileReader.h"
#include "korvane/RawFileWriter.h"
#include "pipeline/EventFrameAccumulator.h"

using korvane::Event2D;

namespace {

constexpr uint64_t slice = 33333;
constexpr uint64_t eventsPerSlice = 1000000;
constexpr uint64_t seconds = 4;

// Row-coherent bursts like a sensor's readout, spread evenly over time.
std::string writeRecording() {
    const std::string path = "/tmp/ostrel_bench_tick_" + std::to_string(getpid()) + ".raw";
    korvane::RawFileWriter writer;
    writer.open(path, 1280, 720, "BENCH");
    std::mt19937 random(7);
    std::uniform_int_distribution<int> column(0, 1279);
    std::uniform_int_distribution<int> row(0, 719);
    const uint64_t total = seconds * 1000000 / slice * eventsPerSlice;
    std::vector<Event2D> chunk;
    chunk.reserve(1 << 16);
    int x = 0;
    int y = 0;
    for (uint64_t i = 0; i < total; ++i) {
        if (i % 16 == 0) {
            x = column(random);
            y = row(random);
        }
        const uint64_t t = i * slice / eventsPerSlice;
        chunk.emplace_back(uint16_t((x + i % 16) % 1280), uint16_t(y), uint8_t(i / 16 % 2), t);
        if (chunk.size() == chunk.capacity()) {
            writer.write(chunk.data(), chunk.size());
            chunk.clear();
        }
    }
    writer.write(chunk.data(), chunk.size());
    writer.close();
    return path;
}

void playbackTick(benchmark::State& state) {
    const std::string path = writeRecording();
    auto reader = korvane::DvsFileReader::createFileReader(path);
    reader->loadFile();
    uint64_t begin = 0;
    uint64_t end = 0;
    reader->getBeginTime(begin);
    reader->getEndTime(end);
    EventFrameAccumulator accumulator;
    std::mt19937_64 random(3);
    std::uniform_int_distribution<uint64_t> start(begin, end - slice);
    std::vector<double> ticksMs;
    uint64_t painted = 0;
    for (auto _ : state) {
        const auto tickStart = std::chrono::steady_clock::now();
        const auto events = reader->readEventsAt(start(random), slice);
        accumulator.addEvents(events->data(), events->data() + events->size());
        const auto tickEnd = std::chrono::steady_clock::now();
        painted += events->size();
        ticksMs.push_back(std::chrono::duration<double, std::milli>(tickEnd - tickStart).count());
    }
    std::sort(ticksMs.begin(), ticksMs.end());
    const double median = ticksMs[ticksMs.size() / 2];
    const double p99 = ticksMs[std::min(ticksMs.size() - 1, ticksMs.size() * 99 / 100)];
    state.counters["events_per_tick"] = double(painted) / double(ticksMs.size());
    state.counters["median_ms"] = median;
    state.counters["p99_ms"] = p99;
    std::printf(
        "playback tick, %llu events per 33 ms slice: median %.2f ms, p99 %.2f ms "
        "(target < 10 ms)\n",
        static_cast<unsigned long long>(eventsPerSlice), median, p99);
    std::remove(path.c_str());
}

}  // namespace

BENCHMARK(playbackTick)->Iterations(300)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
