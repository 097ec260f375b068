#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "DecoderState.h"
#include "portable.h"

namespace korvane {

// Decodes whole EVT 2.0 words (32-bit little-endian) into a sink with
//   event(x, y, polarity, time) and trigger(time, id, value), called inline.
// The 34-bit time is unfolded: a time-high that drops by more than half its range is a rollover.
template <class Sink>
void decodeEvt2(const unsigned char* data, std::size_t wordCount, DecoderState& state,
                const SensorBounds& bounds, DecodeCounters& counters, Sink& sink) {
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "words are read in host order");
    std::uint64_t timeBase = state.timeBase;
    std::uint32_t timeHigh = state.timeHigh;
    bool hasTime = state.hasTime;
    std::uint64_t time = timeBase | (std::uint64_t{timeHigh} << 6);
    const std::uint32_t width = bounds.width;
    const std::uint32_t height = bounds.height;
    // Before the first time word no x passes, which leaves one bounds test per event.
    std::uint32_t timedWidth = hasTime ? width : 0;
    DecodeCounters found;

    for (std::size_t i = 0; i < wordCount; ++i) {
        std::uint32_t word;
        std::memcpy(&word, data + 4 * i, sizeof word);
        const std::uint32_t type = word >> 28;
        // CD_OFF and CD_ON make up nearly the whole stream: test for them before anything else.
        if (KORVANE_LIKELY(type <= 1)) {
            const std::uint32_t x = (word >> 11) & 0x7FF;
            const std::uint32_t y = word & 0x7FF;
            if (KORVANE_LIKELY(x < timedWidth && y < height)) {
                sink.event(x, y, type, time | ((word >> 22) & 0x3F));
            } else if (!hasTime) {
                ++found.eventsWithoutTime;
            } else {
                ++found.eventsOutsideSensor;
            }
            continue;
        }
        switch (type) {
            case 0x8: {  // EVT_TIME_HIGH
                const std::uint32_t high = word & 0x0FFFFFFF;
                if (hasTime && high < timeHigh) {
                    if (timeHigh - high > (1u << 27)) {
                        timeBase += std::uint64_t{1} << 34;
                    } else {
                        ++found.timeBackwardSteps;
                    }
                }
                timeHigh = high;
                hasTime = true;
                timedWidth = width;
                time = timeBase | (std::uint64_t{timeHigh} << 6);
                break;
            }
            case 0xA:  // EXT_TRIGGER
                if (hasTime) {
                    sink.trigger(time | ((word >> 22) & 0x3F), (word >> 8) & 0x1F, word & 1);
                } else {
                    ++found.triggersWithoutTime;
                }
                break;
            case 0xE:  // OTHERS
            case 0xF:  // CONTINUED
                ++found.vendorWords;
                break;
            default:
                ++found.reservedWords;
                break;
        }
    }

    state.timeBase = timeBase;
    state.timeHigh = timeHigh;
    state.hasTime = hasTime;
    counters.reservedWords += found.reservedWords;
    counters.vendorWords += found.vendorWords;
    counters.eventsWithoutTime += found.eventsWithoutTime;
    counters.eventsOutsideSensor += found.eventsOutsideSensor;
    counters.triggersWithoutTime += found.triggersWithoutTime;
    counters.timeBackwardSteps += found.timeBackwardSteps;
}

}  // namespace korvane
