#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace korvane {

// Growable run of 16-bit words written through a raw cursor: callers make room for a known
// number of words first, then append without per-word checks.
class WordBuffer {
public:
    // Guarantees room for at least extra more words after the cursor.
    void reserveMore(std::size_t extra) {
        if (capacity - size() < extra) {
            grow(extra);
        }
    }
    void push(std::uint16_t word) { *cursor++ = word; }
    std::uint16_t* end() { return cursor; }
    void setEnd(std::uint16_t* end) { cursor = end; }

    const std::uint16_t* data() const { return words.get(); }
    std::size_t size() const { return static_cast<std::size_t>(cursor - words.get()); }
    void clear() { cursor = words.get(); }

private:
    void grow(std::size_t extra);

    std::unique_ptr<std::uint16_t[]> words;
    std::uint16_t* cursor = nullptr;
    std::size_t capacity = 0;
};

}  // namespace korvane
