#pragma once

// Hand-made and generated .raw recordings, the event list comparisons and a run of ostrel-raw,
// for the tests of the reader, the writer and the tool.
#include <QtTest>

#include <array>
#include <limits>

#include "korvane/RawFileReader.h"

using korvane::Event2D;
using korvane::ExtTrigger;
using Events = std::vector<Event2D>;
using Triggers = std::vector<ExtTrigger>;
// Reserved, vendor and partial words; events without time, outside the sensor; triggers without
// time; backward time steps.
using Damage = std::array<std::uint64_t, 7>;
Q_DECLARE_METATYPE(Events)
Q_DECLARE_METATYPE(Triggers)
Q_DECLARE_METATYPE(Damage)

constexpr std::uint64_t noEnd = std::numeric_limits<std::uint64_t>::max();

// Word builders for hand-made EVT 3.0 and EVT 2.0 streams.
// clang-format off
namespace evt3 {
inline std::uint16_t addrY(std::uint16_t y) { return y & 0x7FF; }
inline std::uint16_t addrX(int polarity, std::uint16_t x) { return static_cast<std::uint16_t>(0x2000 | (polarity << 11) | (x & 0x7FF)); }
inline std::uint16_t vectBase(int polarity, std::uint16_t x) { return static_cast<std::uint16_t>(0x3000 | (polarity << 11) | (x & 0x7FF)); }
inline std::uint16_t vect12(std::uint16_t mask) { return 0x4000 | (mask & 0xFFF); }
inline std::uint16_t vect8(std::uint16_t bits) { return 0x5000 | (bits & 0xFFF); }
inline std::uint16_t timeLow(std::uint16_t t) { return 0x6000 | (t & 0xFFF); }
inline std::uint16_t timeHigh(std::uint16_t t) { return 0x8000 | (t & 0xFFF); }
inline std::uint16_t trigger(int id, int value) { return static_cast<std::uint16_t>(0xA000 | (id << 8) | value); }
}  // namespace evt3
namespace evt2 {
inline std::uint32_t cd(int polarity, std::uint32_t timeLow, std::uint32_t x, std::uint32_t y) { return (static_cast<std::uint32_t>(polarity) << 28) | ((timeLow & 0x3F) << 22) | ((x & 0x7FF) << 11) | (y & 0x7FF); }
inline std::uint32_t timeHigh(std::uint32_t high) { return 0x80000000u | (high & 0x0FFFFFFF); }
inline std::uint32_t trigger(std::uint32_t timeLow, std::uint32_t id, std::uint32_t value) { return 0xA0000000u | ((timeLow & 0x3F) << 22) | ((id & 0x1F) << 8) | (value & 1); }
}  // namespace evt2
// clang-format on

template <class Word>
QByteArray littleEndian(const std::vector<Word>& words) {
    QByteArray bytes;
    for (const Word w : words) {
        for (std::size_t b = 0; b < sizeof(Word); ++b) {
            bytes.append(static_cast<char>(w >> (8 * b)));
        }
    }
    return bytes;
}

inline QByteArray evt3File(const std::vector<std::uint16_t>& words) {
    return "% evt 3.0\n% format EVT3;height=720;width=1280\n% end\n" + littleEndian(words);
}

inline QByteArray evt2File(const std::vector<std::uint32_t>& words) {
    return "% evt 2.0\n% format EVT2;height=480;width=640\n% end\n" + littleEndian(words);
}

inline QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

inline std::unique_ptr<korvane::RawFileReader> openLoaded(const QString& path) {
    auto reader = korvane::RawFileReader::open(path.toStdString());
    return reader && reader->loadFile() ? std::move(reader) : nullptr;
}

// Every event of a loaded recording, in file order.
inline Events allEvents(korvane::RawFileReader& reader) {
    const auto events = reader.readEventsAt(0, noEnd);
    return events ? *events : Events();
}

inline Events orEmpty(const std::shared_ptr<Events>& events) {
    return events ? *events : Events();
}

inline Damage damageOf(const korvane::RawFileInfo& info) {
    return {info.reservedWords,     info.vendorWords,         info.partialTrailingWords,
            info.eventsWithoutTime, info.eventsOutsideSensor, info.triggersWithoutTime,
            info.timeBackwardSteps};
}

// Empty when equal, else where the lists part.
inline std::string eventListDifference(const Events& actual, const Events& expected) {
    const auto at = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    return actual == expected
               ? std::string()
               : "first difference at event " + std::to_string(at.first - actual.begin()) + " of " +
                     std::to_string(actual.size()) + ", expected " +
                     std::to_string(expected.size());
}

#define COMPARE_EVENTS(actual, expected)                                      \
    do {                                                                      \
        const std::string difference = eventListDifference(actual, expected); \
        QVERIFY2(difference.empty(), difference.c_str());                     \
    } while (false)

// A sensor-like stream: runs of 1 to 12 neighbouring pixels on a row (vector words), steps of 0
// to 40 µs, a gap of 20 s after 600 ms or so and, with stepsBack, now and then a step 30 µs back
// as EVT 3.0 time-lows take.
inline Events sensorStream(std::uint32_t seed, std::size_t count, std::uint64_t start,
                           bool stepsBack = false) {
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u, seed >> 8; };
    Events events;
    for (std::uint64_t groups = 0, time = start; events.size() < count; ++groups) {
        const bool back = stepsBack && next() % 200 == 0;
        time = groups == 30000 ? time + 20000000 : back ? time - 30 : time + next() % 40;
        const auto y = static_cast<std::uint16_t>(next() % 720);
        const auto polarity = static_cast<std::uint8_t>(next() % 2);
        const std::uint32_t x = next() % 1200;
        for (std::uint32_t k = 0, length = 1 + next() % 12; k < length; ++k) {
            events.emplace_back(static_cast<std::uint16_t>(x + k + k / 3), y, polarity, time);
        }
    }
    return events;
}

// The events of [start, start + length) in file order; a length that overflows means to the end.
inline Events eventsBetween(const Events& all, std::uint64_t start, std::uint64_t length) {
    Events kept;
    std::copy_if(all.begin(), all.end(), std::back_inserter(kept), [&](const Event2D& e) {
        return e.timestamp >= start && e.timestamp - start < length;
    });
    return kept;
}

#ifdef OSTREL_RAW_TOOL
struct ToolRun {
    int status;
    QByteArray out;
    QByteArray err;
};

inline ToolRun runTool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(OSTREL_RAW_TOOL), arguments);
    const bool done =
        process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    return {done ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}
#endif
