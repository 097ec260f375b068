#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "DecoderState.h"

namespace korvane {

// One fixed-size stretch of the data: the decoder state where it starts and the time range of
// the events and trigger edges decoded in it.
struct ChunkEntry {
    DecoderState state;
    std::uint64_t minTime = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t maxTime = 0;
    std::uint32_t events = 0;
    bool ordered = true;  // its items never step back in time
};

// Seek index of a recording: one entry per chunkSize() bytes of data.
class ChunkIndex {
public:
    // The usual chunk size.
    static constexpr std::size_t chunkBytes = 32 * 1024;

    // Whole 4-byte words, at least 64 bytes, so that no word of either encoding straddles two
    // chunks. Call before the first add.
    void setChunkSize(std::size_t bytes);
    std::size_t chunkSize() const { return bytesPerChunk; }
    void clear();
    void add(const ChunkEntry& entry);
    // Call once after the last add.
    void finish();

    std::size_t size() const { return entries.size(); }
    const ChunkEntry& at(std::size_t chunk) const { return entries[chunk]; }
    // First chunk at or before which an item reaches time; size() when none does.
    std::size_t firstReaching(std::uint64_t time) const;
    // First chunk, from first on, that neither holds nor is followed by an item earlier than
    // time; size() when there is none.
    std::size_t reachEnd(std::size_t first, std::uint64_t time) const;
    // Earliest item time from this chunk on; the largest value when there is none.
    std::uint64_t earliestFrom(std::size_t chunk) const;
    std::size_t memoryBytes() const;

private:
    std::size_t bytesPerChunk = chunkBytes;
    std::vector<ChunkEntry> entries;
    std::vector<std::uint64_t> runningMax;  // latest item time up to and including each chunk
    std::vector<std::uint64_t> suffixMin;   // earliest item time from each chunk on
};

}  // namespace korvane
