#include "Evt3Encoder.h"

#include <algorithm>

#include "BitCount.h"

namespace korvane {

namespace {

constexpr std::uint16_t addrY = 0x0000;
constexpr std::uint16_t addrX = 0x2000;
constexpr std::uint16_t vectBaseX = 0x3000;
constexpr std::uint16_t vect12 = 0x4000;
constexpr std::uint16_t vect8 = 0x5000;
constexpr std::uint16_t timeLowWord = 0x6000;
constexpr std::uint16_t timeHighWord = 0x8000;
constexpr std::uint16_t triggerWord = 0xA000;
// A time-high that drops by more than this reads as a wrap.
constexpr std::uint32_t maxHighStepBack = 2048;
// A jump of more wraps than this (about 200 days) is not worth the words it would take.
constexpr std::uint64_t maxWrapJump = std::uint64_t{1} << 20;
// Room is made per slice: at most a time-high, time-low, row and single-event word per event.
constexpr std::size_t sliceEvents = 4096;
constexpr std::size_t sliceWords = 4 * sliceEvents + 8;

std::uint16_t word(std::uint16_t type, std::uint32_t payload) {
    return static_cast<std::uint16_t>(type | payload);
}

}  // namespace

Evt3Encoder::Evt3Encoder(std::uint32_t width, std::uint32_t height, bool keepEarlierTimes)
    : EventEncoder(width, height, keepEarlierTimes) {}

void Evt3Encoder::encode(const Event2D* events, std::size_t count, WordBuffer& words) {
    for (std::size_t done = 0; done < count;) {
        const std::size_t slice = std::min(sliceEvents, count - done);
        words.reserveMore(sliceWords);
        std::uint16_t* out = words.end();
        const Event2D* event = events + done;
        const Event2D* const last = event + slice;
        while (event < last) {
            const std::uint32_t x = event->x;
            const std::uint32_t y = event->y;
            if (x >= width || y >= height) {
                ++skipped;
                ++event;
                continue;
            }
            std::uint64_t target = event->timestamp;
            if ((!started || target != time) && !placeTime(target, words, out)) {
                ++skipped;
                ++event;
                continue;
            }
            putRow(y, out);
            // Gather the following events of this row, time and polarity that rise in x and
            // fit the 12-pixel window starting at the current base or at this event.
            const std::uint32_t polarity = event->polarity != 0 ? 1 : 0;
            const bool reuse = baseSet && basePolarity == polarity && x - baseX < 12;
            const std::uint32_t base = reuse ? baseX : x;
            const std::uint32_t limit = std::min(base + 12, width);
            std::uint32_t mask = 1u << (x - base);
            const Event2D* next = event + 1;
            if (event->timestamp == target) {
                std::uint32_t previous = x;
                while (next < last && next->timestamp == target && next->y == y &&
                       (next->polarity != 0 ? 1u : 0u) == polarity && next->x > previous &&
                       next->x < limit) {
                    previous = next->x;
                    mask |= 1u << (previous - base);
                    ++next;
                }
            }
            if (!reuse && next == event + 1) {
                *out++ = word(addrX, (polarity << 11) | x);
            } else {
                if (!reuse) {
                    *out++ = word(vectBaseX, (polarity << 11) | x);
                    basePolarity = polarity;
                    baseSet = true;
                }
                const bool narrow = mask < 0x100;
                *out++ = word(narrow ? vect8 : vect12, mask);
                baseX = base + (narrow ? 8 : 12);
            }
            encoded += static_cast<std::uint64_t>(next - event);
            event = next;
        }
        words.setEnd(out);
        done += slice;
    }
}

void Evt3Encoder::encodeTrigger(const ExtTrigger& trigger, WordBuffer& words) {
    words.reserveMore(wordsPerItem);
    std::uint16_t* out = words.end();
    putTrigger(trigger, words, out);
    words.setEnd(out);
}

void Evt3Encoder::putEvent(std::uint32_t x, std::uint32_t y, std::uint32_t polarity,
                           std::uint64_t target, WordBuffer& words, std::uint16_t*& out) {
    if (x >= width || y >= height ||
        ((!started || target != time) && !placeTime(target, words, out))) {
        ++skipped;
        return;
    }
    putRow(y, out);
    *out++ = word(addrX, (polarity << 11) | x);
    ++encoded;
}

void Evt3Encoder::putVector(std::uint32_t base, std::uint32_t mask, std::uint32_t y,
                            std::uint32_t polarity, std::uint64_t target, WordBuffer& words,
                            std::uint16_t*& out) {
    const std::uint32_t room = base < width ? width - base : 0;
    const std::uint32_t kept = y < height && room < 12 ? mask & ((1u << room) - 1) : mask;
    const std::uint32_t inside = y < height ? kept : 0;
    skipped += static_cast<std::uint64_t>(bitCount(mask ^ inside));
    if (inside == 0) {
        return;
    }
    if ((!started || target != time) && !placeTime(target, words, out)) {
        skipped += static_cast<std::uint64_t>(bitCount(inside));
        return;
    }
    putRow(y, out);
    if (!baseSet || baseX != base || basePolarity != polarity) {
        *out++ = word(vectBaseX, (polarity << 11) | base);
        basePolarity = polarity;
        baseSet = true;
    }
    const bool narrow = inside < 0x100;
    *out++ = word(narrow ? vect8 : vect12, inside);
    baseX = base + (narrow ? 8 : 12);
    encoded += static_cast<std::uint64_t>(bitCount(inside));
}

void Evt3Encoder::putTrigger(const ExtTrigger& trigger, WordBuffer& words, std::uint16_t*& out) {
    std::uint64_t target = trigger.timestamp;
    if (trigger.id > 0xF || ((!started || target != time) && !placeTime(target, words, out))) {
        ++skipped;
        return;
    }
    *out++ = word(triggerWord, (std::uint32_t{trigger.id} << 8) | (trigger.value & 1u));
    ++triggers;
}

void Evt3Encoder::putRow(std::uint32_t y, std::uint16_t*& out) {
    if (!rowSet || y != row) {
        *out++ = word(addrY, y);
        row = y;
        rowSet = true;
    }
}

// Brings the decoder's time to target. An earlier target that cannot be stepped back to becomes
// the current time. False when target is too far ahead to encode.
bool Evt3Encoder::placeTime(std::uint64_t& target, WordBuffer& words, std::uint16_t*& out) {
    if (!started || target > time) {
        return moveTimeTo(target, words, out);
    }
    if (!keepEarlierTimes || !stepBack(target, out)) {
        target = time;
        ++clamped;
    }
    return true;
}

// A step back within the wrap, small enough not to read as one.
bool Evt3Encoder::stepBack(std::uint64_t target, std::uint16_t*& out) {
    const std::uint32_t targetHigh = static_cast<std::uint32_t>(target >> 12) & 0xFFF;
    if ((target >> 24) != wraps || timeHigh - targetHigh > maxHighStepBack) {
        return false;
    }
    if (targetHigh != timeHigh) {
        timeHigh = targetHigh;
        *out++ = word(timeHighWord, timeHigh);
    }
    timeLow = static_cast<std::uint32_t>(target) & 0xFFF;
    *out++ = word(timeLowWord, timeLow);
    time = target;
    return true;
}

// Emits the time words that bring a decoder from the current time to target (never earlier).
// A wrap is a time-high that drops by more than 2048, so long jumps go through 0xFFF then 0.
bool Evt3Encoder::moveTimeTo(std::uint64_t target, WordBuffer& words, std::uint16_t*& out) {
    const std::uint64_t targetWraps = target >> 24;
    const std::uint32_t targetHigh = static_cast<std::uint32_t>(target >> 12) & 0xFFF;
    const std::uint32_t targetLow = static_cast<std::uint32_t>(target) & 0xFFF;
    const std::uint64_t jump = targetWraps - (started ? wraps : 0);
    if (jump > maxWrapJump) {
        return false;
    }
    if (jump > 0) {
        words.setEnd(out);
        words.reserveMore(2 * jump + sliceWords);
        out = words.end();
    }
    bool highSent = false;
    if (!started) {
        timeHigh = targetWraps > 0 ? 0xFFF : targetHigh;
        *out++ = word(timeHighWord, timeHigh);
        wraps = 0;
        started = true;
        highSent = true;
    }
    while (wraps < targetWraps) {
        if (wraps + 1 == targetWraps && targetHigh + maxHighStepBack < timeHigh) {
            timeHigh = targetHigh;
        } else {
            if (timeHigh != 0xFFF) {
                *out++ = word(timeHighWord, 0xFFF);
            }
            timeHigh = 0;
        }
        *out++ = word(timeHighWord, timeHigh);
        ++wraps;
        highSent = true;
    }
    if (targetHigh != timeHigh) {
        timeHigh = targetHigh;
        *out++ = word(timeHighWord, timeHigh);
        highSent = true;
    }
    if (highSent || targetLow != timeLow) {
        timeLow = targetLow;
        *out++ = word(timeLowWord, timeLow);
    }
    time = target;
    return true;
}

}  // namespace korvane
