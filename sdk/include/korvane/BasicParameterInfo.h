#pragma once

#include <string>

#include "korvane/ToolParameterType.h"

namespace korvane {

struct BasicParameterInfo {
    std::string name;
    std::string description;
    ToolParameterType type = ToolParameterType::Int;

    std::string toString() const;
};

}  // namespace korvane
