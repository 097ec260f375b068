#pragma once

#include <cstddef>
#include <cstdint>

#include "WordBuffer.h"
#include "korvane/Event2D.h"
#include "korvane/ExtTrigger.h"

namespace korvane {

// Turns events and trigger edges, in the order they are given, into the 16-bit words of one
// encoding (EVT 2.0 words go as two halves, low first). Items outside the sensor or too far
// ahead to encode are left out; items earlier than their predecessor take its time unless
// keepEarlierTimes lets the encoding step back.
class EventEncoder {
public:
    virtual ~EventEncoder() = default;

    virtual void encode(const Event2D* events, std::size_t count, WordBuffer& words) = 0;
    // At its time, after everything encoded so far.
    virtual void encodeTrigger(const ExtTrigger& trigger, WordBuffer& words) = 0;

    std::uint64_t encodedEvents() const { return encoded; }
    std::uint64_t encodedTriggers() const { return triggers; }
    // Events and trigger edges written at their predecessor's time.
    std::uint64_t clampedEvents() const { return clamped; }
    // Events and trigger edges left out.
    std::uint64_t skippedEvents() const { return skipped; }

protected:
    EventEncoder(std::uint32_t width, std::uint32_t height, bool keepEarlierTimes)
        : width(width), height(height), keepEarlierTimes(keepEarlierTimes) {}

    const std::uint32_t width;
    const std::uint32_t height;
    const bool keepEarlierTimes;
    std::uint64_t encoded = 0;
    std::uint64_t triggers = 0;
    std::uint64_t clamped = 0;
    std::uint64_t skipped = 0;
};

}  // namespace korvane
