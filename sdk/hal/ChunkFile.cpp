#include "ChunkFile.h"

#include <algorithm>

#include "ChunkIndex.h"

namespace korvane {

bool ChunkFile::open(const std::string& path) {
    file.open(path, std::ios::binary);
    return static_cast<bool>(file);
}

void ChunkFile::setLayout(std::uint64_t offset, std::uint64_t bytes, std::size_t width) {
    dataOffset = offset;
    dataBytes = bytes;
    bytesPerWord = width;
}

std::size_t ChunkFile::readAt(std::uint64_t offset, unsigned char* target, std::size_t bytes) {
    file.clear();
    file.seekg(static_cast<std::streamoff>(offset));
    file.read(reinterpret_cast<char*>(target), static_cast<std::streamsize>(bytes));
    return static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0));
}

std::size_t ChunkFile::readChunk(std::size_t chunk) {
    const std::uint64_t offset = std::uint64_t{chunk} * ChunkIndex::chunkBytes;
    const std::size_t wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(ChunkIndex::chunkBytes, dataBytes - std::min(offset, dataBytes)));
    buffer.resize(ChunkIndex::chunkBytes);
    return readAt(dataOffset + offset, buffer.data(), wanted) / bytesPerWord;
}

}  // namespace korvane
