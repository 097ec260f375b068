#include "pipeline/EventRateMeter.h"

// Old frames leave once the newer ones cover a whole window on their own, so the figures always
// span at least a second when there is that much.
void EventRateMeter::add(std::uint64_t frameEvents, std::uint64_t framePositive,
                         std::uint64_t frameSpanUs) {
    samples.push_back({frameEvents, framePositive, frameSpanUs});
    events += frameEvents;
    positive += framePositive;
    spanUs += frameSpanUs;
    while (spanUs - samples.front().spanUs >= windowUs) {
        events -= samples.front().events;
        positive -= samples.front().positive;
        spanUs -= samples.front().spanUs;
        samples.pop_front();
    }
}

void EventRateMeter::clear() {
    samples.clear();
    events = 0;
    positive = 0;
    spanUs = 0;
}

double EventRateMeter::rate() const {
    return spanUs != 0 ? double(events) * 1e6 / double(spanUs) : 0.0;
}

double EventRateMeter::positiveShare() const {
    return events != 0 ? double(positive) / double(events) : 0.0;
}
