#include "korvane/RawFileReport.h"

#include <cstdio>

namespace korvane {

namespace {

using Lines = std::vector<std::pair<std::string, std::string>>;

void add(Lines& lines, const char* key, std::uint64_t value) {
    lines.emplace_back(key, std::to_string(value));
}

// Ranges of a recording without events have no value.
void addRange(Lines& lines, const char* key, bool defined, std::uint64_t value) {
    lines.emplace_back(key, defined ? std::to_string(value) : std::string("-"));
}

}  // namespace

std::vector<std::pair<std::string, std::string>> rawFileReport(const RawFileInfo& info) {
    const bool any = info.events != 0;
    const std::uint64_t duration = any && info.lastTimestamp > info.firstTimestamp
                                       ? info.lastTimestamp - info.firstTimestamp
                                       : 0;
    char rate[64];
    std::snprintf(rate, sizeof rate, "%.1f",
                  duration != 0 ? static_cast<double>(info.events) * 1e6 / duration : 0.0);

    Lines lines;
    lines.emplace_back("format", info.format);
    add(lines, "width", info.width);
    add(lines, "height", info.height);
    add(lines, "events", info.events);
    add(lines, "positive", info.positive);
    add(lines, "negative", info.negative);
    add(lines, "triggers", info.triggers);
    addRange(lines, "first_timestamp_us", any, info.firstTimestamp);
    addRange(lines, "last_timestamp_us", any, info.lastTimestamp);
    addRange(lines, "min_timestamp_us", any, info.minTimestamp);
    addRange(lines, "max_timestamp_us", any, info.maxTimestamp);
    add(lines, "duration_us", duration);
    addRange(lines, "min_x", any, info.minX);
    addRange(lines, "max_x", any, info.maxX);
    addRange(lines, "min_y", any, info.minY);
    addRange(lines, "max_y", any, info.maxY);
    lines.emplace_back("event_rate_hz", rate);
    add(lines, "skipped_words", info.skippedWords());
    add(lines, "dropped_events", info.droppedEvents());
    add(lines, "reserved_words", info.reservedWords);
    add(lines, "vendor_words", info.vendorWords);
    add(lines, "partial_trailing_words", info.partialTrailingWords);
    add(lines, "events_without_time", info.eventsWithoutTime);
    add(lines, "events_outside_sensor", info.eventsOutsideSensor);
    add(lines, "triggers_without_time", info.triggersWithoutTime);
    add(lines, "time_backward_steps", info.timeBackwardSteps);
    for (const auto& entry : info.headerEntries) {
        lines.emplace_back("header_" + entry.first, entry.second);
    }
    return lines;
}

}  // namespace korvane
