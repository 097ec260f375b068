#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace korvane {

// What the header says about a recording and what one pass over its data found.
// Timestamp and coordinate ranges are meaningful only when events is above 0.
struct RawFileInfo {
    std::string format;  // "EVT3" or "EVT2"
    // From the header; when the header gives no size, the largest x + 1 and y + 1 seen.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool geometryFromHeader = false;
    std::vector<std::pair<std::string, std::string>>
        headerEntries;  // in file order, keys as written
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0;
    std::uint64_t indexBytes = 0;  // memory held by the seek index

    std::uint64_t events = 0;
    std::uint64_t positive = 0;
    std::uint64_t negative = 0;
    std::uint64_t triggers = 0;
    std::uint64_t firstTimestamp = 0;
    std::uint64_t lastTimestamp = 0;
    std::uint64_t minTimestamp = 0;
    std::uint64_t maxTimestamp = 0;
    std::uint16_t minX = 0;
    std::uint16_t maxX = 0;
    std::uint16_t minY = 0;
    std::uint16_t maxY = 0;

    // Words the decoder passed over: reserved types, vendor words and a partial trailing word.
    std::uint64_t reservedWords = 0;
    std::uint64_t vendorWords = 0;
    std::uint64_t partialTrailingWords = 0;
    // Events lost: before the first time word, or beyond the sensor geometry.
    std::uint64_t eventsWithoutTime = 0;
    std::uint64_t eventsOutsideSensor = 0;
    std::uint64_t triggersWithoutTime = 0;
    // Time-high words that went back without being a rollover.
    std::uint64_t timeBackwardSteps = 0;

    std::uint64_t skippedWords() const {
        return reservedWords + vendorWords + partialTrailingWords;
    }
    std::uint64_t droppedEvents() const { return eventsWithoutTime + eventsOutsideSensor; }
};

}  // namespace korvane
