#include "ChunkFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <utility>

namespace korvane {

bool ChunkFile::open(const std::string& filePath) {
    path = filePath;
    file.open(path, std::ios::binary);
    return static_cast<bool>(file);
}

void ChunkFile::openMemory(std::shared_ptr<const std::vector<unsigned char>> bytes) {
    memory = std::move(bytes);
}

bool ChunkFile::size(std::uint64_t& bytes) const {
    if (memory) {
        bytes = memory->size();
        return true;
    }
    std::error_code error;
    bytes = std::filesystem::file_size(path, error);
    return !error;
}

void ChunkFile::setLayout(std::uint64_t offset, std::uint64_t bytes, std::size_t width,
                          std::size_t chunkBytes) {
    dataOffset = offset;
    dataBytes = bytes;
    bytesPerWord = width;
    bytesPerChunk = chunkBytes;
}

std::size_t ChunkFile::readAt(std::uint64_t offset, unsigned char* target, std::size_t bytes) {
    if (memory) {
        const std::uint64_t available =
            memory->size() - std::min<std::uint64_t>(offset, memory->size());
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(bytes, available));
        if (count != 0) {
            std::memcpy(target, memory->data() + offset, count);
        }
        return count;
    }
    file.clear();
    file.seekg(static_cast<std::streamoff>(offset));
    file.read(reinterpret_cast<char*>(target), static_cast<std::streamsize>(bytes));
    return static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0));
}

std::size_t ChunkFile::readChunk(std::size_t chunk) {
    const std::uint64_t offset = std::uint64_t{chunk} * bytesPerChunk;
    const std::size_t wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(bytesPerChunk, dataBytes - std::min(offset, dataBytes)));
    buffer.resize(bytesPerChunk);
    return readAt(dataOffset + offset, buffer.data(), wanted) / bytesPerWord;
}

}  // namespace korvane
