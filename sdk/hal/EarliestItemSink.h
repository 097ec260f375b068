#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace korvane {

// Finds the earliest time at or after target of any event or trigger edge.
struct EarliestItemSink {
    std::uint64_t target = 0;
    std::uint64_t best = std::numeric_limits<std::uint64_t>::max();

    void event(std::uint32_t, std::uint32_t, std::uint32_t, std::uint64_t time) { take(time); }

    void vector(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint64_t time) {
        take(time);
    }

    void trigger(std::uint64_t time, std::uint32_t, std::uint32_t) { take(time); }

private:
    void take(std::uint64_t time) {
        if (time >= target) {
            best = std::min(best, time);
        }
    }
};

}  // namespace korvane
