#pragma once

#include <cstddef>
#include <cstdint>

#include "EventEncoder.h"

namespace korvane {

// Turns events and trigger edges into EVT 2.0 words: a time-high word whenever the time's upper
// bits change, then one word per event or edge. The 34-bit time rolls over through time-high
// words that drop by more than half their range. Trigger ids above 31 do not fit and are left out.
class Evt2Encoder final : public EventEncoder {
public:
    Evt2Encoder(std::uint32_t width, std::uint32_t height, bool keepEarlierTimes = false);

    void encode(const Event2D* events, std::size_t count, WordBuffer& words) override;
    void encodeTrigger(const ExtTrigger& trigger, WordBuffer& words) override;

    // For copying decoded data: one event, the events of a vector (bit i of mask is
    // x = baseX + i) or one trigger edge, written at once through out, which has room for
    // wordsPerItem more words.
    static constexpr std::size_t wordsPerItem = 2 * (12 + 1);
    void putEvent(std::uint32_t x, std::uint32_t y, std::uint32_t polarity, std::uint64_t time,
                  WordBuffer& words, std::uint16_t*& out);
    void putVector(std::uint32_t baseX, std::uint32_t mask, std::uint32_t y, std::uint32_t polarity,
                   std::uint64_t time, WordBuffer& words, std::uint16_t*& out);
    void putTrigger(const ExtTrigger& trigger, WordBuffer& words, std::uint16_t*& out);

private:
    bool placeTime(std::uint64_t& target, WordBuffer& words, std::uint16_t*& out);
    bool moveHighTo(std::uint64_t targetHigh, WordBuffer& words, std::uint16_t*& out);
    bool stepBack(std::uint64_t target, std::uint16_t*& out);
    void putHigh(std::uint32_t high, std::uint16_t*& out);

    bool started = false;
    std::uint64_t time = 0;
    std::uint64_t rollovers = 0;
    std::uint32_t high = 0;  // the 28 bits of the last time-high word
};

}  // namespace korvane
