#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "korvane/Event2D.h"

namespace korvane {

// Cuts a time-ordered stream into back-to-back batches of a set length and keeps the newest
// completed one until it is taken. Not thread-safe: the camera guards it with a mutex.
class BatchAssembler {
public:
    static constexpr std::uint64_t minimumInterval = 1;
    // A longer batch would hold more events than memory can be trusted with at full rate.
    static constexpr std::uint64_t maximumInterval = 1000000;

    static std::uint64_t clampInterval(std::uint64_t microseconds);

    // The first batch begins at begin and lasts interval.
    void start(std::uint64_t begin, std::uint64_t interval);
    // Drops everything; nothing can be taken until the next start.
    void stop();
    bool isStarted() const { return started; }
    // Length of the batches after the one being filled.
    void setInterval(std::uint64_t interval) { nextInterval = clampInterval(interval); }
    // Adds events, all at or after the previous ones and before completeUntil, the time up to
    // which the stream is known; every batch ending at or before it is complete.
    void append(const Event2D* events, std::size_t count, std::uint64_t completeUntil);
    // Replaces events with the newest completed batch, or empties it when none completed since
    // the last take. Swaps buffers, so neither side allocates in a steady stream.
    void take(std::vector<Event2D>& events);

    // Time span of the batch the last take handed out, and how many batches had completed by
    // then (consecutive numbers mean no batch was passed over).
    std::uint64_t takenBegin() const { return takenSpanBegin; }
    std::uint64_t takenEnd() const { return takenSpanEnd; }
    std::uint64_t takenSequence() const { return takenNumber; }

private:
    void complete(std::uint64_t begin, std::uint64_t end, std::uint64_t completed);

    bool started = false;
    std::vector<Event2D> building;
    std::uint64_t buildingBegin = 0;
    std::uint64_t interval = 0;
    std::uint64_t nextInterval = 0;

    std::vector<Event2D> ready;
    bool readyIsNew = false;
    std::uint64_t readyBegin = 0;
    std::uint64_t readyEnd = 0;
    std::uint64_t completedCount = 0;

    std::uint64_t takenSpanBegin = 0;
    std::uint64_t takenSpanEnd = 0;
    std::uint64_t takenNumber = 0;
};

}  // namespace korvane
