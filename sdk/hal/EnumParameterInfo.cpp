#include "korvane/EnumParameterInfo.h"

namespace korvane {

std::string EnumParameterInfo::toString() const {
    return "Options: " + std::to_string(options.size()) + " Default: " + defaultValue;
}

}  // namespace korvane
