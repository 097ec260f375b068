#include "korvane/IntParameterInfo.h"

namespace korvane {

std::string IntParameterInfo::toString() const {
    return "Min: " + std::to_string(min) + " Max: " + std::to_string(max) +
           " Default: " + std::to_string(defaultValue) + " Unit: " + unit;
}

int IntParameterInfo::constraintValue(int value) const {
    if (value < min) {
        return min;
    }
    if (value > max) {
        return max;
    }
    return value;
}

}  // namespace korvane
