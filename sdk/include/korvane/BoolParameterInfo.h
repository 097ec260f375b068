#pragma once

#include <string>

namespace korvane {

struct BoolParameterInfo {
    bool defaultValue = false;

    std::string toString() const;
};

}  // namespace korvane
