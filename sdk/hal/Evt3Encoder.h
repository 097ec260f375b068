#pragma once

#include <cstddef>
#include <cstdint>

#include "WordBuffer.h"
#include "korvane/Event2D.h"

namespace korvane {

// Turns events into EVT 3.0 words: time words only when the time changes (a time-low after
// every time-high), a row word only when the row changes, and vector words where events of one
// row, time and polarity follow each other within 12 pixels. Events earlier than their
// predecessor take its time; events outside the sensor or too far ahead to encode are left out.
class Evt3Encoder {
public:
    Evt3Encoder(std::uint32_t width, std::uint32_t height);

    void encode(const Event2D* events, std::size_t count, WordBuffer& words);

    std::uint64_t encodedEvents() const { return encoded; }
    std::uint64_t clampedEvents() const { return clamped; }
    std::uint64_t skippedEvents() const { return skipped; }

private:
    std::size_t encodeSlice(const Event2D* events, std::size_t count, std::uint16_t*& out);
    bool moveTimeTo(std::uint64_t target, WordBuffer& words, std::uint16_t*& out);

    std::uint32_t width;
    std::uint32_t height;
    bool started = false;
    std::uint64_t time = 0;
    std::uint64_t wraps = 0;
    std::uint32_t timeHigh = 0;
    std::uint32_t timeLow = 0;
    bool rowSet = false;
    std::uint32_t row = 0;
    bool baseSet = false;
    std::uint32_t baseX = 0;
    std::uint32_t basePolarity = 0;
    std::uint64_t encoded = 0;
    std::uint64_t clamped = 0;
    std::uint64_t skipped = 0;
};

}  // namespace korvane
