#include "WordBuffer.h"

#include <algorithm>
#include <cstring>

namespace korvane {

void WordBuffer::grow(std::size_t extra) {
    const std::size_t used = size();
    const std::size_t wanted = std::max(used + extra, 2 * capacity);
    std::unique_ptr<std::uint16_t[]> larger(new std::uint16_t[wanted]);
    if (used != 0) {
        std::memcpy(larger.get(), words.get(), used * sizeof(std::uint16_t));
    }
    words = std::move(larger);
    cursor = words.get() + used;
    capacity = wanted;
}

}  // namespace korvane
