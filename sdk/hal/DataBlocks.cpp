#include "DataBlocks.h"

#include <algorithm>
#include <filesystem>

namespace korvane {

bool DataBlocks::open(const std::string& path, std::uint64_t dataOffset, std::size_t wordBytes) {
    std::error_code error;
    const std::uint64_t fileBytes = std::filesystem::file_size(path, error);
    file.open(path, std::ios::binary);
    if (error || !file || fileBytes < dataOffset) {
        return false;
    }
    file.seekg(static_cast<std::streamoff>(dataOffset));
    bytesPerWord = wordBytes;
    total = fileBytes - dataOffset;
    buffer.resize(blockBytes);
    return static_cast<bool>(file);
}

std::size_t DataBlocks::next() {
    const std::uint64_t wholeBytes = total - total % bytesPerWord;
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(blockBytes, wholeBytes - done));
    if (wanted == 0 || atEnd) {
        return 0;
    }
    file.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(wanted));
    const std::size_t got = static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0));
    done += got;
    atEnd = got < wanted;
    return got / bytesPerWord;
}

}  // namespace korvane
