#include <cstdio>
#include <string>

#include "RawCommands.h"
#include "ToolArguments.h"
#include "korvane/RawFileReader.h"

namespace {

void line(const char* key, const std::string& value) {
    std::printf("%s: %s\n", key, value.c_str());
}

void line(const char* key, std::uint64_t value) {
    line(key, std::to_string(value));
}

// Ranges of a recording without events have no value.
void rangeLine(const char* key, bool defined, std::uint64_t value) {
    line(key, defined ? std::to_string(value) : std::string("-"));
}

}  // namespace

int infoCommand(const std::vector<std::string>& words) {
    ToolArguments arguments;
    if (!arguments.parse(words, {}, {})) {
        return failWith(arguments.error());
    }
    if (arguments.positional().size() != 1) {
        return failWith("info takes one FILE (see ostrel-raw --help)");
    }
    std::string error;
    const auto reader = openRecording(arguments.positional().front(), error);
    if (!reader) {
        return failWith(error);
    }
    const korvane::RawFileInfo& info = reader->info();
    const bool any = info.events != 0;
    const std::uint64_t duration = any && info.lastTimestamp > info.firstTimestamp
                                       ? info.lastTimestamp - info.firstTimestamp
                                       : 0;
    char rate[64];
    std::snprintf(rate, sizeof rate, "%.1f",
                  duration != 0 ? static_cast<double>(info.events) * 1e6 / duration : 0.0);

    line("format", info.format);
    line("width", info.width);
    line("height", info.height);
    line("events", info.events);
    line("positive", info.positive);
    line("negative", info.negative);
    line("triggers", info.triggers);
    rangeLine("first_timestamp_us", any, info.firstTimestamp);
    rangeLine("last_timestamp_us", any, info.lastTimestamp);
    rangeLine("min_timestamp_us", any, info.minTimestamp);
    rangeLine("max_timestamp_us", any, info.maxTimestamp);
    line("duration_us", duration);
    rangeLine("min_x", any, info.minX);
    rangeLine("max_x", any, info.maxX);
    rangeLine("min_y", any, info.minY);
    rangeLine("max_y", any, info.maxY);
    line("event_rate_hz", rate);
    line("skipped_words", info.skippedWords());
    line("dropped_events", info.droppedEvents());
    line("reserved_words", info.reservedWords);
    line("vendor_words", info.vendorWords);
    line("partial_trailing_words", info.partialTrailingWords);
    line("events_without_time", info.eventsWithoutTime);
    line("events_outside_sensor", info.eventsOutsideSensor);
    line("triggers_without_time", info.triggersWithoutTime);
    line("time_backward_steps", info.timeBackwardSteps);
    for (const auto& entry : info.headerEntries) {
        line(("header_" + entry.first).c_str(), entry.second);
    }
    return 0;
}
