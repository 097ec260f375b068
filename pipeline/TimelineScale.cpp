#include "pipeline/TimelineScale.h"

#include <climits>

TimelineScale::TimelineScale(uint64_t start, uint64_t end)
    : start(start), span(end > start ? end - start : 0) {
    usPerStep = span / INT_MAX + (span % INT_MAX != 0 ? 1 : 0);
    if (usPerStep == 0) {
        usPerStep = 1;
    }
}

int TimelineScale::maximum() const {
    return static_cast<int>(span / usPerStep);
}

int TimelineScale::toSliderValue(uint64_t timestamp) const {
    if (timestamp <= start) {
        return 0;
    }
    const uint64_t steps = (timestamp - start) / usPerStep;
    const uint64_t last = static_cast<uint64_t>(maximum());
    return static_cast<int>(steps < last ? steps : last);
}

uint64_t TimelineScale::toTimestamp(int value) const {
    if (value <= 0) {
        return start;
    }
    return start + static_cast<uint64_t>(value) * usPerStep;
}
