#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace korvane {

enum class RawEncoding { Unknown, Evt2, Evt3 };

// The ASCII header of a `.raw` file and what it says about the data behind it.
struct RawHeader {
    // Longest header accepted; anything longer is not a recording.
    static constexpr std::size_t maxBytes = 1 << 20;

    RawEncoding encoding = RawEncoding::Unknown;
    std::uint32_t width = 0;  // 0 when the header gives no size
    std::uint32_t height = 0;
    std::vector<std::pair<std::string, std::string>> entries;
    std::size_t dataOffset = 0;

    // Parses the first bytes of a file; atEndOfFile tells whether they are the whole file.
    // False when the header is longer than the bytes given (and they are not the whole file).
    static bool parse(const char* data, std::size_t size, bool atEndOfFile, RawHeader& header);
    // First value of a key, compared without case; empty when absent.
    std::string value(const std::string& key) const;
};

}  // namespace korvane
