// The busy EVT 3.0 stream the recording benchmarks share: bench_raw's decode, load and seek
// figures and bench_toolbox's cut, convert and rate figures are measured on the same files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

#include "korvane/Event2D.h"
#include "korvane/RawFileWriter.h"

constexpr std::uint64_t eventsPerSecond = 10000000;

// One second of a busy sensor at 10 million events per second: each microsecond a run of
// 3 to 10 neighbouring pixels on one row (vector words) and 3 or 4 scattered single events,
// about 65 % of the events in runs.
inline std::vector<korvane::Event2D> oneSecond(std::uint64_t start) {
    std::mt19937 random(17);
    std::vector<korvane::Event2D> events;
    events.reserve(eventsPerSecond + eventsPerSecond / 10);
    for (std::uint64_t t = start; t < start + 1000000; ++t) {
        const auto y = static_cast<std::uint16_t>(random() % 720);
        const auto polarity = static_cast<std::uint8_t>(random() % 2);
        std::uint32_t x = random() % 1200;
        const int run = 3 + static_cast<int>(random() % 8);
        for (int i = 0; i < run; ++i) {
            events.emplace_back(static_cast<std::uint16_t>(x), y, polarity, t);
            x += 1 + random() % 2;
        }
        const int singles = 3 + static_cast<int>(t % 2);
        for (int i = 0; i < singles; ++i) {
            events.emplace_back(static_cast<std::uint16_t>(random() % 1280),
                                static_cast<std::uint16_t>(random() % 720),
                                static_cast<std::uint8_t>(random() % 2), t);
        }
    }
    return events;
}

inline void shift(std::vector<korvane::Event2D>& events, std::uint64_t by) {
    for (korvane::Event2D& e : events) {
        e.timestamp += by;
    }
}

// Writes whole seconds of the busy stream until the file reaches the given size.
inline void writeEvt3(const std::filesystem::path& path, std::uint64_t minBytes) {
    std::vector<korvane::Event2D> second = oneSecond(0);
    korvane::RawFileWriter writer;
    writer.open(path.string(), 1280, 720, "BENCH");
    while (writer.bytesWritten() < minBytes) {
        writer.write(second.data(), second.size());
        writer.flush();
        shift(second, 1000000);
    }
    writer.close();
    if (writer.clampedEvents() != 0 || writer.skippedEvents() != 0) {
        std::fprintf(stderr, "the writer changed the benchmark stream of %s\n", path.c_str());
        std::exit(1);
    }
}
