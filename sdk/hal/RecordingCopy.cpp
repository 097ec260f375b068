#include "RecordingCopy.h"

#include <algorithm>
#include <memory>

#include "DataBlocks.h"
#include "Evt2Decoder.h"
#include "Evt2Encoder.h"
#include "Evt3Decoder.h"
#include "Evt3Encoder.h"
#include "korvane/RawFileReader.h"

namespace korvane {

namespace {

// Input words decoded per step; the words they turn into stay in the cache until flushed.
constexpr std::size_t wordsPerStep = 1024;

// Passes the items of [start, start + length) to the encoder. With gather, single events wait
// in pending and go through the encoder's gathering in runs, before any vector or trigger edge
// that follows them.
template <class Encoder, bool gather>
struct CopySink {
    Encoder* encoder;
    WordBuffer* words;
    std::uint16_t* out;
    std::uint64_t start;
    std::uint64_t length;
    Event2D* pending;
    std::size_t waiting = 0;

    void event(std::uint32_t x, std::uint32_t y, std::uint32_t polarity, std::uint64_t time) {
        if (time - start >= length) {
            return;
        }
        if constexpr (gather) {
            pending[waiting++] =
                Event2D(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y),
                        static_cast<std::uint8_t>(polarity), time);
        } else {
            encoder->putEvent(x, y, polarity, time, *words, out);
        }
    }

    void vector(std::uint32_t baseX, std::uint32_t mask, std::uint32_t y, std::uint32_t polarity,
                std::uint64_t time) {
        if (time - start < length) {
            encodePending();
            encoder->putVector(baseX, mask, y, polarity, time, *words, out);
        }
    }

    void trigger(std::uint64_t time, std::uint32_t id, std::uint32_t value) {
        if (time - start < length) {
            encodePending();
            ExtTrigger edge;
            edge.timestamp = time;
            edge.id = static_cast<std::uint8_t>(id);
            edge.value = static_cast<std::uint8_t>(value);
            encoder->putTrigger(edge, *words, out);
        }
    }

    void encodePending() {
        if (gather && waiting != 0) {
            words->setEnd(out);
            encoder->encode(pending, waiting, *words);
            out = words->end();
            waiting = 0;
        }
    }
};

// Out of line and aligned, one loop per encoding pair, with the sink's fields in registers.
template <bool evt3, class Sink>
[[gnu::noinline, gnu::aligned(64)]] Sink copyStep(const unsigned char* data, std::size_t words,
                                                  DecoderState& state, const SensorBounds& bounds,
                                                  Sink sink) {
    DecodeCounters ignored;
    if constexpr (evt3) {
        decodeEvt3(data, words, state, bounds, ignored, sink);
    } else {
        decodeEvt2(data, words, state, bounds, ignored, sink);
    }
    sink.encodePending();
    return sink;
}

template <bool evt3, class Encoder, bool gather>
bool copyBlocks(DataBlocks& blocks, const SensorBounds& bounds, std::uint64_t start,
                std::uint64_t end, Encoder& encoder, WordBuffer& words,
                const std::function<bool()>& flush, const RawCopyProgress& progress) {
    const std::size_t wordBytes = evt3 ? 2 : 4;
    // An input word turns into at most one item; a decoded EVT 2.0 word into one event.
    const std::size_t room = wordsPerStep * Encoder::wordsPerItem + 64;
    std::unique_ptr<Event2D[]> pending(gather ? new Event2D[wordsPerStep] : nullptr);
    DecoderState state;
    while (const std::size_t blockWords = blocks.next()) {
        for (std::size_t done = 0; done < blockWords; done += wordsPerStep) {
            words.reserveMore(room);
            CopySink<Encoder, gather> sink{&encoder, &words,      words.end(),
                                           start,    end - start, pending.get()};
            sink = copyStep<evt3>(blocks.data() + done * wordBytes,
                                  std::min(wordsPerStep, blockWords - done), state, bounds, sink);
            words.setEnd(sink.out);
            if (!flush()) {
                return false;
            }
        }
        const double total = static_cast<double>(std::max<std::uint64_t>(blocks.dataBytes(), 1));
        if (progress && !progress(std::min(1.0, blocks.bytesDone() / total))) {
            return false;
        }
    }
    return !blocks.failed();
}

}  // namespace

bool copyRecording(const std::string& path, std::uint64_t start, std::uint64_t end,
                   EventEncoder& encoder, WordBuffer& words, const std::function<bool()>& flush,
                   const RawCopyProgress& progress) {
    const auto reader = RawFileReader::open(path);
    if (!reader) {
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
        return false;
    }
    end = std::max(start, end);
    if (auto* toEvt3 = dynamic_cast<Evt3Encoder*>(&encoder)) {
        return evt3 ? copyBlocks<true, Evt3Encoder, false>(blocks, bounds, start, end, *toEvt3,
                                                           words, flush, progress)
                    : copyBlocks<false, Evt3Encoder, true>(blocks, bounds, start, end, *toEvt3,
                                                           words, flush, progress);
    }
    auto& toEvt2 = dynamic_cast<Evt2Encoder&>(encoder);
    return evt3 ? copyBlocks<true, Evt2Encoder, false>(blocks, bounds, start, end, toEvt2, words,
                                                       flush, progress)
                : copyBlocks<false, Evt2Encoder, false>(blocks, bounds, start, end, toEvt2, words,
                                                        flush, progress);
}

}  // namespace korvane
