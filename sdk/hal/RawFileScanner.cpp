#include "korvane/RawFileScanner.h"

#include <algorithm>
#include <limits>

#include "DataBlocks.h"
#include "EventSpanSink.h"
#include "Evt2Decoder.h"
#include "Evt3Decoder.h"
#include "korvane/RawFileReader.h"

namespace korvane {

namespace {

// Decoded this many words at a time into a scratch span that stays in the cache.
constexpr std::size_t wordsPerStep = 1024;
constexpr std::size_t maxEventsPerWord = 12;

// Events through an EventSpanSink, trigger edges of the window with their place among them.
struct BatchSink {
    EventSpanSink<> events;
    const Event2D* scratch;
    std::size_t eventsBefore;  // batch events ahead of the scratch span
    std::vector<std::pair<std::size_t, ExtTrigger>>* triggers;

    void event(std::uint32_t x, std::uint32_t y, std::uint32_t polarity, std::uint64_t time) {
        events.event(x, y, polarity, time);
    }
    void vector(std::uint32_t baseX, std::uint32_t mask, std::uint32_t y, std::uint32_t polarity,
                std::uint64_t time) {
        events.vector(baseX, mask, y, polarity, time);
    }
    void trigger(std::uint64_t time, std::uint32_t id, std::uint32_t value) {
        if (time - events.start < events.length) {
            ExtTrigger edge;
            edge.timestamp = time;
            edge.id = static_cast<std::uint8_t>(id);
            edge.value = static_cast<std::uint8_t>(value);
            triggers->emplace_back(eventsBefore + (events.cursor - scratch), edge);
        }
    }
};

// Out of line and aligned, one loop per encoding, as in the reader's window decode.
template <bool evt3>
[[gnu::noinline, gnu::aligned(64)]] BatchSink decodeStep(const unsigned char* data,
                                                         std::size_t words, DecoderState& state,
                                                         const SensorBounds& bounds,
                                                         BatchSink sink) {
    DecodeCounters ignored;
    if constexpr (evt3) {
        decodeEvt3(data, words, state, bounds, ignored, sink);
    } else {
        decodeEvt2(data, words, state, bounds, ignored, sink);
    }
    return sink;
}

}  // namespace

struct RawFileScanner::Impl {
    RawFileInfo info;
    bool evt3 = true;
    SensorBounds bounds;
    DataBlocks blocks;
    DecoderState state;
    std::uint64_t start = 0;
    std::uint64_t end = std::numeric_limits<std::uint64_t>::max();
    std::unique_ptr<Event2D[]> scratch{new Event2D[wordsPerStep * maxEventsPerWord]};
};

std::unique_ptr<RawFileScanner> RawFileScanner::open(const std::string& path) {
    const auto reader = RawFileReader::open(path);
    if (!reader) {
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->info = reader->info();
    impl->evt3 = impl->info.format == "EVT3";
    if (impl->info.geometryFromHeader) {
        impl->bounds.width = std::min<std::uint32_t>(impl->info.width, 2048);
        impl->bounds.height = std::min<std::uint32_t>(impl->info.height, 2048);
    }
    if (!impl->blocks.open(path, impl->info.dataOffset, impl->evt3 ? 2 : 4)) {
        return nullptr;
    }
    impl->info.dataBytes = impl->blocks.dataBytes();
    return std::unique_ptr<RawFileScanner>(new RawFileScanner(std::move(impl)));
}

RawFileScanner::RawFileScanner(std::unique_ptr<Impl> impl) : impl(std::move(impl)) {}

RawFileScanner::~RawFileScanner() = default;

const RawFileInfo& RawFileScanner::info() const {
    return impl->info;
}

void RawFileScanner::setWindow(std::uint64_t start, std::uint64_t end) {
    impl->start = start;
    impl->end = std::max(start, end);
}

bool RawFileScanner::next(RawBatch& batch) {
    batch.events.clear();
    batch.triggers.clear();
    const std::size_t words = impl->blocks.next();
    if (words == 0) {
        return false;
    }
    const std::size_t wordBytes = impl->evt3 ? 2 : 4;
    Event2D* const scratch = impl->scratch.get();
    for (std::size_t done = 0; done < words; done += wordsPerStep) {
        const BatchSink start{{scratch, impl->start, impl->end - impl->start, 0},
                              scratch,
                              batch.events.size(),
                              &batch.triggers};
        const unsigned char* data = impl->blocks.data() + done * wordBytes;
        const std::size_t step = std::min(wordsPerStep, words - done);
        const BatchSink sink =
            impl->evt3 ? decodeStep<true>(data, step, impl->state, impl->bounds, start)
                       : decodeStep<false>(data, step, impl->state, impl->bounds, start);
        batch.events.insert(batch.events.end(), scratch, sink.events.cursor);
    }
    return true;
}

bool RawFileScanner::failed() const {
    return impl->blocks.failed();
}

std::uint64_t RawFileScanner::bytesDone() const {
    return impl->blocks.bytesDone();
}

std::uint64_t RawFileScanner::dataBytes() const {
    return impl->blocks.dataBytes();
}

}  // namespace korvane
