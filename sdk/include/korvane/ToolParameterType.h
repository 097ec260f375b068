#pragma once

#include <cstdint>
#include <string>

namespace korvane {

enum class ToolParameterType : std::int32_t { Int = 0, Float = 1, Bool = 2, Enum = 3, String = 4 };

std::string ToolParameterTypeToString(ToolParameterType type);

}  // namespace korvane
