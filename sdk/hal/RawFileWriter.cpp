#include "korvane/RawFileWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "Evt3Encoder.h"
#include "WordBuffer.h"
#include "portable.h"

namespace korvane {

namespace {

constexpr std::size_t flushBytes = 1 << 20;
// Well inside the promised second, so a writer fed every few milliseconds keeps it.
constexpr std::chrono::milliseconds flushInterval(500);

std::string headerText(std::uint16_t width, std::uint16_t height, std::string serial) {
    std::replace(serial.begin(), serial.end(), '\n', ' ');
    std::replace(serial.begin(), serial.end(), '\r', ' ');
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char date[32] = "";
    if (localTime(now, local)) {
        std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    }
    const std::string w = std::to_string(width);
    const std::string h = std::to_string(height);
    return "% date " + std::string(date) + "\n% evt 3.0\n% format EVT3;height=" + h +
           ";width=" + w + "\n% geometry " + w + "x" + h + "\n% serial_number " + serial +
           "\n% end\n";
}

}  // namespace

struct RawFileWriter::Impl {
    std::FILE* file = nullptr;
    Evt3Encoder encoder{1, 1};
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
};

RawFileWriter::RawFileWriter() : impl(std::make_unique<Impl>()) {}

RawFileWriter::~RawFileWriter() {
    close();
}

bool RawFileWriter::open(const std::string& path, std::uint16_t width, std::uint16_t height,
                         const std::string& serial) {
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
    fresh->encoder = Evt3Encoder(width, height);
    fresh->words.reserveMore(flushBytes / sizeof(std::uint16_t));
    const std::string header = headerText(width, height, serial);
    fresh->put(header.data(), header.size());
    impl = std::move(fresh);
    return impl->flush();
}

bool RawFileWriter::write(const Event2D* events, std::size_t count) {
    if (impl->file == nullptr || impl->failed) {
        return false;
    }
    impl->encoder.encode(events, count, impl->words);
    const std::size_t buffered = impl->words.size() * sizeof(std::uint16_t);
    impl->peakBuffer = std::max(impl->peakBuffer, buffered);
    if (buffered >= flushBytes ||
        std::chrono::steady_clock::now() - impl->lastFlush >= flushInterval) {
        return impl->flush();
    }
    return true;
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
    return impl->encoder.encodedEvents();
}

std::uint64_t RawFileWriter::clampedEvents() const {
    return impl->encoder.clampedEvents();
}

std::uint64_t RawFileWriter::skippedEvents() const {
    return impl->encoder.skippedEvents();
}

std::uint64_t RawFileWriter::bytesWritten() const {
    return impl->bytes;
}

std::size_t RawFileWriter::peakBufferBytes() const {
    return impl->peakBuffer;
}

}  // namespace korvane
