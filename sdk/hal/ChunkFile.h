#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace korvane {

// Reads a recording's data one index chunk at a time into a buffer of its own; each thread
// that reads the recording has one. The bytes come from a file or from memory shared by all
// readers of the recording.
class ChunkFile {
public:
    bool open(const std::string& path);
    void openMemory(std::shared_ptr<const std::vector<unsigned char>> bytes);
    // Current size of the recording in bytes; false when it cannot be told.
    bool size(std::uint64_t& bytes) const;
    // Where the data starts in the file, how long it is, how wide its words are and how many
    // bytes an index chunk holds.
    void setLayout(std::uint64_t dataOffset, std::uint64_t dataBytes, std::size_t wordBytes,
                   std::size_t chunkBytes);

    // Reads up to bytes at offset from the start of the file; returns how many came.
    std::size_t readAt(std::uint64_t offset, unsigned char* target, std::size_t bytes);
    // Reads the whole words of one chunk into data(); returns how many came.
    std::size_t readChunk(std::size_t chunk);
    const unsigned char* data() const { return buffer.data(); }
    std::size_t wordBytes() const { return bytesPerWord; }

private:
    std::string path;
    std::ifstream file;
    std::shared_ptr<const std::vector<unsigned char>> memory;
    std::vector<unsigned char> buffer;
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0;
    std::size_t bytesPerWord = 2;
    std::size_t bytesPerChunk = 0;
};

}  // namespace korvane
