#pragma once

#include <cstdint>

namespace korvane {

// Finds the first event, in file order, whose timestamp is at or after target.
struct FirstEventSink {
    std::uint64_t target = 0;
    bool found = false;
    std::uint64_t time = 0;

    void event(std::uint32_t, std::uint32_t, std::uint32_t, std::uint64_t eventTime) {
        take(eventTime);
    }

    void vector(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                std::uint64_t eventTime) {
        take(eventTime);
    }

    void trigger(std::uint64_t, std::uint32_t, std::uint32_t) {}

private:
    void take(std::uint64_t eventTime) {
        if (!found && eventTime >= target) {
            found = true;
            time = eventTime;
        }
    }
};

}  // namespace korvane
