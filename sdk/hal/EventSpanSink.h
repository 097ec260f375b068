#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "korvane/Event2D.h"

namespace korvane {

// Writes the decoded events of [start, start + length) through a cursor into room the caller
// has made, 12 events for every word decoded, and keeps the time of the last item seen. Meant
// to live in a local variable for one decode call so that the cursor and times stay in
// registers. Without timed, every event is taken: for data known to lie inside the span.
template <bool timed = true>
struct EventSpanSink {
    Event2D* cursor = nullptr;
    std::uint64_t start = 0;
    std::uint64_t length = 0;
    std::uint64_t lastTime = 0;

    // Field by field: packing a lone event into 8 bytes cost more than the stores it saved.
    void event(std::uint32_t x, std::uint32_t y, std::uint32_t polarity, std::uint64_t time) {
        lastTime = time;
        if (!timed || time - start < length) {
            *cursor++ = Event2D(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y),
                                static_cast<std::uint8_t>(polarity), time);
        }
    }

    // Writes all 12 places and moves the cursor past the set bits only: no branch per pixel,
    // whose outcome a random mask makes unpredictable.
    void vector(std::uint32_t baseX, std::uint32_t mask, std::uint32_t y, std::uint32_t polarity,
                std::uint64_t time) {
        lastTime = time;
        if (timed && time - start >= length) {
            return;
        }
        const std::uint64_t first = baseX | head(y, polarity);
#pragma GCC unroll 12
        for (std::uint32_t bit = 0; bit < 12; ++bit) {
            put(cursor, first + bit, time);
            cursor += (mask >> bit) & 1;
        }
    }

    void trigger(std::uint64_t time, std::uint32_t, std::uint32_t) {
        lastTime = time;
    }

private:
    static_assert(sizeof(Event2D) == 16 && offsetof(Event2D, y) == 2 &&
                      offsetof(Event2D, polarity) == 4 && offsetof(Event2D, timestamp) == 8,
                  "an event is x, y and polarity in its first 8 bytes and the time in its last");

    // The first 8 bytes of an event without its x; the padding bytes come out zero.
    static std::uint64_t head(std::uint32_t y, std::uint32_t polarity) {
        return (std::uint64_t{y} << 16) | (std::uint64_t{polarity} << 32);
    }

    static void put(Event2D* at, std::uint64_t head, std::uint64_t time) {
        auto* bytes = reinterpret_cast<unsigned char*>(at);
        std::memcpy(bytes, &head, sizeof head);
        std::memcpy(bytes + sizeof head, &time, sizeof time);
    }
};

}  // namespace korvane
