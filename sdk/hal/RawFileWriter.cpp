#include "korvane/RawFileWriter.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <set>

#include "Evt2Encoder.h"
#include "Evt3Encoder.h"
#include "RecordingCopy.h"
#include "WordBuffer.h"
#include "portable.h"

namespace korvane {

namespace {

constexpr std::size_t flushBytes = 1 << 20;
// Well inside the promised second, so a writer fed every few milliseconds keeps it.
constexpr std::chrono::milliseconds flushInterval(500);

std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string dateNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char date[32] = "";
    if (localTime(now, local)) {
        std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    }
    return date;
}

std::string headerText(std::uint16_t width, std::uint16_t height, const RawWriterOptions& options) {
    static const std::set<std::string> ownKeys{"date", "evt", "format", "geometry", "end"};
    std::string date = dateNow();
    std::string given;
    for (const auto& entry : options.headerEntries) {
        const std::string key = lowerCase(entry.first);
        if (key == "date") {
            date = oneLine(entry.second);
        } else if (ownKeys.count(key) == 0 && !key.empty()) {
            given += "% " + oneLine(entry.first) + " " + oneLine(entry.second) + "\n";
        }
    }
    const bool evt3 = options.format == RawFormat::Evt3;
    const std::string w = std::to_string(width);
    const std::string h = std::to_string(height);
    return "% date " + date + (evt3 ? "\n% evt 3.0\n% format EVT3" : "\n% evt 2.0\n% format EVT2") +
           ";height=" + h + ";width=" + w + "\n% geometry " + w + "x" + h + "\n" + given +
           "% end\n";
}

std::unique_ptr<EventEncoder> makeEncoder(std::uint16_t width, std::uint16_t height,
                                          const RawWriterOptions& options) {
    if (options.format == RawFormat::Evt2) {
        return std::make_unique<Evt2Encoder>(width, height, options.keepEarlierTimes);
    }
    return std::make_unique<Evt3Encoder>(width, height, options.keepEarlierTimes);
}

}  // namespace

struct RawFileWriter::Impl {
    std::FILE* file = nullptr;
    std::unique_ptr<EventEncoder> encoder = std::make_unique<Evt3Encoder>(1, 1);
    WordBuffer words;
    bool failed = false;
    std::chrono::steady_clock::time_point lastFlush;
    std::uint64_t bytes = 0;
    std::size_t peakBuffer = 0;

    void put(const void* data, std::size_t size) {
        if (!failed && size != 0 && std::fwrite(data, 1, size, file) != size) {
            failed = true;
        }
        bytes += failed ? 0 : size;
    }

    bool flush() {
        static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "words are written in host order");
        put(words.data(), words.size() * sizeof(std::uint16_t));
        words.clear();
        if (!failed && std::fflush(file) != 0) {
            failed = true;
        }
        lastFlush = std::chrono::steady_clock::now();
        return !failed;
    }

    bool flushWhenDue() {
        const std::size_t buffered = words.size() * sizeof(std::uint16_t);
        peakBuffer = std::max(peakBuffer, buffered);
        if (buffered >= flushBytes ||
            std::chrono::steady_clock::now() - lastFlush >= flushInterval) {
            return flush();
        }
        return true;
    }
};

RawFileWriter::RawFileWriter() : impl(std::make_unique<Impl>()) {}

RawFileWriter::~RawFileWriter() {
    close();
}

bool RawFileWriter::open(const std::string& path, std::uint16_t width, std::uint16_t height,
                         const std::string& serial) {
    RawWriterOptions options;
    options.headerEntries.emplace_back("serial_number", serial);
    return open(path, width, height, options);
}

bool RawFileWriter::open(const std::string& path, std::uint16_t width, std::uint16_t height,
                         const RawWriterOptions& options) {
    close();
    if (width == 0 || height == 0 || width > 2048 || height > 2048) {
        return false;
    }
    auto fresh = std::make_unique<Impl>();
    fresh->file = std::fopen(path.c_str(), "wb");
    if (fresh->file == nullptr) {
        return false;
    }
    std::setvbuf(fresh->file, nullptr, _IONBF, 0);
    fresh->encoder = makeEncoder(width, height, options);
    fresh->words.reserveMore(flushBytes / sizeof(std::uint16_t));
    const std::string header = headerText(width, height, options);
    fresh->put(header.data(), header.size());
    impl = std::move(fresh);
    return impl->flush();
}

bool RawFileWriter::write(const Event2D* events, std::size_t count) {
    if (impl->file == nullptr || impl->failed) {
        return false;
    }
    impl->encoder->encode(events, count, impl->words);
    return impl->flushWhenDue();
}

bool RawFileWriter::writeTrigger(const ExtTrigger& trigger) {
    if (impl->file == nullptr || impl->failed) {
        return false;
    }
    impl->encoder->encodeTrigger(trigger, impl->words);
    return impl->flushWhenDue();
}

bool RawFileWriter::copyFrom(const std::string& path, std::uint64_t start, std::uint64_t end,
                             const RawCopyProgress& progress) {
    if (impl->file == nullptr || impl->failed) {
        return false;
    }
    return copyRecording(
        path, start, end, *impl->encoder, impl->words, [this] { return impl->flushWhenDue(); },
        progress);
}

bool RawFileWriter::flush() {
    return impl->file != nullptr && impl->flush();
}

bool RawFileWriter::close() {
    if (impl->file == nullptr) {
        return false;
    }
    bool ok = impl->flush();
    ok = std::fclose(impl->file) == 0 && ok;
    impl->file = nullptr;
    return ok;
}

bool RawFileWriter::isOpen() const {
    return impl->file != nullptr;
}

std::uint64_t RawFileWriter::eventsWritten() const {
    return impl->encoder->encodedEvents();
}

std::uint64_t RawFileWriter::triggersWritten() const {
    return impl->encoder->encodedTriggers();
}

std::uint64_t RawFileWriter::clampedEvents() const {
    return impl->encoder->clampedEvents();
}

std::uint64_t RawFileWriter::skippedEvents() const {
    return impl->encoder->skippedEvents();
}

std::uint64_t RawFileWriter::bytesWritten() const {
    return impl->bytes;
}

std::size_t RawFileWriter::peakBufferBytes() const {
    return impl->peakBuffer;
}

}  // namespace korvane
