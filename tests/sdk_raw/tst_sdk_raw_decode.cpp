#include <QTemporaryDir>
#include <QtTest>

#include <random>

#include "DecoderState.h"
#include "EventWindowSink.h"
#include "Evt2Decoder.h"
#include "Evt3Decoder.h"
#include "RawTestFiles.h"
#include "korvane/RawFileWriter.h"

using korvane::Event2D;
using korvane::ExtTrigger;
using Events = std::vector<Event2D>;
using Triggers = std::vector<ExtTrigger>;

// Damage counts as RawFileInfo reports them.
struct Damage {
    std::uint64_t reserved = 0;
    std::uint64_t vendor = 0;
    std::uint64_t partial = 0;
    std::uint64_t withoutTime = 0;
    std::uint64_t outside = 0;
    std::uint64_t triggersWithoutTime = 0;
    std::uint64_t backward = 0;
};

Q_DECLARE_METATYPE(Events)
Q_DECLARE_METATYPE(Triggers)
Q_DECLARE_METATYPE(Damage)

namespace {

ExtTrigger edge(std::uint64_t t, int id, int value) {
    ExtTrigger trigger;
    trigger.timestamp = t;
    trigger.id = static_cast<std::uint8_t>(id);
    trigger.value = static_cast<std::uint8_t>(value);
    return trigger;
}

Damage damage(std::uint64_t reserved, std::uint64_t vendor, std::uint64_t partial,
              std::uint64_t withoutTime, std::uint64_t outside, std::uint64_t triggersWithoutTime,
              std::uint64_t backward) {
    return Damage{reserved, vendor, partial, withoutTime, outside, triggersWithoutTime, backward};
}

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values) {
        bytes.append(static_cast<char>(v));
    }
    return bytes;
}

// Collects every event in order, as the reader's window sink does without a time limit.
struct Collector {
    Events events;
    korvane::EventWindowSink sink{events, 0, std::numeric_limits<std::uint64_t>::max()};
};

}  // namespace

class TestSdkRawDecode : public QObject {
    Q_OBJECT

private slots:
    void decodesHandBuiltStreams_data();
    void decodesHandBuiltStreams();
    void decodesTriggers_data();
    void decodesTriggers();
    void randomSplitsDecodeTheSame_data();
    void randomSplitsDecodeTheSame();
    void survivesGarbageAfterValidStart_data();
    void survivesGarbageAfterValidStart();

private:
    QTemporaryDir dir;
};

void TestSdkRawDecode::decodesHandBuiltStreams_data() {
    using namespace evt3;
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Events>("expected");
    QTest::addColumn<Damage>("expectedDamage");

    const QByteArray h3 = evt3Header();
    const QByteArray h2 = evt2Header();

    QTest::newRow("evt3 reference bytes")
        << h3 + bytesOf({0x2d, 0x8b, 0x00, 0x60, 0xc8, 0x00, 0x6a, 0x23, 0x26, 0x2b})
        << Events{{874, 200, 0, 11718656}, {806, 200, 1, 11718656}} << Damage();
    QTest::newRow("evt3 empty vector masks still advance the base")
        << h3 + evt3Bytes({timeHigh(0), timeLow(0)}) +
               bytesOf({0x94, 0x02, 0x20, 0x31, 0x00, 0x40, 0x00, 0x4c, 0x00, 0x50}) +
               evt3Bytes({vect8(0x01)})
        << Events{{310, 660, 0, 0}, {311, 660, 0, 0}, {320, 660, 0, 0}} << Damage();
    QTest::newRow("evt3 24-bit wrap")
        << h3 + evt3Bytes({timeHigh(0xFFE), timeLow(5), addrY(1), addrX(1, 10), timeHigh(0x001),
                           timeLow(7), addrX(0, 11)})
        << Events{{10, 1, 1, 0xFFE005}, {11, 1, 0, (1u << 24) | 0x001007}} << Damage();
    QTest::newRow("evt3 time-high repeat is not a wrap")
        << h3 + evt3Bytes({timeHigh(0x100), timeLow(0), addrY(2), addrX(1, 3), timeHigh(0x100),
                           timeLow(1), addrX(1, 4)})
        << Events{{3, 2, 1, 0x100000}, {4, 2, 1, 0x100001}} << Damage();
    QTest::newRow("evt3 drop of exactly 2048 is a step back, not a wrap")
        << h3 + evt3Bytes({timeHigh(0x900), timeLow(0), addrY(2), addrX(1, 3), timeHigh(0x100),
                           timeLow(0), addrX(1, 4)})
        << Events{{3, 2, 1, 0x900000}, {4, 2, 1, 0x100000}} << damage(0, 0, 0, 0, 0, 0, 1);
    QTest::newRow("evt3 backward time-low is not a carry")
        << h3 + evt3Bytes({timeHigh(0x10), timeLow(0x800), addrY(0), addrX(0, 1), timeLow(0x7F0),
                           addrX(0, 2)})
        << Events{{1, 0, 0, 0x10800}, {2, 0, 0, 0x107F0}} << Damage();
    QTest::newRow("evt3 time-low keeps the last time-high")
        << h3 + evt3Bytes(
                    {timeHigh(1), timeLow(0x20), addrY(0), addrX(0, 1), timeHigh(2), addrX(0, 2)})
        << Events{{1, 0, 0, 0x1020}, {2, 0, 0, 0x2020}} << Damage();
    QTest::newRow("evt3 events before the first time-high are dropped, their state kept")
        << h3 + evt3Bytes({addrY(5), addrX(0, 1), vectBase(1, 10), vect12(0x5), timeHigh(1),
                           timeLow(0), addrX(0, 2), vect8(0x1)})
        << Events{{2, 5, 0, 0x1000}, {22, 5, 1, 0x1000}} << damage(0, 0, 0, 3, 0, 0, 0);
    QTest::newRow("evt3 vector running past the sensor width")
        << h3 + evt3Bytes({timeHigh(0), timeLow(9), addrY(3), vectBase(0, 1275), vect12(0xFFF),
                           vect8(0xFF)})
        << Events{{1275, 3, 0, 9},
                  {1276, 3, 0, 9},
                  {1277, 3, 0, 9},
                  {1278, 3, 0, 9},
                  {1279, 3, 0, 9}}
        << damage(0, 0, 0, 0, 15, 0, 0);
    QTest::newRow("evt3 vect8 junk bits ignored")
        << h3 + evt3Bytes({timeHigh(0), timeLow(1), addrY(4), vectBase(1, 100), vect8(0xF03),
                           vect8(0x001)})
        << Events{{100, 4, 1, 1}, {101, 4, 1, 1}, {108, 4, 1, 1}} << Damage();
    QTest::newRow("evt3 truncated vector followed by time-high")
        << h3 + evt3Bytes({timeHigh(0), timeLow(1), addrY(4), vectBase(0, 50), vect12(0x001),
                           timeHigh(1), timeLow(0), vect12(0x001), addrX(1, 7)})
        << Events{{50, 4, 0, 1}, {62, 4, 0, 0x1000}, {7, 4, 1, 0x1000}} << Damage();
    QTest::newRow("evt3 others and continued words skipped")
        << h3 + evt3Bytes({timeHigh(0), timeLow(1), addrY(4), 0xE123, 0x7ABC, 0xF456, addrX(1, 7)})
        << Events{{7, 4, 1, 1}} << damage(0, 3, 0, 0, 0, 0, 0);
    QTest::newRow("evt3 reserved types skipped")
        << h3 + evt3Bytes({timeHigh(0), timeLow(1), 0x1FFF, addrY(4), 0x9000, 0xB123, 0xC001,
                           0xDFFF, addrX(1, 7)})
        << Events{{7, 4, 1, 1}} << damage(5, 0, 0, 0, 0, 0, 0);
    QTest::newRow("evt3 x and y beyond the sensor dropped")
        << h3 +
               evt3Bytes({timeHigh(0), timeLow(1), addrY(720), addrX(0, 5), addrY(10),
                          addrX(0, 1280), addrX(1, 1279), addrY(2047), vectBase(0, 0), vect12(0x3)})
        << Events{{1279, 10, 1, 1}} << damage(0, 0, 0, 0, 4, 0, 0);
    QTest::newRow("evt3 partial trailing word")
        << h3 + evt3Bytes({timeHigh(0), timeLow(1), addrY(4), addrX(1, 7)}) + bytesOf({0x12})
        << Events{{7, 4, 1, 1}} << damage(0, 0, 1, 0, 0, 0, 0);

    QTest::newRow("evt2 reference bytes")
        << h2 + bytesOf({0x70, 0x50, 0x00, 0x80, 0x79, 0x68, 0x07, 0x10})
        << Events{{237, 121, 1, 1317888}} << Damage();
    QTest::newRow("evt2 34-bit rollover")
        << h2 + evt2Bytes({evt2::timeHigh(0x0FFFFFFF), evt2::cd(1, 63, 5, 6), evt2::timeHigh(0x1),
                           evt2::cd(0, 2, 7, 8)})
        << Events{{5, 6, 1, (std::uint64_t{1} << 34) - 1},
                  {7, 8, 0, (std::uint64_t{1} << 34) + 64 + 2}}
        << Damage();
    QTest::newRow("evt2 time-high step back is not a rollover")
        << h2 + evt2Bytes({evt2::timeHigh(1000), evt2::cd(1, 0, 5, 6), evt2::timeHigh(900),
                           evt2::cd(1, 1, 5, 6)})
        << Events{{5, 6, 1, 64000}, {5, 6, 1, 57601}} << damage(0, 0, 0, 0, 0, 0, 1);
    QTest::newRow("evt2 events before the first time-high dropped")
        << h2 + evt2Bytes({evt2::cd(1, 0, 5, 6), evt2::trigger(0, 1, 1), evt2::timeHigh(2),
                           evt2::cd(0, 3, 5, 6)})
        << Events{{5, 6, 0, 131}} << damage(0, 0, 0, 1, 0, 1, 0);
    QTest::newRow("evt2 reserved, vendor and out-of-sensor words")
        << h2 + evt2Bytes({evt2::timeHigh(0), 0x20000000, 0x30000000, 0x40000000, 0x50000000,
                           0x60000000, 0x70000000, 0x90000000, 0xB0000000, 0xC0000000, 0xD0000000,
                           0xE0000000, 0xF0000000, evt2::cd(1, 1, 640, 0), evt2::cd(1, 1, 0, 480),
                           evt2::cd(1, 1, 639, 479)})
        << Events{{639, 479, 1, 1}} << damage(10, 2, 0, 0, 2, 0, 0);
    QTest::newRow("evt2 partial trailing word")
        << h2 + evt2Bytes({evt2::timeHigh(0), evt2::cd(0, 4, 1, 1)}) + bytesOf({1, 2, 3})
        << Events{{1, 1, 0, 4}} << damage(0, 0, 1, 0, 0, 0, 0);
}

void TestSdkRawDecode::decodesHandBuiltStreams() {
    QFETCH(QByteArray, file);
    QFETCH(Events, expected);
    QFETCH(Damage, expectedDamage);
    const QString path = writeFile(dir.filePath("stream.raw"), file);
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    COMPARE_EVENTS(allEvents(*reader), expected);
    const korvane::RawFileInfo& info = reader->info();
    QCOMPARE(info.events, std::uint64_t{expected.size()});
    QCOMPARE(info.reservedWords, expectedDamage.reserved);
    QCOMPARE(info.vendorWords, expectedDamage.vendor);
    QCOMPARE(info.partialTrailingWords, expectedDamage.partial);
    QCOMPARE(info.eventsWithoutTime, expectedDamage.withoutTime);
    QCOMPARE(info.eventsOutsideSensor, expectedDamage.outside);
    QCOMPARE(info.triggersWithoutTime, expectedDamage.triggersWithoutTime);
    QCOMPARE(info.timeBackwardSteps, expectedDamage.backward);
    QCOMPARE(info.droppedEvents(), expectedDamage.withoutTime + expectedDamage.outside);
    QCOMPARE(info.skippedWords(),
             expectedDamage.reserved + expectedDamage.vendor + expectedDamage.partial);
}

void TestSdkRawDecode::decodesTriggers_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Triggers>("expected");
    QTest::addColumn<quint64>("events");

    QTest::newRow("evt3") << evt3Header() + evt3Bytes({evt3::trigger(2, 1), evt3::timeHigh(3),
                                                       evt3::timeLow(4), evt3::trigger(15, 1),
                                                       evt3::addrY(1), evt3::addrX(0, 1),
                                                       evt3::timeLow(9), evt3::trigger(0, 0)})
                          << Triggers{edge(0x3004, 15, 1), edge(0x3009, 0, 0)} << quint64(1);
    QTest::newRow("evt2") << evt2Header() +
                                 evt2Bytes({evt2::trigger(1, 2, 1), evt2::timeHigh(5),
                                            evt2::trigger(7, 31, 1), evt2::cd(1, 8, 1, 1),
                                            evt2::trigger(63, 0, 0)})
                          << Triggers{edge(327, 31, 1), edge(383, 0, 0)} << quint64(1);
}

void TestSdkRawDecode::decodesTriggers() {
    QFETCH(QByteArray, file);
    QFETCH(Triggers, expected);
    QFETCH(quint64, events);
    const auto reader = openLoaded(writeFile(dir.filePath("triggers.raw"), file));
    QVERIFY(reader);
    QCOMPARE(reader->info().triggers, std::uint64_t{expected.size()});
    QCOMPARE(reader->info().triggersWithoutTime, std::uint64_t{1});
    QCOMPARE(reader->info().events, events);
    QVERIFY(reader->readTriggersAt(0, std::numeric_limits<std::uint64_t>::max()) == expected);
    // Windows hold exactly the edges of their time span.
    QVERIFY(reader->readTriggersAt(expected[0].timestamp, 1) == Triggers{expected[0]});
    QVERIFY(reader->readTriggersAt(expected[0].timestamp + 1,
                                   expected[1].timestamp - expected[0].timestamp) ==
            Triggers{expected[1]});
    QVERIFY(reader->readTriggersAt(expected[1].timestamp + 1, 1000).empty());
    QVERIFY(reader->readTriggersAt(expected[0].timestamp, 0).empty());
}

void TestSdkRawDecode::randomSplitsDecodeTheSame_data() {
    QTest::addColumn<bool>("isEvt3");
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 2u, 3u}) {
        QTest::newRow(qPrintable(QString("evt3 seed %1").arg(seed))) << true << seed;
        QTest::newRow(qPrintable(QString("evt2 seed %1").arg(seed))) << false << seed;
    }
}

// The decoder carries all of its state between calls: any split into pieces gives the events
// and counts of one call over the whole stream.
void TestSdkRawDecode::randomSplitsDecodeTheSame() {
    QFETCH(bool, isEvt3);
    QFETCH(quint32, seed);
    std::mt19937 random(seed);
    const std::size_t wordBytes = isEvt3 ? 2 : 4;
    // Plausible words with some of every kind: mostly events and time, a little damage.
    std::vector<unsigned char> data;
    for (int i = 0; i < 60000; ++i) {
        std::uint32_t word = random();
        const int kind = static_cast<int>(random() % 16);
        if (isEvt3 && kind < 4) {
            word = (word & 0x0FFF) | (kind < 2 ? 0x2000u : 0x4000u);
        } else if (!isEvt3 && kind < 10) {
            word = word & 0x1FFFFFFF;
        }
        for (std::size_t b = 0; b < wordBytes; ++b) {
            data.push_back(static_cast<unsigned char>(word >> (8 * b)));
        }
    }
    const std::size_t words = data.size() / wordBytes;
    const korvane::SensorBounds bounds{1280, 720};

    const auto decode = [&](std::size_t from, std::size_t count, korvane::DecoderState& state,
                            korvane::DecodeCounters& counters, Collector& out) {
        if (isEvt3) {
            korvane::decodeEvt3(data.data() + from * wordBytes, count, state, bounds, counters,
                                out.sink);
        } else {
            korvane::decodeEvt2(data.data() + from * wordBytes, count, state, bounds, counters,
                                out.sink);
        }
    };

    Collector whole;
    korvane::DecoderState wholeState;
    korvane::DecodeCounters wholeCounters;
    decode(0, words, wholeState, wholeCounters, whole);
    QVERIFY(whole.events.size() > 1000);

    Collector pieces;
    korvane::DecoderState state;
    korvane::DecodeCounters counters;
    for (std::size_t done = 0; done < words;) {
        const std::size_t count = std::min<std::size_t>(words - done, 1 + random() % 700);
        decode(done, count, state, counters, pieces);
        done += count;
    }
    COMPARE_EVENTS(pieces.events, whole.events);
    QCOMPARE(counters.reservedWords, wholeCounters.reservedWords);
    QCOMPARE(counters.eventsOutsideSensor, wholeCounters.eventsOutsideSensor);
    QCOMPARE(counters.timeBackwardSteps, wholeCounters.timeBackwardSteps);
    QCOMPARE(state.timeBase, wholeState.timeBase);
}

void TestSdkRawDecode::survivesGarbageAfterValidStart_data() {
    QTest::addColumn<bool>("isEvt3");
    QTest::newRow("evt3") << true;
    QTest::newRow("evt2") << false;
}

// Random bytes after real events: loading finishes, the good start survives, and windows still
// agree with the full decode.
void TestSdkRawDecode::survivesGarbageAfterValidStart() {
    QFETCH(bool, isEvt3);
    std::mt19937 random(7);
    QByteArray garbage;
    for (int i = 0; i < 300001; ++i) {
        garbage.append(static_cast<char>(random()));
    }
    const QByteArray start =
        isEvt3 ? evt3Header() + evt3Bytes({evt3::timeHigh(1), evt3::timeLow(0), evt3::addrY(1),
                                           evt3::addrX(1, 1)})
               : evt2Header() + evt2Bytes({evt2::timeHigh(64), evt2::cd(1, 0, 1, 1)});
    const auto reader = openLoaded(writeFile(dir.filePath("garbage.raw"), start + garbage));
    QVERIFY(reader);
    const Events all = allEvents(*reader);
    QVERIFY(!all.empty());
    QCOMPARE(all.front(), (Event2D{1, 1, 1, 4096}));
    QCOMPARE(reader->info().events, std::uint64_t{all.size()});
    QCOMPARE(reader->info().partialTrailingWords, std::uint64_t{1});
    for (int i = 0; i < 200; ++i) {
        const Event2D& pick = all[random() % all.size()];
        const std::uint64_t length = 1 + random() % 5000000;
        Events expected;
        for (const Event2D& e : all) {
            if (e.timestamp >= pick.timestamp && e.timestamp - pick.timestamp < length) {
                expected.push_back(e);
            }
        }
        const auto window = reader->readEventsAt(pick.timestamp, length);
        QVERIFY(window);
        COMPARE_EVENTS(*window, expected);
    }
}

QTEST_APPLESS_MAIN(TestSdkRawDecode)
#include "tst_sdk_raw_decode.moc"
