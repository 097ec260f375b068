#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "CsvOut.h"
#include "RawCommands.h"
#include "ToolArguments.h"
#include "korvane/RawFileReader.h"

namespace {

constexpr std::uint64_t noLimit = std::numeric_limits<std::uint64_t>::max();
// Windows short enough to keep memory low on dense recordings; gaps are jumped over.
constexpr std::uint64_t windowUs = 10000;

struct DumpRange {
    std::uint64_t from = 0;
    std::uint64_t end = 0;  // exclusive; the largest value means to the end
    std::uint64_t limit = noLimit;
};

// Walks the range window by window with the viewer's window read; an empty window jumps to the
// next timestamp found anywhere in the file. Calls print for each window until it returns false.
template <class Read, class Print>
void walk(korvane::RawFileReader& reader, const DumpRange& range, Read read, Print print) {
    std::uint64_t start = range.from;
    while (start < range.end) {
        const std::uint64_t length = std::min(windowUs, range.end - start);
        bool any = false;
        if (!print(read(start, length), any)) {
            return;
        }
        start += length;
        std::uint64_t next = 0;
        if (!any && start < range.end) {
            if (!reader.nextTimestamp(start, next)) {
                return;
            }
            start = std::max(start, next);
        }
    }
}

void dumpEvents(korvane::RawFileReader& reader, const DumpRange& range, CsvOut& out) {
    std::uint64_t printed = 0;
    const auto read = [&](std::uint64_t start, std::uint64_t length) {
        return reader.readEventsAt(start, length);
    };
    const auto print = [&](const std::shared_ptr<std::vector<korvane::Event2D>>& events,
                           bool& any) {
        if (!events) {
            return false;
        }
        any = !events->empty();
        for (const korvane::Event2D& event : *events) {
            if (printed++ == range.limit) {
                return false;
            }
            out.number(event.timestamp, ',');
            out.number(event.x, ',');
            out.number(event.y, ',');
            out.number(event.polarity, '\n');
        }
        return true;
    };
    walk(reader, range, read, print);
}

void dumpTriggers(korvane::RawFileReader& reader, const DumpRange& range, CsvOut& out) {
    std::uint64_t printed = 0;
    const auto read = [&](std::uint64_t start, std::uint64_t length) {
        return reader.readTriggersAt(start, length);
    };
    const auto print = [&](const std::vector<korvane::ExtTrigger>& triggers, bool& any) {
        any = !triggers.empty();
        for (const korvane::ExtTrigger& trigger : triggers) {
            if (printed++ == range.limit) {
                return false;
            }
            out.number(trigger.timestamp, ',');
            out.number(trigger.id, ',');
            out.number(trigger.value, '\n');
        }
        return true;
    };
    walk(reader, range, read, print);
}

}  // namespace

int dumpCommand(const std::vector<std::string>& words) {
    ToolArguments arguments;
    if (!arguments.parse(words, {"--from", "--duration", "--limit"}, {"--triggers"})) {
        return failWith(arguments.error());
    }
    if (arguments.positional().size() != 1) {
        return failWith("dump takes one FILE (see ostrel-raw --help)");
    }
    std::uint64_t from = 0;
    std::uint64_t duration = 0;
    DumpRange range;
    if (!arguments.number("--from", 0, from) ||
        !arguments.number("--duration", noLimit, duration) ||
        !arguments.number("--limit", noLimit, range.limit)) {
        return failWith(arguments.error());
    }
    std::string error;
    const auto reader = openRecording(arguments.positional().front(), error);
    if (!reader) {
        return failWith(error);
    }
    const bool triggers = arguments.has("--triggers");
    CsvOut out;
    std::fputs(triggers ? "t,id,value\n" : "t,x,y,p\n", stdout);
    std::uint64_t begin = 0;
    if (!arguments.has("--from") && reader->getBeginTime(begin)) {
        from = begin;
    }
    range.from = from;
    range.end = duration > noLimit - from ? noLimit : from + duration;
    if (triggers) {
        if (!arguments.has("--from")) {
            range.from = 0;
        }
        dumpTriggers(*reader, range, out);
    } else if (reader->seekTo(from)) {
        dumpEvents(*reader, range, out);
    }
    return 0;
}
