#pragma once

#include <string>
#include <vector>

namespace korvane {

struct EnumParameterInfo {
    std::vector<std::string> options;
    std::string defaultValue;

    std::string toString() const;
};

}  // namespace korvane
