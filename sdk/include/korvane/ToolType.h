#pragma once

#include <cstdint>

namespace korvane {

enum class ToolType : std::int32_t { Biases = 0 };

}  // namespace korvane
