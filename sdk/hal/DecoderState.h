#pragma once

#include <cstdint>

namespace korvane {

// Everything an EVT 3.0 or EVT 2.0 decoder carries from one word to the next; a copy taken
// at a word boundary lets decoding restart there.
struct DecoderState {
    std::uint64_t timeBase = 0;  // unfolded rollovers: EVT 3.0 wraps << 24, EVT 2.0 << 34
    std::uint32_t timeHigh = 0;
    std::uint16_t timeLow = 0;
    std::uint16_t y = 0;
    std::uint16_t baseX = 0;
    std::uint8_t polarity = 0;
    bool hasTime = false;
};

// Sensor size as the decoder enforces it: coordinates at or beyond are dropped.
struct SensorBounds {
    std::uint32_t width = 2048;
    std::uint32_t height = 2048;
};

// Damage and oddities met while decoding.
struct DecodeCounters {
    std::uint64_t reservedWords = 0;
    std::uint64_t vendorWords = 0;
    std::uint64_t eventsWithoutTime = 0;
    std::uint64_t eventsOutsideSensor = 0;
    std::uint64_t triggersWithoutTime = 0;
    std::uint64_t timeBackwardSteps = 0;
};

}  // namespace korvane
