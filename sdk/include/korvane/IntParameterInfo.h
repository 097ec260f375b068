#pragma once

#include <cstdint>
#include <string>

namespace korvane {

// Numeric fields are left unset by default construction: the tool fills them.
struct IntParameterInfo {
    std::int32_t min;
    std::int32_t max;
    std::int32_t defaultValue;
    std::string unit;

    std::string toString() const;
    int constraintValue(int value) const;
};

}  // namespace korvane
