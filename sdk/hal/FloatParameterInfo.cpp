#include "korvane/FloatParameterInfo.h"

#include <cstdio>

namespace korvane {

namespace {

std::string fixedSix(float value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(value));
    return buffer;
}

}  // namespace

std::string FloatParameterInfo::toString() const {
    return "Min: " + fixedSix(min) + " Max: " + fixedSix(max) +
           " Default: " + fixedSix(defaultValue) + " Unit: " + unit;
}

// Ordered comparisons: a NaN fails both and comes back unchanged.
float FloatParameterInfo::constraintValue(float value) const {
    if (value < min) {
        return min;
    }
    if (value > max) {
        return max;
    }
    return value;
}

}  // namespace korvane
