#include "Evt2Encoder.h"

#include <algorithm>
#include <cstring>

#include "BitCount.h"

namespace korvane {

namespace {

constexpr std::uint32_t eventType = 0x0;  // | polarity: CD_OFF 0, CD_ON 1
constexpr std::uint32_t timeHighType = 0x8;
constexpr std::uint32_t triggerType = 0xA;
constexpr std::uint32_t highMask = 0x0FFFFFFF;
// A time-high that drops by more than this reads as a rollover.
constexpr std::uint32_t maxHighStepBack = 1u << 27;
// A jump of more rollovers than this (about 190 days) is not worth the words it would take.
constexpr std::uint64_t maxRolloverJump = 1024;
// Room is made per slice: at most a time-high and an event word, two halves each, per event.
constexpr std::size_t sliceEvents = 4096;
constexpr std::size_t sliceWords = 4 * sliceEvents + 8;

void put(std::uint32_t word, std::uint16_t*& out) {
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "words are written in host order");
    std::memcpy(out, &word, sizeof word);
    out += 2;
}

std::uint32_t lowBits(std::uint64_t time) {
    return static_cast<std::uint32_t>(time & 0x3F) << 22;
}

}  // namespace

Evt2Encoder::Evt2Encoder(std::uint32_t width, std::uint32_t height, bool keepEarlierTimes)
    : EventEncoder(width, height, keepEarlierTimes) {}

void Evt2Encoder::encode(const Event2D* events, std::size_t count, WordBuffer& words) {
    for (std::size_t done = 0; done < count;) {
        const std::size_t slice = std::min(sliceEvents, count - done);
        words.reserveMore(sliceWords);
        std::uint16_t* out = words.end();
        for (const Event2D* event = events + done; event < events + done + slice; ++event) {
            putEvent(event->x, event->y, event->polarity != 0 ? 1 : 0, event->timestamp, words,
                     out);
        }
        words.setEnd(out);
        done += slice;
    }
}

void Evt2Encoder::encodeTrigger(const ExtTrigger& trigger, WordBuffer& words) {
    words.reserveMore(wordsPerItem);
    std::uint16_t* out = words.end();
    putTrigger(trigger, words, out);
    words.setEnd(out);
}

void Evt2Encoder::putEvent(std::uint32_t x, std::uint32_t y, std::uint32_t polarity,
                           std::uint64_t target, WordBuffer& words, std::uint16_t*& out) {
    if (x >= width || y >= height ||
        ((!started || target != time) && !placeTime(target, words, out))) {
        ++skipped;
        return;
    }
    put(((eventType | polarity) << 28) | lowBits(target) | (x << 11) | y, out);
    ++encoded;
}

// The events of a vector share time, row and polarity: one time check, then a word per event.
void Evt2Encoder::putVector(std::uint32_t baseX, std::uint32_t mask, std::uint32_t y,
                            std::uint32_t polarity, std::uint64_t target, WordBuffer& words,
                            std::uint16_t*& out) {
    if (y >= height || ((!started || target != time) && !placeTime(target, words, out))) {
        skipped += bitCount(mask);
        return;
    }
    const std::uint32_t head = ((eventType | polarity) << 28) | lowBits(target) | y;
    for (; mask != 0; mask &= mask - 1) {
        const std::uint32_t x = baseX + static_cast<std::uint32_t>(__builtin_ctz(mask));
        if (x < width) {
            put(head | (x << 11), out);
            ++encoded;
        } else {
            ++skipped;
        }
    }
}

void Evt2Encoder::putTrigger(const ExtTrigger& trigger, WordBuffer& words, std::uint16_t*& out) {
    std::uint64_t target = trigger.timestamp;
    if (trigger.id > 0x1F || ((!started || target != time) && !placeTime(target, words, out))) {
        ++skipped;
        return;
    }
    put((triggerType << 28) | lowBits(target) | (std::uint32_t{trigger.id} << 8) |
            (trigger.value & 1u),
        out);
    ++triggers;
}

// Brings the decoder's time to target. An earlier target that cannot be stepped back to becomes
// the current time. False when target is too far ahead to encode.
bool Evt2Encoder::placeTime(std::uint64_t& target, WordBuffer& words, std::uint16_t*& out) {
    if (!started || target > time) {
        if ((!started || (target >> 6) != (time >> 6)) && !moveHighTo(target >> 6, words, out)) {
            return false;
        }
        time = target;
        return true;
    }
    if (keepEarlierTimes && stepBack(target, out)) {
        time = target;
    } else {
        target = time;
        ++clamped;
    }
    return true;
}

// Within the same time-high no word is needed; otherwise a step back within the rollover, small
// enough not to read as one.
bool Evt2Encoder::stepBack(std::uint64_t target, std::uint16_t*& out) {
    if ((target >> 6) == (time >> 6)) {
        return true;
    }
    const std::uint32_t targetHigh = static_cast<std::uint32_t>(target >> 6) & highMask;
    if ((target >> 34) != rollovers || high - targetHigh > maxHighStepBack) {
        return false;
    }
    putHigh(targetHigh, out);
    return true;
}

// A rollover is a time-high that drops by more than half the range, so long jumps go through
// the largest value then 0.
bool Evt2Encoder::moveHighTo(std::uint64_t targetHigh, WordBuffer& words, std::uint16_t*& out) {
    const std::uint64_t targetRollovers = targetHigh >> 28;
    const std::uint32_t targetBits = static_cast<std::uint32_t>(targetHigh) & highMask;
    const std::uint64_t jump = targetRollovers - (started ? rollovers : 0);
    if (jump > maxRolloverJump) {
        return false;
    }
    if (jump > 0) {
        words.setEnd(out);
        words.reserveMore(4 * jump + sliceWords);
        out = words.end();
    }
    if (!started) {
        putHigh(targetRollovers > 0 ? highMask : targetBits, out);
        rollovers = 0;
        started = true;
    }
    while (rollovers < targetRollovers) {
        if (rollovers + 1 == targetRollovers && targetBits + maxHighStepBack < high) {
            putHigh(targetBits, out);
        } else {
            if (high != highMask) {
                putHigh(highMask, out);
            }
            putHigh(0, out);
        }
        ++rollovers;
    }
    if (targetBits != high) {
        putHigh(targetBits, out);
    }
    return true;
}

void Evt2Encoder::putHigh(std::uint32_t bits, std::uint16_t*& out) {
    high = bits;
    put((timeHighType << 28) | bits, out);
}

}  // namespace korvane
