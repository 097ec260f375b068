#include "Evt3Encoder.h"

namespace korvane {

namespace {

constexpr std::uint16_t addrY = 0x0000;
constexpr std::uint16_t addrX = 0x2000;
constexpr std::uint16_t vectBaseX = 0x3000;
constexpr std::uint16_t vect12 = 0x4000;
constexpr std::uint16_t vect8 = 0x5000;
constexpr std::uint16_t timeLowWord = 0x6000;
constexpr std::uint16_t timeHighWord = 0x8000;
// A jump of more wraps than this (about 200 days) is not worth the words it would take.
constexpr std::uint64_t maxWrapJump = std::uint64_t{1} << 20;

std::uint16_t word(std::uint16_t type, std::uint32_t payload) {
    return static_cast<std::uint16_t>(type | payload);
}

}  // namespace

Evt3Encoder::Evt3Encoder(std::uint32_t width, std::uint32_t height)
    : width(width), height(height) {}

void Evt3Encoder::encode(const Event2D* events, std::size_t count,
                         std::vector<std::uint16_t>& words) {
    std::size_t i = 0;
    while (i < count) {
        const Event2D& first = events[i];
        if (first.x >= width || first.y >= height) {
            ++skipped;
            ++i;
            continue;
        }
        std::uint64_t target = first.timestamp;
        if (started && target < time) {
            target = time;
            ++clamped;
        }
        if (!moveTimeTo(target, words)) {
            ++skipped;
            ++i;
            continue;
        }
        if (!rowSet || first.y != row) {
            words.push_back(word(addrY, first.y));
            row = first.y;
            rowSet = true;
        }
        const std::uint32_t polarity = first.polarity != 0 ? 1 : 0;
        std::size_t end = i + 1;
        if (first.timestamp == target) {
            while (end < count && events[end].timestamp == target && events[end].y == first.y &&
                   (events[end].polarity != 0 ? 1u : 0u) == polarity &&
                   events[end].x > events[end - 1].x && events[end].x < width) {
                ++end;
            }
        }
        encodeRun(events + i, end - i, polarity, words);
        encoded += end - i;
        i = end;
    }
}

// Events of one row, time and polarity with rising x: vector words where at least two share a
// 12-pixel window (or the current base already covers one), single-event words elsewhere.
void Evt3Encoder::encodeRun(const Event2D* run, std::size_t count, std::uint32_t polarity,
                            std::vector<std::uint16_t>& words) {
    std::size_t k = 0;
    while (k < count) {
        const std::uint32_t x = run[k].x;
        const bool reuse = baseSet && basePolarity == polarity && x >= baseX && x < baseX + 12;
        const std::uint32_t base = reuse ? baseX : x;
        std::uint32_t mask = 0;
        std::size_t next = k;
        while (next < count && run[next].x < base + 12) {
            mask |= 1u << (run[next].x - base);
            ++next;
        }
        if (!reuse && next - k < 2) {
            words.push_back(word(addrX, (polarity << 11) | x));
            ++k;
            continue;
        }
        if (!reuse) {
            words.push_back(word(vectBaseX, (polarity << 11) | x));
            basePolarity = polarity;
            baseSet = true;
        }
        if (mask < 0x100) {
            words.push_back(word(vect8, mask));
            baseX = base + 8;
        } else {
            words.push_back(word(vect12, mask));
            baseX = base + 12;
        }
        k = next;
    }
}

// Emits the time words that bring a decoder from the current time to target (never earlier).
// A wrap is a time-high that drops by more than 2048, so long jumps go through 0xFFF then 0.
bool Evt3Encoder::moveTimeTo(std::uint64_t target, std::vector<std::uint16_t>& words) {
    if (started && target == time) {
        return true;
    }
    const std::uint64_t targetWraps = target >> 24;
    const std::uint32_t targetHigh = static_cast<std::uint32_t>(target >> 12) & 0xFFF;
    const std::uint32_t targetLow = static_cast<std::uint32_t>(target) & 0xFFF;
    if (targetWraps - (started ? wraps : 0) > maxWrapJump) {
        return false;
    }
    bool highSent = false;
    if (!started) {
        timeHigh = targetWraps > 0 ? 0xFFF : targetHigh;
        words.push_back(word(timeHighWord, timeHigh));
        wraps = 0;
        started = true;
        highSent = true;
    }
    while (wraps < targetWraps) {
        if (wraps + 1 == targetWraps && targetHigh + 2048 < timeHigh) {
            timeHigh = targetHigh;
        } else {
            if (timeHigh != 0xFFF) {
                words.push_back(word(timeHighWord, 0xFFF));
            }
            timeHigh = 0;
        }
        words.push_back(word(timeHighWord, timeHigh));
        ++wraps;
        highSent = true;
    }
    if (targetHigh != timeHigh) {
        timeHigh = targetHigh;
        words.push_back(word(timeHighWord, timeHigh));
        highSent = true;
    }
    if (highSent || targetLow != timeLow) {
        timeLow = targetLow;
        words.push_back(word(timeLowWord, timeLow));
    }
    time = target;
    return true;
}

}  // namespace korvane
