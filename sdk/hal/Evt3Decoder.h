#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "DecoderState.h"
#include "portable.h"

namespace korvane {

// Decodes whole EVT 3.0 words (16-bit little-endian) into a sink with
//   event(x, y, polarity, time), vector(baseX, mask, y, polarity, time) and
//   trigger(time, id, value),
// all called inline. Coordinates handed to the sink are inside the bounds; a vector's mask is
// non-zero and bit i stands for x = baseX + i.
template <class Sink>
void decodeEvt3(const unsigned char* data, std::size_t wordCount, DecoderState& state,
                const SensorBounds& bounds, DecodeCounters& counters, Sink& sink) {
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "words are read in host order");
    // Time high, low and the unfolded wraps all live in one value to keep the loop in registers.
    std::uint64_t time = state.timeBase | (std::uint64_t{state.timeHigh} << 12) | state.timeLow;
    std::uint32_t y = state.y;
    std::uint32_t baseX = state.baseX;
    std::uint32_t vectorPolarity = state.polarity;
    bool hasTime = state.hasTime;
    const std::uint32_t width = bounds.width;
    const std::uint32_t height = bounds.height;
    DecodeCounters found;

    for (std::size_t i = 0; i < wordCount; ++i) {
        std::uint16_t raw;
        std::memcpy(&raw, data + 2 * i, sizeof raw);
        const std::uint32_t word = raw;
        switch (word >> 12) {
            case 0x0:  // EVT_ADDR_Y
                y = word & 0x7FF;
                break;
            case 0x2: {  // EVT_ADDR_X
                const std::uint32_t x = word & 0x7FF;
                if (KORVANE_LIKELY(hasTime && x < width && y < height)) {
                    sink.event(x, y, (word >> 11) & 1, time);
                } else if (!hasTime) {
                    ++found.eventsWithoutTime;
                } else {
                    ++found.eventsOutsideSensor;
                }
                break;
            }
            case 0x3:  // VECT_BASE_X
                baseX = word & 0x7FF;
                vectorPolarity = (word >> 11) & 1;
                break;
            case 0x4:    // VECT_12
            case 0x5: {  // VECT_8: bits 11..8 are not part of the mask
                // The base moves on even for an empty mask; it saturates far beyond any sensor.
                const std::uint32_t narrow = (word >> 12) & 1;
                const std::uint32_t span = 12 - 4 * narrow;
                std::uint32_t mask = word & (0xFFFu >> (4 * narrow));
                if (mask != 0) {
                    if (KORVANE_UNLIKELY(!hasTime)) {
                        found.eventsWithoutTime += setBitCount(mask);
                    } else if (KORVANE_UNLIKELY(y >= height)) {
                        found.eventsOutsideSensor += setBitCount(mask);
                    } else {
                        if (KORVANE_UNLIKELY(baseX + span > width)) {
                            const std::uint32_t room = baseX < width ? width - baseX : 0;
                            const std::uint32_t kept = mask & ((1u << room) - 1);
                            found.eventsOutsideSensor += setBitCount(mask ^ kept);
                            mask = kept;
                        }
                        if (mask != 0) {
                            sink.vector(baseX, mask, y, vectorPolarity, time);
                        }
                    }
                }
                baseX = std::min(baseX + span, 4096u);
                break;
            }
            case 0x6:  // EVT_TIME_LOW: a smaller value is not a carry
                time = (time & ~std::uint64_t{0xFFF}) | (word & 0xFFF);
                break;
            case 0x8: {  // EVT_TIME_HIGH: a drop of more than 2048 is a 24-bit wrap
                const std::uint32_t high = word & 0xFFF;
                const std::uint32_t previous = static_cast<std::uint32_t>(time >> 12) & 0xFFF;
                std::uint64_t wraps = time & ~std::uint64_t{0xFFFFFF};
                if (hasTime && high + 2048 < previous) {
                    wraps += std::uint64_t{1} << 24;
                } else if (hasTime && high < previous) {
                    ++found.timeBackwardSteps;
                }
                hasTime = true;
                time = wraps | (std::uint64_t{high} << 12) | (time & 0xFFF);
                break;
            }
            case 0xA:  // EXT_TRIGGER
                if (hasTime) {
                    sink.trigger(time, (word >> 8) & 0xF, word & 1);
                } else {
                    ++found.triggersWithoutTime;
                }
                break;
            case 0x7:  // CONTINUED_4
            case 0xE:  // OTHERS
            case 0xF:  // CONTINUED_12
                ++found.vendorWords;
                break;
            default:
                ++found.reservedWords;
                break;
        }
    }

    state.timeBase = time & ~std::uint64_t{0xFFFFFF};
    state.timeHigh = static_cast<std::uint32_t>(time >> 12) & 0xFFF;
    state.timeLow = static_cast<std::uint16_t>(time & 0xFFF);
    state.y = static_cast<std::uint16_t>(y);
    state.baseX = static_cast<std::uint16_t>(baseX);
    state.polarity = static_cast<std::uint8_t>(vectorPolarity);
    state.hasTime = hasTime;
    counters.reservedWords += found.reservedWords;
    counters.vendorWords += found.vendorWords;
    counters.eventsWithoutTime += found.eventsWithoutTime;
    counters.eventsOutsideSensor += found.eventsOutsideSensor;
    counters.triggersWithoutTime += found.triggersWithoutTime;
    counters.timeBackwardSteps += found.timeBackwardSteps;
}

}  // namespace korvane
