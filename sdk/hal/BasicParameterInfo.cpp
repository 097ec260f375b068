#include "korvane/BasicParameterInfo.h"

namespace korvane {

std::string BasicParameterInfo::toString() const {
    return "Name: " + name + " Description: " + description +
           " Type: " + ToolParameterTypeToString(type);
}

}  // namespace korvane
