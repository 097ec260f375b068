#pragma once

#include <cstdint>

namespace korvane {

// Set bits of a vector mask. Inline: without a popcount instruction in the target, the builtin is
// a library call, which costs more than the arithmetic in the copy and rate loops.
inline std::uint32_t bitCount(std::uint32_t v) {
    v = v - ((v >> 1) & 0x55555555u);
    v = (v & 0x33333333u) + ((v >> 2) & 0x33333333u);
    return (((v + (v >> 4)) & 0x0F0F0F0Fu) * 0x01010101u) >> 24;
}

}  // namespace korvane
