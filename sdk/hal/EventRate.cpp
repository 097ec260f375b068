#include "korvane/EventRate.h"

#include <algorithm>

#include "BitCount.h"
#include "DataBlocks.h"
#include "Evt2Decoder.h"
#include "Evt3Decoder.h"
#include "RateTable.h"
#include "korvane/RawFileReader.h"

namespace korvane {

namespace {

// Counts into the bin of the current time; events come in bursts of one time, so the table is
// asked only when the time leaves the bin.
struct RateSink {
    RateTable* table;
    RateBin* bin = nullptr;
    std::uint64_t binStart = 0;
    std::uint64_t binWidth = 0;

    void event(std::uint32_t, std::uint32_t, std::uint32_t polarity, std::uint64_t time) {
        at(time);
        ++bin->events;
        bin->positive += polarity;
    }
    void vector(std::uint32_t, std::uint32_t mask, std::uint32_t, std::uint32_t polarity,
                std::uint64_t time) {
        at(time);
        const auto count = static_cast<std::uint64_t>(bitCount(mask));
        bin->events += count;
        bin->positive += polarity != 0 ? count : 0;
    }
    void trigger(std::uint64_t time, std::uint32_t, std::uint32_t) {
        at(time);
        ++bin->triggers;
    }

    void at(std::uint64_t time) {
        if (time - binStart >= binWidth) {
            bin = table->binFor(time, binStart, binWidth);
        }
    }
};

// Out of line, one loop per encoding, with the sink's fields in registers.
template <bool evt3>
[[gnu::noinline, gnu::aligned(64)]] RateSink countBlock(const unsigned char* data,
                                                        std::size_t words, DecoderState& state,
                                                        const SensorBounds& bounds, RateSink sink) {
    DecodeCounters ignored;
    if constexpr (evt3) {
        decodeEvt3(data, words, state, bounds, ignored, sink);
    } else {
        decodeEvt2(data, words, state, bounds, ignored, sink);
    }
    return sink;
}

}  // namespace

bool countEventRate(const std::string& path, const EventRateOptions& options, EventRate& rate,
                    std::string& error, const EventRateProgress& progress) {
    const auto reader = RawFileReader::open(path);
    if (!reader) {
        error = path + ": not a readable EVT 3.0 or EVT 2.0 recording";
        return false;
    }
    const RawFileInfo& info = reader->info();
    const bool evt3 = info.format == "EVT3";
    SensorBounds bounds;
    if (info.geometryFromHeader) {
        bounds.width = std::min<std::uint32_t>(info.width, 2048);
        bounds.height = std::min<std::uint32_t>(info.height, 2048);
    }
    DataBlocks blocks;
    if (!blocks.open(path, info.dataOffset, evt3 ? 2 : 4)) {
        error = path + ": read error";
        return false;
    }
    RateTable table(rate, options);
    RateSink sink{&table};
    DecoderState state;
    while (const std::size_t words = blocks.next()) {
        sink = evt3 ? countBlock<true>(blocks.data(), words, state, bounds, sink)
                    : countBlock<false>(blocks.data(), words, state, bounds, sink);
        const double done =
            blocks.dataBytes() != 0 ? double(blocks.bytesDone()) / double(blocks.dataBytes()) : 1.0;
        if (table.overflowed()) {
            error = "more than " + std::to_string(options.maxBins) + " bins of " +
                    std::to_string(options.binUs) + " us; choose wider bins";
            return false;
        }
        if (progress && !progress(std::min(done, 1.0), rate)) {
            error = "stopped";
            return false;
        }
    }
    if (blocks.failed()) {
        error = path + ": read error";
        return false;
    }
    return true;
}

}  // namespace korvane
