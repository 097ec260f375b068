#pragma once

#include <cstdint>

// Maps recording timestamps to timeline slider values and back. Values count steps from the
// recording's start; a step is 1 µs whenever the span fits an int, and just as many µs as needed
// to keep it inside the int range otherwise (sensor clocks run from power-on, so absolute
// timestamps overflow an int after 35 minutes).
class TimelineScale {
public:
    TimelineScale() = default;
    TimelineScale(uint64_t start, uint64_t end);

    int maximum() const;
    uint64_t microsecondsPerStep() const { return usPerStep; }
    // Clamped to [0, maximum()].
    int toSliderValue(uint64_t timestamp) const;
    // Negative values map to the start; values past maximum() map past the end.
    uint64_t toTimestamp(int value) const;

private:
    uint64_t start = 0;
    uint64_t span = 0;
    uint64_t usPerStep = 1;
};
