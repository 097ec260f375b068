#include "korvane/ToolParameterType.h"

namespace korvane {

std::string ToolParameterTypeToString(ToolParameterType type) {
    switch (type) {
        case ToolParameterType::Int:
            return "int";
        case ToolParameterType::Float:
            return "float";
        case ToolParameterType::Bool:
            return "bool";
        case ToolParameterType::Enum:
            return "enum";
        case ToolParameterType::String:
            return "string";
    }
    return "unknown";
}

}  // namespace korvane
