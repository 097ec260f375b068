#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "korvane/RawFileWriter.h"

namespace korvane {

class EventEncoder;
class WordBuffer;

// Decodes the recording at path once, from start to end, and hands the items whose time lies in
// [start, end) to encoder in file order. Decoded vectors go on as vectors; only events that came
// one by one from an EVT 2.0 input are gathered again. flush is called after each step with the
// words so far. False when path cannot be read, flush fails or progress stops the copy.
bool copyRecording(const std::string& path, std::uint64_t start, std::uint64_t end,
                   EventEncoder& encoder, WordBuffer& words, const std::function<bool()>& flush,
                   const RawCopyProgress& progress);

}  // namespace korvane
