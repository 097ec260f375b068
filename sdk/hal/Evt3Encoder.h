#pragma once

#include <cstddef>
#include <cstdint>

#include "EventEncoder.h"

namespace korvane {

// Turns events into EVT 3.0 words: time words only when the time changes (a time-low after
// every time-high), a row word only when the row changes, and vector words where events of one
// row, time and polarity follow each other within 12 pixels. Events earlier than their
// predecessor take its time, or step back to their own (see EventEncoder); events outside the
// sensor or too far ahead to encode are left out. Trigger ids above 15 do not fit and are left out.
class Evt3Encoder final : public EventEncoder {
public:
    Evt3Encoder(std::uint32_t width, std::uint32_t height, bool keepEarlierTimes = false);

    void encode(const Event2D* events, std::size_t count, WordBuffer& words) override;
    void encodeTrigger(const ExtTrigger& trigger, WordBuffer& words) override;

    // For copying decoded data, which comes already gathered: one event, one vector (bit i of
    // mask is x = baseX + i) or one trigger edge, written at once through out, which has room
    // for wordsPerItem more words.
    static constexpr std::size_t wordsPerItem = 8;
    void putEvent(std::uint32_t x, std::uint32_t y, std::uint32_t polarity, std::uint64_t time,
                  WordBuffer& words, std::uint16_t*& out);
    void putVector(std::uint32_t baseX, std::uint32_t mask, std::uint32_t y, std::uint32_t polarity,
                   std::uint64_t time, WordBuffer& words, std::uint16_t*& out);
    void putTrigger(const ExtTrigger& trigger, WordBuffer& words, std::uint16_t*& out);

private:
    void putRow(std::uint32_t y, std::uint16_t*& out);
    bool placeTime(std::uint64_t& target, WordBuffer& words, std::uint16_t*& out);
    bool moveTimeTo(std::uint64_t target, WordBuffer& words, std::uint16_t*& out);
    bool stepBack(std::uint64_t target, std::uint16_t*& out);

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
};

}  // namespace korvane
