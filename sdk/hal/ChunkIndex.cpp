#include "ChunkIndex.h"

#include <algorithm>

namespace korvane {

void ChunkIndex::setChunkSize(std::size_t bytes) {
    bytesPerChunk = std::max<std::size_t>(64, bytes / 4 * 4);
}

void ChunkIndex::clear() {
    entries.clear();
    runningMax.clear();
    suffixMin.clear();
}

void ChunkIndex::add(const ChunkEntry& entry) {
    entries.push_back(entry);
}

void ChunkIndex::finish() {
    entries.shrink_to_fit();
    runningMax.assign(entries.size(), 0);
    suffixMin.assign(entries.size(), std::numeric_limits<std::uint64_t>::max());
    std::uint64_t latest = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].minTime <= entries[i].maxTime) {
            latest = std::max(latest, entries[i].maxTime);
        }
        runningMax[i] = latest;
    }
    std::uint64_t earliest = std::numeric_limits<std::uint64_t>::max();
    for (std::size_t i = entries.size(); i-- > 0;) {
        earliest = std::min(earliest, entries[i].minTime);
        suffixMin[i] = earliest;
    }
}

std::size_t ChunkIndex::firstReaching(std::uint64_t time) const {
    const auto begin = runningMax.begin();
    return static_cast<std::size_t>(std::lower_bound(begin, runningMax.end(), time) - begin);
}

std::size_t ChunkIndex::reachEnd(std::size_t first, std::uint64_t time) const {
    if (first >= suffixMin.size()) {
        return suffixMin.size();
    }
    const auto begin = suffixMin.begin();
    return static_cast<std::size_t>(std::lower_bound(begin + first, suffixMin.end(), time) - begin);
}

std::uint64_t ChunkIndex::earliestFrom(std::size_t chunk) const {
    return chunk < suffixMin.size() ? suffixMin[chunk] : std::numeric_limits<std::uint64_t>::max();
}

std::size_t ChunkIndex::memoryBytes() const {
    return entries.capacity() * sizeof(ChunkEntry) +
           (runningMax.capacity() + suffixMin.capacity()) * sizeof(std::uint64_t);
}

}  // namespace korvane
