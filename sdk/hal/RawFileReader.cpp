#include "korvane/RawFileReader.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>

#include "ChunkIndex.h"
#include "EarliestItemSink.h"
#include "EventSpanSink.h"
#include "Evt2Decoder.h"
#include "Evt3Decoder.h"
#include "FirstEventSink.h"
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

std::uint64_t windowEnd(std::uint64_t start, std::uint64_t duration) {
    return duration > noEnd - start ? noEnd : start + duration;
}

}  // namespace

struct RawFileReader::Impl {
    std::string path;
    RawHeader header;
    RawFileInfo info;
    std::ifstream file;
    std::size_t wordBytes = 2;
    SensorBounds bounds;
    std::uint64_t dataBytes = 0;
    ChunkIndex index;
    bool loaded = false;
    std::uint64_t position = 0;
    std::vector<unsigned char> buffer;
    std::unique_ptr<Event2D[]> scratch;  // events of one decode step before they join a window

    std::size_t readAt(std::uint64_t offset, unsigned char* target, std::size_t bytes) {
        file.clear();
        file.seekg(static_cast<std::streamoff>(header.dataOffset + offset));
        file.read(reinterpret_cast<char*>(target), static_cast<std::streamsize>(bytes));
        return static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0));
    }

    template <class Sink>
    void decode(const unsigned char* data, std::size_t words, DecoderState& state,
                DecodeCounters& counters, Sink& sink) const {
        if (header.encoding == RawEncoding::Evt3) {
            decodeEvt3(data, words, state, bounds, counters, sink);
        } else {
            decodeEvt2(data, words, state, bounds, counters, sink);
        }
    }

    // Whole words of one chunk, read into buffer.
    std::size_t readChunk(std::size_t chunk) {
        const std::uint64_t offset = std::uint64_t{chunk} * ChunkIndex::chunkBytes;
        const std::size_t wanted = static_cast<std::size_t>(
            std::min<std::uint64_t>(ChunkIndex::chunkBytes, dataBytes - offset));
        buffer.resize(ChunkIndex::chunkBytes);
        return readAt(offset, buffer.data(), wanted) / wordBytes;
    }

    bool load();
    void finishInfo(const LoadStatsSink& stats, const DecodeCounters& counters, bool partialWord);
    void logSummary() const;

    // Decodes every chunk that may hold items of [start, end), one step of words at a time:
    // decodeStep(data, words, state, lastTime) decodes and moves lastTime to the last item seen,
    // which lets an ordered chunk stop once it has passed end.
    template <class Step>
    void collect(std::uint64_t start, std::uint64_t end, Step&& decodeStep) {
        for (std::size_t chunk = index.firstReaching(start);
             chunk < index.size() && index.earliestFrom(chunk) < end; ++chunk) {
            const ChunkEntry& entry = index.at(chunk);
            if (entry.minTime >= end || entry.maxTime < start) {
                continue;
            }
            const bool inside = entry.minTime >= start && entry.maxTime < end;
            const std::size_t words = readChunk(chunk);
            DecoderState state = entry.state;
            std::uint64_t lastTime = 0;
            for (std::size_t done = 0; done < words; done += wordsPerStep) {
                decodeStep(buffer.data() + done * wordBytes, std::min(wordsPerStep, words - done),
                           state, lastTime, inside);
                if (entry.ordered && lastTime >= end) {
                    break;
                }
            }
        }
    }

    std::uint64_t estimatedEvents(std::uint64_t start, std::uint64_t end) const {
        std::uint64_t count = 0;
        for (std::size_t chunk = index.firstReaching(start);
             chunk < index.size() && index.earliestFrom(chunk) < end && count < maxReservedEvents;
             ++chunk) {
            const ChunkEntry& entry = index.at(chunk);
            if (entry.minTime < end && entry.maxTime >= start) {
                count += entry.events;
            }
        }
        return std::min(count, maxReservedEvents);
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

    // Chunks wholly inside the window skip the per-event time test.
    template <RawEncoding encoding>
    void collectEvents(std::uint64_t start, std::uint64_t end, std::vector<Event2D>& events) {
        collect(start, end,
                [&](const unsigned char* data, std::size_t words, DecoderState& state,
                    std::uint64_t& lastTime, bool inside) {
                    Event2D* last;
                    if (inside) {
                        last = decodeAs<encoding>(data, words, state,
                                                  EventSpanSink<false>{scratch.get()})
                                   .cursor;
                    } else {
                        const EventSpanSink<> sink = decodeAs<encoding>(
                            data, words, state,
                            EventSpanSink<>{scratch.get(), start, end - start, lastTime});
                        last = sink.cursor;
                        lastTime = sink.lastTime;
                    }
                    events.insert(events.end(), scratch.get(), last);
                });
    }

    std::shared_ptr<std::vector<Event2D>> window(std::uint64_t start, std::uint64_t duration) {
        auto events = std::make_shared<std::vector<Event2D>>();
        const std::uint64_t end = windowEnd(start, duration);
        position = end;
        if (duration == 0) {
            return events;
        }
        events->reserve(static_cast<std::size_t>(estimatedEvents(start, end)));
        if (!scratch) {
            scratch.reset(new Event2D[wordsPerStep * maxEventsPerWord]);
        }
        if (header.encoding == RawEncoding::Evt3) {
            collectEvents<RawEncoding::Evt3>(start, end, *events);
        } else {
            collectEvents<RawEncoding::Evt2>(start, end, *events);
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
            const std::size_t words = readChunk(chunk);
            DecoderState state = entry.state;
            DecodeCounters ignored;
            for (std::size_t done = 0; done < words && !sink.found; done += wordsPerStep) {
                decode(buffer.data() + done * wordBytes, std::min(wordsPerStep, words - done),
                       state, ignored, sink);
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
            const std::size_t words = readChunk(chunk);
            decode(buffer.data(), words, state, ignored, sink);
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
    impl->file.open(path, std::ios::binary);
    if (!impl->file) {
        return nullptr;
    }
    // Read only as far as the header goes; doubling the amount keeps a long header from being
    // parsed over and over.
    std::vector<char> head;
    bool atEnd = false;
    bool parsed = false;
    while (!parsed && !atEnd && head.size() < RawHeader::maxBytes) {
        const std::size_t used = head.size();
        head.resize(std::min(std::max<std::size_t>(4096, 2 * used), RawHeader::maxBytes));
        impl->file.read(head.data() + used, static_cast<std::streamsize>(head.size() - used));
        head.resize(used +
                    static_cast<std::size_t>(std::max<std::streamsize>(impl->file.gcount(), 0)));
        atEnd = impl->file.eof() || !impl->file;
        parsed = RawHeader::parse(head.data(), head.size(), atEnd, impl->header);
    }
    if (!parsed || impl->header.encoding == RawEncoding::Unknown) {
        return nullptr;
    }
    impl->path = path;
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
    std::error_code error;
    const std::uint64_t fileBytes = std::filesystem::file_size(path, error);
    if (error || fileBytes < header.dataOffset) {
        return false;
    }
    dataBytes = fileBytes - header.dataOffset;

    LoadStatsSink stats;
    DecodeCounters counters;
    DecoderState state;
    std::vector<unsigned char> block(ChunkIndex::chunkBytes * chunksPerLoadBlock);
    std::uint64_t offset = 0;
    std::size_t carried = 0;  // bytes of a partial word at the end of the data
    while (offset < dataBytes) {
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), dataBytes - offset));
        const std::size_t got = readAt(offset, block.data(), wanted);
        for (std::size_t begin = 0; begin < got; begin += ChunkIndex::chunkBytes) {
            const std::size_t bytes = std::min(ChunkIndex::chunkBytes, got - begin);
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
    finishInfo(stats, counters, carried != 0);
    position = info.firstTimestamp;
    loaded = true;
    logSummary();
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
    impl->collect(start, end,
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

}  // namespace korvane
