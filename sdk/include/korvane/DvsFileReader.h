#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "korvane/Event2D.h"

namespace korvane {

// A `.raw` recording. Not thread-safe: callers serialise access.
class DvsFileReader {
public:
    virtual ~DvsFileReader() = default;

    // Reads only the header; empty when the path is no recording this reader can decode.
    static std::unique_ptr<DvsFileReader> createFileReader(std::string path);

    // One pass over the file; slow. Every other call needs it first.
    virtual bool loadFile() = 0;
    virtual bool getBeginTime(std::uint64_t& timestamp) = 0;
    virtual bool getEndTime(std::uint64_t& timestamp) = 0;
    virtual bool seekTo(std::uint64_t timestamp) = 0;
    // Events of [read position, read position + duration); empty pointer when there are none.
    virtual std::shared_ptr<std::vector<Event2D>> readEventsFor(std::uint64_t duration) = 0;
    // Events of [start, start + duration); empty pointer when start is past the end.
    virtual std::shared_ptr<std::vector<Event2D>> readEventsAt(std::uint64_t start,
                                                               std::uint64_t duration) = 0;
};

}  // namespace korvane
