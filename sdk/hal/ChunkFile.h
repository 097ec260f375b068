#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace korvane {

// Reads a recording's data one index chunk at a time into a buffer of its own; each thread
// that reads the recording has one.
class ChunkFile {
public:
    bool open(const std::string& path);
    // Where the data starts in the file, how long it is and how wide its words are.
    void setLayout(std::uint64_t dataOffset, std::uint64_t dataBytes, std::size_t wordBytes);

    // Reads up to bytes at offset from the start of the file; returns how many came.
    std::size_t readAt(std::uint64_t offset, unsigned char* target, std::size_t bytes);
    // Reads the whole words of one chunk into data(); returns how many came.
    std::size_t readChunk(std::size_t chunk);
    const unsigned char* data() const { return buffer.data(); }
    std::size_t wordBytes() const { return bytesPerWord; }

private:
    std::ifstream file;
    std::vector<unsigned char> buffer;
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0;
    std::size_t bytesPerWord = 2;
};

}  // namespace korvane
