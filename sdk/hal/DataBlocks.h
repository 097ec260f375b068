#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace korvane {

// Reads a recording's data once, from start to end, in blocks of whole words; a partial word
// at the end of the file is left out.
class DataBlocks {
public:
    static constexpr std::size_t blockBytes = 512 * 1024;

    bool open(const std::string& path, std::uint64_t dataOffset, std::size_t wordBytes);
    // Reads the next block into data(); returns its whole words, 0 at the end or on a read error.
    std::size_t next();
    const unsigned char* data() const { return buffer.data(); }

    std::uint64_t bytesDone() const { return done; }
    std::uint64_t dataBytes() const { return total; }
    // A read stopped before the data's end.
    bool failed() const { return done < total - total % bytesPerWord && atEnd; }

private:
    std::ifstream file;
    std::vector<unsigned char> buffer;
    std::size_t bytesPerWord = 2;
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    bool atEnd = false;
};

}  // namespace korvane
