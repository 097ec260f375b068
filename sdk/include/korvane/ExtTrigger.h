#pragma once

#include <cstdint>

namespace korvane {

// One edge on an external trigger input of the sensor.
struct ExtTrigger {
    std::uint64_t timestamp = 0;
    std::uint8_t id = 0;
    std::uint8_t value = 0;  // 1 rising, 0 falling

    bool operator==(const ExtTrigger& other) const {
        return timestamp == other.timestamp && id == other.id && value == other.value;
    }
    bool operator!=(const ExtTrigger& other) const { return !(*this == other); }
};

}  // namespace korvane
