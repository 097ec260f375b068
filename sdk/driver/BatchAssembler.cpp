#include "BatchAssembler.h"

#include <algorithm>

namespace korvane {

std::uint64_t BatchAssembler::clampInterval(std::uint64_t microseconds) {
    return std::clamp(microseconds, minimumInterval, maximumInterval);
}

void BatchAssembler::start(std::uint64_t begin, std::uint64_t firstInterval) {
    stop();
    started = true;
    buildingBegin = begin;
    interval = clampInterval(firstInterval);
    nextInterval = interval;
}

void BatchAssembler::stop() {
    started = false;
    building.clear();
    ready.clear();
    readyIsNew = false;
}

void BatchAssembler::append(const Event2D* events, std::size_t count, std::uint64_t completeUntil) {
    building.insert(building.end(), events, events + count);
    if (completeUntil < buildingBegin + interval) {
        return;
    }
    // The batch being filled keeps the length it started with; a new length counts from the next.
    std::uint64_t end = buildingBegin + interval;
    std::uint64_t begin = buildingBegin;
    std::uint64_t completed = 1;
    interval = nextInterval;
    if (completeUntil >= end + interval) {
        // Several batches completed at once: only the newest can still be taken.
        const std::uint64_t more = (completeUntil - end) / interval;
        begin = end + (more - 1) * interval;
        end = begin + interval;
        completed += more;
    }
    complete(begin, end, completed);
}

void BatchAssembler::complete(std::uint64_t begin, std::uint64_t end, std::uint64_t completed) {
    const auto byTime = [](const Event2D& event, std::uint64_t time) {
        return event.timestamp < time;
    };
    const auto first = std::lower_bound(building.begin(), building.end(), begin, byTime);
    const auto last = std::lower_bound(first, building.end(), end, byTime);
    if (first == building.begin()) {
        // The usual case: the batch is the front of the buffer, so hand the buffer over whole
        // and keep only the tail.
        const auto kept = static_cast<std::size_t>(last - building.begin());
        ready.swap(building);
        building.assign(ready.begin() + static_cast<std::ptrdiff_t>(kept), ready.end());
        ready.resize(kept);
    } else {
        ready.assign(first, last);
        building.erase(building.begin(), last);
    }
    readyIsNew = true;
    readyBegin = begin;
    readyEnd = end;
    completedCount += completed;
    buildingBegin = end;
}

void BatchAssembler::take(std::vector<Event2D>& events) {
    if (!readyIsNew) {
        events.clear();
        return;
    }
    events.swap(ready);
    ready.clear();
    readyIsNew = false;
    takenSpanBegin = readyBegin;
    takenSpanEnd = readyEnd;
    takenNumber = completedCount;
}

}  // namespace korvane
