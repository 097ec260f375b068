#pragma once

#include <cstdint>

namespace korvane {

// One sensor event: pixel, polarity (0 negative, anything else positive), time in microseconds.
struct Event2D {
    std::uint16_t x = 0;
    std::uint16_t y = 0;
    std::uint8_t polarity = 0;
    std::uint64_t timestamp = 0;

    Event2D() = default;
    Event2D(std::uint16_t x, std::uint16_t y, std::uint8_t polarity, std::uint64_t timestamp)
        : x(x), y(y), polarity(polarity), timestamp(timestamp) {}

    bool operator==(const Event2D& other) const {
        return x == other.x && y == other.y && polarity == other.polarity &&
               timestamp == other.timestamp;
    }
    bool operator!=(const Event2D& other) const { return !(*this == other); }
};

}  // namespace korvane
