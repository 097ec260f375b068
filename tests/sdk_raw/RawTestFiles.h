#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "korvane/Event2D.h"
#include "korvane/RawFileReader.h"

// Word builders for hand-made EVT 3.0 streams.
namespace evt3 {
inline std::uint16_t addrY(std::uint16_t y) {
    return y & 0x7FF;
}
inline std::uint16_t addrX(int polarity, std::uint16_t x) {
    return static_cast<std::uint16_t>(0x2000 | (polarity << 11) | (x & 0x7FF));
}
inline std::uint16_t vectBase(int polarity, std::uint16_t x) {
    return static_cast<std::uint16_t>(0x3000 | (polarity << 11) | (x & 0x7FF));
}
inline std::uint16_t vect12(std::uint16_t mask) {
    return 0x4000 | (mask & 0xFFF);
}
inline std::uint16_t vect8(std::uint16_t bits) {
    return 0x5000 | (bits & 0xFFF);
}
inline std::uint16_t timeLow(std::uint16_t t) {
    return 0x6000 | (t & 0xFFF);
}
inline std::uint16_t timeHigh(std::uint16_t t) {
    return 0x8000 | (t & 0xFFF);
}
inline std::uint16_t trigger(int id, int value) {
    return static_cast<std::uint16_t>(0xA000 | (id << 8) | value);
}
}  // namespace evt3

// Word builders for hand-made EVT 2.0 streams.
namespace evt2 {
inline std::uint32_t cd(int polarity, std::uint32_t timeLow, std::uint32_t x, std::uint32_t y) {
    return (static_cast<std::uint32_t>(polarity) << 28) | ((timeLow & 0x3F) << 22) |
           ((x & 0x7FF) << 11) | (y & 0x7FF);
}
inline std::uint32_t timeHigh(std::uint32_t high) {
    return 0x80000000u | (high & 0x0FFFFFFF);
}
inline std::uint32_t trigger(std::uint32_t timeLow, std::uint32_t id, std::uint32_t value) {
    return 0xA0000000u | ((timeLow & 0x3F) << 22) | ((id & 0x1F) << 8) | (value & 1);
}
}  // namespace evt2

inline QByteArray evt3Bytes(const std::vector<std::uint16_t>& words) {
    QByteArray bytes;
    for (std::uint16_t w : words) {
        bytes.append(static_cast<char>(w & 0xFF)).append(static_cast<char>(w >> 8));
    }
    return bytes;
}

inline QByteArray evt2Bytes(const std::vector<std::uint32_t>& words) {
    QByteArray bytes;
    for (std::uint32_t w : words) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.append(static_cast<char>((w >> shift) & 0xFF));
        }
    }
    return bytes;
}

inline QByteArray evt3Header() {
    return "% evt 3.0\n% format EVT3;height=720;width=1280\n% end\n";
}

inline QByteArray evt2Header() {
    return "% evt 2.0\n% format EVT2;height=480;width=640\n% end\n";
}

inline QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return QString();
    }
    return path;
}

inline std::unique_ptr<korvane::RawFileReader> openLoaded(const QString& path) {
    auto reader = korvane::RawFileReader::open(path.toStdString());
    if (reader && !reader->loadFile()) {
        return nullptr;
    }
    return reader;
}

// Every event of a loaded recording, in file order.
inline std::vector<korvane::Event2D> allEvents(korvane::RawFileReader& reader) {
    const auto events = reader.readEventsAt(0, std::numeric_limits<std::uint64_t>::max());
    return events ? *events : std::vector<korvane::Event2D>();
}

inline std::string describe(const korvane::Event2D& e) {
    return "(x " + std::to_string(e.x) + ", y " + std::to_string(e.y) + ", p " +
           std::to_string(e.polarity) + ", t " + std::to_string(e.timestamp) + ")";
}

// Empty when equal, else where and how the lists differ.
inline std::string eventListDifference(const std::vector<korvane::Event2D>& actual,
                                       const std::vector<korvane::Event2D>& expected) {
    for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); ++i) {
        if (actual[i] != expected[i]) {
            return "event " + std::to_string(i) + ": got " + describe(actual[i]) + ", expected " +
                   describe(expected[i]);
        }
    }
    if (actual.size() != expected.size()) {
        return "got " + std::to_string(actual.size()) + " events, expected " +
               std::to_string(expected.size());
    }
    return std::string();
}

#define COMPARE_EVENTS(actual, expected)                                      \
    do {                                                                      \
        const std::string difference = eventListDifference(actual, expected); \
        QVERIFY2(difference.empty(), difference.c_str());                     \
    } while (false)

// A sensor-like stream in time order: runs of neighbouring pixels on one row (vector words),
// single events, steps of 1 to 50 microseconds and now and then a gap of up to 3 seconds.
inline std::vector<korvane::Event2D> syntheticEvents(std::uint32_t seed, std::size_t count,
                                                     std::uint64_t start) {
    std::uint32_t state = seed * 2654435761u + 1;
    const auto next = [&state]() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    std::vector<korvane::Event2D> events;
    events.reserve(count + 64);
    std::uint64_t time = start;
    while (events.size() < count) {
        time += next() % 4 == 0 ? 1 + next() % 50 : 1;
        if (next() % 20000 == 0) {
            time += 200000 + next() % 3000000;
        }
        const int groups = 1 + static_cast<int>(next() % 4);
        for (int g = 0; g < groups; ++g) {
            const auto y = static_cast<std::uint16_t>(next() % 720);
            const auto polarity = static_cast<std::uint8_t>(next() % 2);
            std::uint32_t x = next() % 1240;
            if (next() % 2 == 0) {
                events.emplace_back(static_cast<std::uint16_t>(x), y, polarity, time);
                continue;
            }
            const int length = 2 + static_cast<int>(next() % 20);
            for (int i = 0; i < length && x < 1280; ++i) {
                events.emplace_back(static_cast<std::uint16_t>(x), y, polarity, time);
                x += 1 + (next() % 3 == 0 ? next() % 6 : 0);
            }
        }
    }
    return events;
}

// The events of [start, start + length) from a full list, in order; length 0 means none and
// a length that overflows means to the end.
inline std::vector<korvane::Event2D> eventsBetween(const std::vector<korvane::Event2D>& all,
                                                   std::uint64_t start, std::uint64_t length) {
    std::vector<korvane::Event2D> kept;
    for (const korvane::Event2D& e : all) {
        if (e.timestamp >= start && e.timestamp - start < length) {
            kept.push_back(e);
        }
    }
    return kept;
}

// The same as eventsBetween for lists made of a few ascending stretches, by binary search.
class EventTimeline {
public:
    explicit EventTimeline(const std::vector<korvane::Event2D>& all) : all(all) {
        std::size_t begin = 0;
        for (std::size_t i = 1; i <= all.size(); ++i) {
            if (i == all.size() || all[i].timestamp < all[i - 1].timestamp) {
                runs.emplace_back(begin, i);
                begin = i;
            }
        }
    }

    std::vector<korvane::Event2D> between(std::uint64_t start, std::uint64_t length) const {
        std::vector<korvane::Event2D> kept;
        for (const auto& run : runs) {
            auto it = std::lower_bound(
                all.begin() + run.first, all.begin() + run.second, start,
                [](const korvane::Event2D& e, std::uint64_t t) { return e.timestamp < t; });
            for (; it != all.begin() + run.second && it->timestamp - start < length; ++it) {
                kept.push_back(*it);
            }
        }
        return kept;
    }

private:
    const std::vector<korvane::Event2D>& all;
    std::vector<std::pair<std::size_t, std::size_t>> runs;
};
