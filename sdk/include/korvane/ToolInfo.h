#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

struct ToolInfo {
    std::int32_t kind = 0;
    std::vector<std::string> entries;
    std::string text;
};

}  // namespace korvane
