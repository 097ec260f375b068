#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "portable.h"

namespace korvane {

// Counts and ranges of a whole recording, plus the time range of the current index chunk.
// "Items" are events and trigger edges: chunk time ranges cover both.
struct LoadStatsSink {
    std::uint64_t events = 0;
    std::uint64_t positive = 0;
    std::uint64_t triggers = 0;
    std::uint64_t firstTime = 0;
    std::uint64_t lastTime = 0;
    std::uint64_t minTime = noTime;
    std::uint64_t maxTime = 0;
    std::uint32_t minX = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t maxX = 0;
    std::uint32_t minY = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t maxY = 0;

    std::uint64_t chunkMinTime = noTime;
    std::uint64_t chunkMaxTime = 0;
    std::uint64_t chunkEvents = 0;
    bool chunkOrdered = true;  // no item earlier than one before it in the chunk

    void beginChunk() {
        chunkMinTime = noTime;
        chunkMaxTime = 0;
        chunkEvents = 0;
        chunkOrdered = true;
        foldedTime = noTime;
    }

    void event(std::uint32_t x, std::uint32_t y, std::uint32_t polarity, std::uint64_t time) {
        eventAt(time, 1, polarity);
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }

    void vector(std::uint32_t baseX, std::uint32_t mask, std::uint32_t y, std::uint32_t polarity,
                std::uint64_t time) {
        eventAt(time, static_cast<std::uint64_t>(setBitCount(mask)), polarity);
        minX = std::min(minX, baseX + static_cast<std::uint32_t>(lowestSetBit(mask)));
        maxX = std::max(maxX, baseX + static_cast<std::uint32_t>(highestSetBit(mask)));
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }

    void trigger(std::uint64_t time, std::uint32_t, std::uint32_t) {
        ++triggers;
        itemAt(time);
        foldedTime = noTime;
    }

private:
    static constexpr std::uint64_t noTime = std::numeric_limits<std::uint64_t>::max();

    // Events come in bursts of one time: the time ranges only change when the time does.
    void eventAt(std::uint64_t time, std::uint64_t count, std::uint32_t polarity) {
        if (events == 0) {
            firstTime = time;
        }
        events += count;
        positive += polarity != 0 ? count : 0;
        chunkEvents += count;
        lastTime = time;
        if (time != foldedTime) {
            foldedTime = time;
            minTime = std::min(minTime, time);
            maxTime = std::max(maxTime, time);
            itemAt(time);
        }
    }

    void itemAt(std::uint64_t time) {
        chunkOrdered = chunkOrdered && time >= chunkMaxTime;
        chunkMaxTime = std::max(chunkMaxTime, time);
        chunkMinTime = std::min(chunkMinTime, time);
    }

    std::uint64_t foldedTime = noTime;  // time of the last event already in the ranges
};

}  // namespace korvane
