#include "korvane/RawFileReader.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "ChunkFile.h"
#include "ChunkIndex.h"
#include "EarliestItemSink.h"
#include "EventSpanSink.h"
#include "Evt2Decoder.h"
#include "Evt3Decoder.h"
#include "FirstEventSink.h"
#include "HelperThread.h"
#include "LoadStatsSink.h"
#include "RawHeader.h"
#include "TriggerWindowSink.h"

namespace korvane {

namespace {

constexpr std::uint64_t noEnd = std::numeric_limits<std::uint64_t>::max();
// Loading reads this many chunks per call.
constexpr std::size_t chunksPerLoadBlock = 32;
// Reads decode this many words at a time: an ordered chunk is checked for its end this often,
// and the events of one step stay in the first-level cache.
constexpr std::size_t wordsPerStep = 1024;
// An EVT 3.0 VECT_12 word carries up to 12 events; an EVT 2.0 word at most one.
constexpr std::size_t maxEventsPerWord = 12;
// Upper bound on the room reserved ahead for a window; larger windows grow as they fill.
constexpr std::uint64_t maxReservedEvents = std::uint64_t{1} << 22;
// Windows with fewer events than this many per byte of an index chunk (65536 with the usual
// chunks) are decoded on one thread: handing half over costs more than it saves. Scaled with the
// chunk size, so that a reader with small chunks (tests, fuzzing) splits small windows too.
constexpr std::uint64_t minEventsToSplitPerChunkByte = 2;

std::uint64_t windowEnd(std::uint64_t start, std::uint64_t duration) {
    return duration > noEnd - start ? noEnd : start + duration;
}

}  // namespace

struct RawFileReader::Impl {
    // What one thread needs to decode part of a window.
    struct WindowPart {
        ChunkFile file;
        // Room for the events of one step; sized by the first window read, since a short
        // recording with small chunks needs only a little.
        std::vector<Event2D> scratch;

        Event2D* scratchFor(std::size_t wordsPerChunk) {
            if (scratch.empty()) {
                scratch.resize(std::min(wordsPerStep, wordsPerChunk) * maxEventsPerWord);
            }
            return scratch.data();
        }
    };

    std::string path;
    RawHeader header;
    RawFileInfo info;
    std::size_t wordBytes = 2;
    SensorBounds bounds;
    std::uint64_t dataBytes = 0;
    ChunkIndex index;
    bool loaded = false;
    bool quiet = false;
    std::uint64_t position = 0;
    WindowPart mainPart;
    WindowPart helperPart;  // opened with mainPart, so both read the same file
    std::vector<Event2D> helperEvents;
    HelperThread helper;  // last: joined before the members its jobs use go

    template <class Sink>
    void decode(const unsigned char* data, std::size_t words, DecoderState& state,
                DecodeCounters& counters, Sink& sink) const {
        if (header.encoding == RawEncoding::Evt3) {
            decodeEvt3(data, words, state, bounds, counters, sink);
        } else {
            decodeEvt2(data, words, state, bounds, counters, sink);
        }
    }

    bool load();
    void finishInfo(const LoadStatsSink& stats, const DecodeCounters& counters, bool partialWord);
    void logSummary() const;

    // The chunks that may hold items of [start, end): from the first to reach start up to the
    // first after which nothing earlier than end comes.
    std::pair<std::size_t, std::size_t> chunksOf(std::uint64_t start, std::uint64_t end) const {
        const std::size_t first = index.firstReaching(start);
        return {first, index.reachEnd(first, end)};
    }

    // Decodes the chunks [first, stop) that overlap [start, end), one step of words at a time:
    // decodeStep(data, words, state, lastTime, inside) decodes and moves lastTime to the last
    // item seen, which lets an ordered chunk stop once it has passed end; inside says that the
    // whole chunk lies in [start, end).
    template <class Step>
    static void collect(const ChunkIndex& index, ChunkFile& file, std::size_t first,
                        std::size_t stop, std::uint64_t start, std::uint64_t end,
                        Step&& decodeStep) {
        for (std::size_t chunk = first; chunk < stop; ++chunk) {
            const ChunkEntry& entry = index.at(chunk);
            if (entry.minTime >= end || entry.maxTime < start) {
                continue;
            }
            const bool inside = entry.minTime >= start && entry.maxTime < end;
            const std::size_t words = file.readChunk(chunk);
            DecoderState state = entry.state;
            std::uint64_t lastTime = 0;
            for (std::size_t done = 0; done < words; done += wordsPerStep) {
                decodeStep(file.data() + done * file.wordBytes(),
                           std::min(wordsPerStep, words - done), state, lastTime, inside);
                if (entry.ordered && lastTime >= end) {
                    break;
                }
            }
        }
    }

    // Events in the chunks of [first, stop) that overlap [start, end), counted up to limit.
    std::uint64_t eventsIn(std::size_t first, std::size_t stop, std::uint64_t start,
                           std::uint64_t end, std::uint64_t limit) const {
        std::uint64_t count = 0;
        for (std::size_t chunk = first; chunk < stop && count < limit; ++chunk) {
            const ChunkEntry& entry = index.at(chunk);
            if (entry.minTime < end && entry.maxTime >= start) {
                count += entry.events;
            }
        }
        return std::min(count, limit);
    }

    // Where to hand the rest of [first, stop) to the helper: after about half the events, or
    // stop when the window is too small to be worth a second thread.
    // total is eventsIn over the whole range.
    std::size_t splitPoint(std::size_t first, std::size_t stop, std::uint64_t start,
                           std::uint64_t end, std::uint64_t total) const {
        if (stop - first < 2 || total < minEventsToSplitPerChunkByte * index.chunkSize()) {
            return stop;
        }
        std::uint64_t count = 0;
        std::size_t chunk = first;
        while (chunk + 1 < stop && 2 * count < total) {
            count += eventsIn(chunk, chunk + 1, start, end, maxReservedEvents);
            ++chunk;
        }
        return chunk;
    }

    // Out of line, so that each encoding and sink gets a loop of its own with the sink's
    // cursor and times in registers. Aligned, because the EVT 3.0 loop's speed otherwise moved
    // by a fifth with its place in the binary.
    template <RawEncoding encoding, class Sink>
    [[gnu::noinline, gnu::aligned(64)]] Sink decodeAs(const unsigned char* data, std::size_t words,
                                                      DecoderState& state, Sink sink) const {
        DecodeCounters ignored;
        if constexpr (encoding == RawEncoding::Evt3) {
            decodeEvt3(data, words, state, bounds, ignored, sink);
        } else {
            decodeEvt2(data, words, state, bounds, ignored, sink);
        }
        return sink;
    }

    // Appends the events of [start, end) in the chunks [first, stop). Chunks wholly inside the
    // window skip the per-event time test. Touches only part, events and what loading left.
    template <RawEncoding encoding>
    void collectEvents(WindowPart& part, std::size_t first, std::size_t stop, std::uint64_t start,
                       std::uint64_t end, std::vector<Event2D>& events) const {
        Event2D* const scratch = part.scratchFor(index.chunkSize() / wordBytes);
        collect(index, part.file, first, stop, start, end,
                [&](const unsigned char* data, std::size_t words, DecoderState& state,
                    std::uint64_t& lastTime, bool inside) {
                    Event2D* last;
                    if (inside) {
                        last = decodeAs<encoding>(data, words, state, EventSpanSink<false>{scratch})
                                   .cursor;
                    } else {
                        const EventSpanSink<> sink = decodeAs<encoding>(
                            data, words, state,
                            EventSpanSink<>{scratch, start, end - start, lastTime});
                        last = sink.cursor;
                        lastTime = sink.lastTime;
                    }
                    events.insert(events.end(), scratch, last);
                });
    }

    // Large windows are decoded in two halves at once, the later half by the helper.
    template <RawEncoding encoding>
    void collectWindow(std::uint64_t start, std::uint64_t end, std::vector<Event2D>& events) {
        // Plain names, not a structured binding: the helper's job captures stop.
        const std::pair<std::size_t, std::size_t> chunks = chunksOf(start, end);
        const std::size_t first = chunks.first;
        const std::size_t stop = chunks.second;
        const std::uint64_t total = eventsIn(first, stop, start, end, 2 * maxReservedEvents);
        events.reserve(static_cast<std::size_t>(std::min(total, maxReservedEvents)));
        const std::size_t split = splitPoint(first, stop, start, end, total);
        if (split == stop) {
            collectEvents<encoding>(mainPart, first, stop, start, end, events);
            return;
        }
        helper.start([this, split, stop, start, end] {
            helperEvents.clear();
            helperEvents.reserve(
                static_cast<std::size_t>(eventsIn(split, stop, start, end, maxReservedEvents)));
            collectEvents<encoding>(helperPart, split, stop, start, end, helperEvents);
        });
        try {
            collectEvents<encoding>(mainPart, first, split, start, end, events);
        } catch (...) {
            helper.wait();
            throw;
        }
        helper.wait();
        events.insert(events.end(), helperEvents.begin(), helperEvents.end());
        if (helperEvents.capacity() > maxReservedEvents) {
            helperEvents = std::vector<Event2D>();
        }
    }

    std::shared_ptr<std::vector<Event2D>> window(std::uint64_t start, std::uint64_t duration) {
        auto events = std::make_shared<std::vector<Event2D>>();
        const std::uint64_t end = windowEnd(start, duration);
        position = end;
        if (duration == 0) {
            return events;
        }
        if (header.encoding == RawEncoding::Evt3) {
            collectWindow<RawEncoding::Evt3>(start, end, *events);
        } else {
            collectWindow<RawEncoding::Evt2>(start, end, *events);
        }
        return events;
    }

    // Timestamp of the first event at or after time, in file order; time is at most the last.
    std::uint64_t firstEventFrom(std::uint64_t time) {
        if (time <= info.firstTimestamp) {
            return info.firstTimestamp;
        }
        FirstEventSink sink;
        sink.target = time;
        for (std::size_t chunk = index.firstReaching(time); chunk < index.size() && !sink.found;
             ++chunk) {
            const ChunkEntry& entry = index.at(chunk);
            if (entry.maxTime < time) {
                continue;
            }
            const std::size_t words = mainPart.file.readChunk(chunk);
            DecoderState state = entry.state;
            DecodeCounters ignored;
            for (std::size_t done = 0; done < words && !sink.found; done += wordsPerStep) {
                decode(mainPart.file.data() + done * wordBytes,
                       std::min(wordsPerStep, words - done), state, ignored, sink);
            }
        }
        return sink.found ? sink.time : info.lastTimestamp;
    }

    // Stops as soon as no later chunk can hold anything earlier than the best found so far.
    std::uint64_t earliestItemFrom(std::uint64_t time) {
        std::uint64_t best = noEnd;
        for (std::size_t chunk = index.firstReaching(time);
             chunk < index.size() && index.earliestFrom(chunk) < best; ++chunk) {
            const ChunkEntry& entry = index.at(chunk);
            if (entry.maxTime < time || entry.minTime >= best) {
                continue;
            }
            if (entry.minTime >= time) {
                best = entry.minTime;
                continue;
            }
            EarliestItemSink sink;
            sink.target = time;
            DecoderState state = entry.state;
            DecodeCounters ignored;
            const std::size_t words = mainPart.file.readChunk(chunk);
            decode(mainPart.file.data(), words, state, ignored, sink);
            best = std::min(best, sink.best);
        }
        return best;
    }
};

std::unique_ptr<RawFileReader> RawFileReader::open(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    if (!impl->mainPart.file.open(path) || !impl->helperPart.file.open(path)) {
        return nullptr;
    }
    impl->path = path;
    return openHeader(std::move(impl));
}

std::unique_ptr<RawFileReader> RawFileReader::openMemory(std::vector<unsigned char> bytes,
                                                         std::size_t indexChunkBytes) {
    auto shared = std::make_shared<const std::vector<unsigned char>>(std::move(bytes));
    auto impl = std::make_unique<Impl>();
    if (indexChunkBytes != 0) {
        impl->index.setChunkSize(indexChunkBytes);
    }
    impl->mainPart.file.openMemory(shared);
    impl->helperPart.file.openMemory(shared);
    impl->path = "(memory)";
    return openHeader(std::move(impl));
}

std::unique_ptr<RawFileReader> RawFileReader::openHeader(std::unique_ptr<Impl> impl) {
    // Read only as far as the header goes; doubling the amount keeps a long header from being
    // parsed over and over.
    std::vector<char> head;
    bool atEnd = false;
    bool parsed = false;
    while (!parsed && !atEnd && head.size() < RawHeader::maxBytes) {
        const std::size_t used = head.size();
        head.resize(std::min(std::max<std::size_t>(4096, 2 * used), RawHeader::maxBytes));
        const std::size_t wanted = head.size() - used;
        const std::size_t got = impl->mainPart.file.readAt(
            used, reinterpret_cast<unsigned char*>(head.data() + used), wanted);
        head.resize(used + got);
        atEnd = got < wanted;
        parsed = RawHeader::parse(head.data(), head.size(), atEnd, impl->header);
    }
    if (!parsed || impl->header.encoding == RawEncoding::Unknown) {
        return nullptr;
    }
    impl->wordBytes = impl->header.encoding == RawEncoding::Evt3 ? 2 : 4;
    RawFileInfo& info = impl->info;
    info.format = impl->header.encoding == RawEncoding::Evt3 ? "EVT3" : "EVT2";
    info.width = impl->header.width;
    info.height = impl->header.height;
    info.geometryFromHeader = impl->header.width != 0;
    info.headerEntries = impl->header.entries;
    info.dataOffset = impl->header.dataOffset;
    if (info.geometryFromHeader) {
        impl->bounds.width = std::min<std::uint32_t>(impl->header.width, 2048);
        impl->bounds.height = std::min<std::uint32_t>(impl->header.height, 2048);
    }
    return std::unique_ptr<RawFileReader>(new RawFileReader(std::move(impl)));
}

RawFileReader::RawFileReader(std::unique_ptr<Impl> impl) : impl(std::move(impl)) {}

RawFileReader::~RawFileReader() = default;

bool RawFileReader::Impl::load() {
    loaded = false;
    index.clear();
    std::uint64_t fileBytes = 0;
    if (!mainPart.file.size(fileBytes) || fileBytes < header.dataOffset) {
        return false;
    }
    dataBytes = fileBytes - header.dataOffset;

    LoadStatsSink stats;
    DecodeCounters counters;
    DecoderState state;
    const std::size_t chunkBytes = index.chunkSize();
    // A short recording needs no more than its own size.
    const std::size_t blockChunks = static_cast<std::size_t>(
        std::min<std::uint64_t>(chunksPerLoadBlock, dataBytes / chunkBytes + 1));
    std::vector<unsigned char> block(chunkBytes * blockChunks);
    std::uint64_t offset = 0;
    std::size_t carried = 0;  // bytes of a partial word at the end of the data
    while (offset < dataBytes) {
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), dataBytes - offset));
        const std::size_t got =
            mainPart.file.readAt(header.dataOffset + offset, block.data(), wanted);
        for (std::size_t begin = 0; begin < got; begin += chunkBytes) {
            const std::size_t bytes = std::min(chunkBytes, got - begin);
            ChunkEntry entry;
            entry.state = state;
            stats.beginChunk();
            decode(block.data() + begin, bytes / wordBytes, state, counters, stats);
            entry.minTime = stats.chunkMinTime;
            entry.maxTime = stats.chunkMaxTime;
            entry.events = static_cast<std::uint32_t>(stats.chunkEvents);
            entry.ordered = stats.chunkOrdered;
            index.add(entry);
            carried = bytes % wordBytes;
        }
        offset += got;
        if (got < wanted) {
            dataBytes = offset;  // the file shrank while loading
            break;
        }
    }
    index.finish();
    for (WindowPart* part : {&mainPart, &helperPart}) {
        part->file.setLayout(header.dataOffset, dataBytes, wordBytes, chunkBytes);
    }
    finishInfo(stats, counters, carried != 0);
    position = info.firstTimestamp;
    loaded = true;
    if (!quiet) {
        logSummary();
    }
    return true;
}

void RawFileReader::Impl::finishInfo(const LoadStatsSink& stats, const DecodeCounters& counters,
                                     bool partialWord) {
    info.dataBytes = dataBytes;
    info.indexBytes = index.memoryBytes();
    info.events = stats.events;
    info.positive = stats.positive;
    info.negative = stats.events - stats.positive;
    info.triggers = stats.triggers;
    const bool any = stats.events != 0;
    info.firstTimestamp = any ? stats.firstTime : 0;
    info.lastTimestamp = any ? stats.lastTime : 0;
    info.minTimestamp = any ? stats.minTime : 0;
    info.maxTimestamp = any ? stats.maxTime : 0;
    info.minX = static_cast<std::uint16_t>(any ? stats.minX : 0);
    info.maxX = static_cast<std::uint16_t>(any ? stats.maxX : 0);
    info.minY = static_cast<std::uint16_t>(any ? stats.minY : 0);
    info.maxY = static_cast<std::uint16_t>(any ? stats.maxY : 0);
    if (!info.geometryFromHeader) {
        info.width = any ? stats.maxX + 1 : 0;
        info.height = any ? stats.maxY + 1 : 0;
    }
    info.reservedWords = counters.reservedWords;
    info.vendorWords = counters.vendorWords;
    info.partialTrailingWords = partialWord ? 1 : 0;
    info.eventsWithoutTime = counters.eventsWithoutTime;
    info.eventsOutsideSensor = counters.eventsOutsideSensor;
    info.triggersWithoutTime = counters.triggersWithoutTime;
    info.timeBackwardSteps = counters.timeBackwardSteps;
}

void RawFileReader::Impl::logSummary() const {
    std::fprintf(stderr,
                 "korvane: loaded %s: %llu events, %llu triggers; skipped %llu reserved words, "
                 "%llu vendor words, %llu partial trailing words; dropped %llu events before "
                 "the first time word, %llu events beyond %ux%u, %llu triggers before the first "
                 "time word; %llu backward time steps\n",
                 path.c_str(), static_cast<unsigned long long>(info.events),
                 static_cast<unsigned long long>(info.triggers),
                 static_cast<unsigned long long>(info.reservedWords),
                 static_cast<unsigned long long>(info.vendorWords),
                 static_cast<unsigned long long>(info.partialTrailingWords),
                 static_cast<unsigned long long>(info.eventsWithoutTime),
                 static_cast<unsigned long long>(info.eventsOutsideSensor), bounds.width,
                 bounds.height, static_cast<unsigned long long>(info.triggersWithoutTime),
                 static_cast<unsigned long long>(info.timeBackwardSteps));
}

bool RawFileReader::loadFile() {
    return impl->load();
}

bool RawFileReader::getBeginTime(std::uint64_t& timestamp) {
    if (!impl->loaded || impl->info.events == 0) {
        return false;
    }
    timestamp = impl->info.firstTimestamp;
    return true;
}

bool RawFileReader::getEndTime(std::uint64_t& timestamp) {
    if (!impl->loaded || impl->info.events == 0) {
        return false;
    }
    timestamp = impl->info.lastTimestamp;
    return true;
}

bool RawFileReader::seekTo(std::uint64_t timestamp) {
    if (!impl->loaded || impl->info.events == 0 || timestamp > impl->info.lastTimestamp) {
        return false;
    }
    impl->position = impl->firstEventFrom(timestamp);
    return true;
}

std::shared_ptr<std::vector<Event2D>> RawFileReader::readEventsFor(std::uint64_t duration) {
    if (!impl->loaded || impl->info.events == 0 || impl->position > impl->info.lastTimestamp) {
        return nullptr;
    }
    auto events = impl->window(impl->position, duration);
    return events->empty() ? nullptr : events;
}

std::shared_ptr<std::vector<Event2D>> RawFileReader::readEventsAt(std::uint64_t start,
                                                                  std::uint64_t duration) {
    if (!impl->loaded || impl->info.events == 0 || start > impl->info.lastTimestamp) {
        return nullptr;
    }
    return impl->window(start, duration);
}

std::vector<ExtTrigger> RawFileReader::readTriggersAt(std::uint64_t start, std::uint64_t duration) {
    std::vector<ExtTrigger> triggers;
    if (!impl->loaded || duration == 0) {
        return triggers;
    }
    const std::uint64_t end = windowEnd(start, duration);
    const auto [first, stop] = impl->chunksOf(start, end);
    impl->collect(impl->index, impl->mainPart.file, first, stop, start, end,
                  [&](const unsigned char* data, std::size_t words, DecoderState& state,
                      std::uint64_t& lastTime, bool) {
                      TriggerWindowSink sink{triggers, start, end - start, lastTime};
                      DecodeCounters ignored;
                      impl->decode(data, words, state, ignored, sink);
                      lastTime = sink.lastTime;
                  });
    return triggers;
}

bool RawFileReader::nextTimestamp(std::uint64_t from, std::uint64_t& timestamp) {
    if (!impl->loaded) {
        return false;
    }
    const std::uint64_t found = impl->earliestItemFrom(from);
    if (found == noEnd) {
        return false;
    }
    timestamp = found;
    return true;
}

const RawFileInfo& RawFileReader::info() const {
    return impl->info;
}

bool RawFileReader::isLoaded() const {
    return impl->loaded;
}

void RawFileReader::setQuiet(bool quiet) {
    impl->quiet = quiet;
}

}  // namespace korvane
