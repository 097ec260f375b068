#pragma once

#include <cstdint>

#include "korvane/Event2D.h"

namespace korvane {

// Writes every decoded event through a cursor into room the caller has made: for data known
// to lie wholly inside a window, where the per-event time test can go.
struct EventRunSink {
    Event2D* cursor = nullptr;

    void event(std::uint32_t x, std::uint32_t y, std::uint32_t polarity, std::uint64_t time) {
        *cursor++ = Event2D(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y),
                            static_cast<std::uint8_t>(polarity), time);
    }

    void vector(std::uint32_t baseX, std::uint32_t mask, std::uint32_t y, std::uint32_t polarity,
                std::uint64_t time) {
        do {
            const std::uint32_t x = baseX + static_cast<std::uint32_t>(__builtin_ctz(mask));
            *cursor++ = Event2D(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y),
                                static_cast<std::uint8_t>(polarity), time);
            mask &= mask - 1;
        } while (mask != 0);
    }

    void trigger(std::uint64_t, std::uint32_t, std::uint32_t) {}
};

}  // namespace korvane
