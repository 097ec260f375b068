#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "korvane/Event2D.h"
#include "korvane/ExtTrigger.h"
#include "korvane/RawFileInfo.h"

namespace korvane {

// A stretch of a recording in file order: its events, and its trigger edges each with the
// number of those events that come before it.
struct RawBatch {
    std::vector<Event2D> events;
    std::vector<std::pair<std::size_t, ExtTrigger>> triggers;
};

// Reads a recording once from start to end, without an index, for tools that visit each item
// once (copying, converting): the same decoding as RawFileReader, at the speed of one pass.
// Not thread-safe: one thread at a time.
class RawFileScanner {
public:
    // Reads only the header; empty when the path is no EVT 3.0 or EVT 2.0 recording.
    static std::unique_ptr<RawFileScanner> open(const std::string& path);
    ~RawFileScanner();

    // The header's fields (format, size when the header gives it, header entries, data offset).
    const RawFileInfo& info() const;
    // Only items whose time lies in [start, end) are handed over; all of them by default.
    void setWindow(std::uint64_t start, std::uint64_t end);
    // Replaces batch with the next stretch of data's items (possibly none); false once the data
    // is over or a read failed.
    bool next(RawBatch& batch);
    bool failed() const;
    std::uint64_t bytesDone() const;
    std::uint64_t dataBytes() const;

private:
    struct Impl;
    explicit RawFileScanner(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl;
};

}  // namespace korvane
