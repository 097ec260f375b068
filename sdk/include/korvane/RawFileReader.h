#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "korvane/DvsFileReader.h"
#include "korvane/ExtTrigger.h"
#include "korvane/RawFileInfo.h"

namespace korvane {

// The `.raw` reader (EVT 3.0 and EVT 2.0) behind DvsFileReader, with the extras that tools need.
//
// Time windows: the events of [start, end) are the events of the recording, in file order, whose
// timestamps lie in that range; a window end that would overflow is the end of the recording.
// The read position is a timestamp: seekTo puts it on the first event at or after the asked time.
// Not thread-safe: one thread at a time.
class RawFileReader final : public DvsFileReader {
public:
    // Reads only the header; empty when the path is no EVT 3.0 or EVT 2.0 recording.
    static std::unique_ptr<RawFileReader> open(const std::string& path);
    // The same for a recording held in memory; the reader keeps the bytes. indexChunkBytes is
    // the data per seek-index entry (whole 4-byte words, at least 64; 0 for the usual 32 KiB):
    // small chunks let a short recording span many entries.
    static std::unique_ptr<RawFileReader> openMemory(std::vector<unsigned char> bytes,
                                                     std::size_t indexChunkBytes = 0);
    ~RawFileReader() override;

    // One pass over the data: counts, time range and the seek index. False on a read error.
    bool loadFile() override;
    // False before loadFile or when the recording holds no event.
    bool getBeginTime(std::uint64_t& timestamp) override;
    bool getEndTime(std::uint64_t& timestamp) override;
    // Fails before loadFile and when timestamp is after the last event.
    bool seekTo(std::uint64_t timestamp) override;
    // Events of [position, position + duration); the position moves on by duration.
    std::shared_ptr<std::vector<Event2D>> readEventsFor(std::uint64_t duration) override;
    // Empty pointer when start is after the last event; the position ends at start + duration.
    std::shared_ptr<std::vector<Event2D>> readEventsAt(std::uint64_t start,
                                                       std::uint64_t duration) override;

    // Trigger edges of [start, start + duration), in file order; the position does not move.
    std::vector<ExtTrigger> readTriggersAt(std::uint64_t start, std::uint64_t duration);
    // Earliest time at or after from of any event or trigger edge, wherever it lies in the file.
    bool nextTimestamp(std::uint64_t from, std::uint64_t& timestamp);
    // Header fields at once; the counts after loadFile.
    const RawFileInfo& info() const;
    bool isLoaded() const;
    // Keeps loadFile from writing its one-line summary to standard error.
    void setQuiet(bool quiet);

private:
    struct Impl;
    explicit RawFileReader(std::unique_ptr<Impl> impl);
    static std::unique_ptr<RawFileReader> openHeader(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl;
};

}  // namespace korvane
