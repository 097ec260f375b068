#pragma once

#include <cstdint>
#include <vector>

#include "korvane/ExtTrigger.h"

namespace korvane {

// Keeps the trigger edges of [start, start + length) and the time of the last item seen.
struct TriggerWindowSink {
    std::vector<ExtTrigger>& triggers;
    std::uint64_t start = 0;
    std::uint64_t length = 0;
    std::uint64_t lastTime = 0;

    void event(std::uint32_t, std::uint32_t, std::uint32_t, std::uint64_t time) { lastTime = time; }

    void vector(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint64_t time) {
        lastTime = time;
    }

    void trigger(std::uint64_t time, std::uint32_t id, std::uint32_t value) {
        lastTime = time;
        if (time - start < length) {
            ExtTrigger edge;
            edge.timestamp = time;
            edge.id = static_cast<std::uint8_t>(id);
            edge.value = static_cast<std::uint8_t>(value);
            triggers.push_back(edge);
        }
    }
};

}  // namespace korvane
