#pragma once

#include <string>

namespace korvane {

// Numeric fields are left unset by default construction: the tool fills them.
struct FloatParameterInfo {
    float min;
    float max;
    float defaultValue;
    std::string unit;

    std::string toString() const;
    float constraintValue(float value) const;
};

}  // namespace korvane
