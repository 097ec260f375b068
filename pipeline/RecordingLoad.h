#pragma once

#include <cstdint>
#include <string>

#include "korvane/DvsFileReader.h"

// What loading a recording found: its time range, or why it cannot be played.
struct RecordingLoad {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    std::string failure;  // empty when the recording can be played

    bool loaded() const { return failure.empty(); }
};

// Reads the whole file once (slow: run it off the GUI thread) and asks for its range.
RecordingLoad loadRecording(korvane::DvsFileReader& reader);
