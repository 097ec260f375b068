#pragma once

#include <string>
#include <utility>
#include <vector>

#include "korvane/RawFileInfo.h"

namespace korvane {

// What `ostrel-raw info` prints about a recording, as (key, value) lines in its order: format,
// size, counts, times, ranges, damage counters, then the header's own lines as "header_<key>".
// The viewer's recording information shows the same lines.
std::vector<std::pair<std::string, std::string>> rawFileReport(const RawFileInfo& info);

}  // namespace korvane
