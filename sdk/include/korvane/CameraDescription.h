#pragma once

#include <cstdint>
#include <string>

namespace korvane {

// What discovery reports about one camera; the serial opens it.
struct CameraDescription {
    std::string serial;
    std::string name;
    std::string plugin;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint32_t flags = 0;
};

}  // namespace korvane
