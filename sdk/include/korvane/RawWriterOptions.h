#pragma once

#include <string>
#include <utility>
#include <vector>

namespace korvane {

// The encodings a RawFileWriter can produce.
enum class RawFormat { Evt3, Evt2 };

// What a RawFileWriter encodes into and what its header says besides the encoding and the size.
struct RawWriterOptions {
    RawFormat format = RawFormat::Evt3;
    // Header lines in order, after the writer's own. A "date" (any case) given here stands for the
    // time of opening; "evt", "format", "geometry" and "end" are left out: the writer writes its
    // own for the chosen encoding and size.
    std::vector<std::pair<std::string, std::string>> headerEntries;
    // Items earlier than their predecessor keep their time where the encoding can step back to
    // it without the step reading as a rollover (up to about 8 s in EVT 3.0, 2^33 µs in EVT 2.0);
    // otherwise, as by default, they take their predecessor's time.
    bool keepEarlierTimes = false;
};

}  // namespace korvane
