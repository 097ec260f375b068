#include "korvane/BoolParameterInfo.h"

namespace korvane {

std::string BoolParameterInfo::toString() const {
    return std::string("Default: ") + (defaultValue ? "1" : "0");
}

}  // namespace korvane
