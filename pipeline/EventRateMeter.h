#pragma once

#include <cstdint>
#include <deque>

// The event rate over about the last second, from what each frame painted and the time it
// covers: recording time in playback, wall time live. GUI thread only.
class EventRateMeter {
public:
    static constexpr std::uint64_t windowUs = 1000000;

    // One frame: events painted, the positive ones among them, and the time they cover.
    void add(std::uint64_t events, std::uint64_t positive, std::uint64_t spanUs);
    void clear();

    // Events per second; 0 before anything was added.
    double rate() const;
    // Share of positive events, 0 to 1; 0 without events.
    double positiveShare() const;

private:
    struct Sample {
        std::uint64_t events;
        std::uint64_t positive;
        std::uint64_t spanUs;
    };

    std::deque<Sample> samples;
    std::uint64_t events = 0;
    std::uint64_t positive = 0;
    std::uint64_t spanUs = 0;
};
