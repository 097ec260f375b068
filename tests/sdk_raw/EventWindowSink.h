#pragma once

#include <cstdint>
#include <vector>

#include "korvane/Event2D.h"

namespace korvane {

// Collects the decoded events of [start, start + length) into a vector: the tests' full decode.
struct EventWindowSink {
    std::vector<Event2D>& events;
    std::uint64_t start = 0;
    std::uint64_t length = 0;
    std::uint64_t lastTime = 0;

    void event(std::uint32_t x, std::uint32_t y, std::uint32_t polarity, std::uint64_t time) {
        lastTime = time;
        if (time - start < length) {
            events.emplace_back(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y),
                                static_cast<std::uint8_t>(polarity), time);
        }
    }

    void vector(std::uint32_t baseX, std::uint32_t mask, std::uint32_t y, std::uint32_t polarity,
                std::uint64_t time) {
        lastTime = time;
        if (time - start >= length) {
            return;
        }
        do {
            const std::uint32_t x = baseX + static_cast<std::uint32_t>(__builtin_ctz(mask));
            events.emplace_back(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y),
                                static_cast<std::uint8_t>(polarity), time);
            mask &= mask - 1;
        } while (mask != 0);
    }

    void trigger(std::uint64_t time, std::uint32_t, std::uint32_t) { lastTime = time; }
};

}  // namespace korvane
