// libFuzzer target: arbitrary bytes as a `.raw` recording, read from memory through the same
// header, index and window code as a file: loadFile and random reads. Beyond not crashing, every
// window must equal the matching events of the full decode, and the counts must agree with it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "korvane/RawFileReader.h"

namespace {

constexpr std::uint64_t noEnd = std::numeric_limits<std::uint64_t>::max();
constexpr std::size_t indexChunkSizes[] = {64, 100, 1024, 0};
constexpr std::size_t repeatedBytes = 4096;

// The input, and for some inputs its second half repeated (where time then steps back at each
// repeat): with small index chunks a few kilobytes span many of them.
std::vector<unsigned char> recordingOf(const std::uint8_t* data, std::size_t size) {
    std::vector<unsigned char> bytes(data, data + size);
    const std::size_t tail = size / 2;
    if (size > 8 && data[0] % 4 == 0) {
        while (bytes.size() < repeatedBytes) {
            bytes.insert(bytes.end(), data + tail, data + size);
        }
    }
    return bytes;
}

struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void checkWindow(korvane::RawFileReader& reader, const std::vector<korvane::Event2D>& all,
                 std::uint64_t last, std::uint64_t start, std::uint64_t length) {
    const auto window = reader.readEventsAt(start, length);
    if (start > last) {
        check(!window, "a window after the last event is the end");
        return;
    }
    check(bool(window), "a window up to the last event exists");
    std::size_t matched = 0;
    for (const korvane::Event2D& e : all) {
        if (e.timestamp >= start && e.timestamp - start < length) {
            check(matched < window->size() && (*window)[matched] == e, "window equals full decode");
            ++matched;
        }
    }
    check(matched == window->size(), "window has no extra events");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto reader =
        korvane::RawFileReader::openMemory(recordingOf(data, size), indexChunkSizes[size % 4]);
    if (!reader) {
        return 0;
    }
    reader->setQuiet(true);
    check(reader->loadFile(), "loading a readable recording succeeds");
    const korvane::RawFileInfo& info = reader->info();
    const auto full = reader->readEventsAt(0, noEnd);
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (info.events == 0) {
        check(!full && !reader->getBeginTime(first) && !reader->seekTo(0), "no events, no reads");
        return 0;
    }
    check(full && full->size() == info.events, "full decode has every event");
    check(reader->getBeginTime(first) && reader->getEndTime(last), "time range");
    check(full->front().timestamp == first && full->back().timestamp == last, "first and last");
    std::uint64_t positive = 0;
    for (const korvane::Event2D& e : *full) {
        check(e.x < 2048 && e.y < 2048 && e.polarity <= 1, "coordinates and polarity");
        check(e.timestamp >= info.minTimestamp && e.timestamp <= info.maxTimestamp, "time bounds");
        positive += e.polarity;
    }
    check(positive == info.positive, "positive count");

    Random random{0x9E3779B97F4A7C15ull ^ (size * 1315423911ull) ^ data[size / 3]};
    const std::uint64_t lengths[] = {0, 1, 2, 7, 1000, 33333, 1000000, noEnd, noEnd - 3};
    const int rounds = 3;
    for (int i = 0; i < rounds; ++i) {
        const korvane::Event2D& pick = (*full)[random.next() % full->size()];
        std::uint64_t start = pick.timestamp + random.next() % 5 - 2;
        if (random.next() % 4 == 0) {
            start = random.next() % (info.maxTimestamp + 10);
        }
        checkWindow(*reader, *full, last, start, lengths[random.next() % 9]);
        if (reader->seekTo(start)) {
            const auto slice = reader->readEventsFor(lengths[random.next() % 9]);
            check(!slice || !slice->empty(), "readEventsFor gives events or nothing");
        } else {
            check(start > last, "seek fails only past the end");
        }
        std::uint64_t next = 0;
        if (reader->nextTimestamp(start, next)) {
            check(next >= start, "next timestamp is not earlier");
        }
        const auto triggers = reader->readTriggersAt(start, lengths[random.next() % 9]);
        check(triggers.size() <= info.triggers, "trigger window within the count");
    }
    return 0;
}
