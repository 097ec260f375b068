#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <random>
#include <thread>

#include "ChunkIndex.h"
#include "EventWindowSink.h"
#include "Evt2Decoder.h"
#include "Evt3Decoder.h"
#include "Evt3Encoder.h"
#include "RawTestFiles.h"
#include "korvane/DvsFileReader.h"
#include "korvane/RawFileWriter.h"

using korvane::Event2D;
using Events = std::vector<Event2D>;

namespace {

constexpr std::uint64_t noEnd = std::numeric_limits<std::uint64_t>::max();

QByteArray encodedEvt3(const Events& events) {
    korvane::Evt3Encoder encoder(1280, 720);
    korvane::WordBuffer words;
    encoder.encode(events.data(), events.size(), words);
    return evt3Bytes(std::vector<std::uint16_t>(words.data(), words.data() + words.size()));
}

// A time-high word whenever the upper time bits change, then one word per event.
QByteArray encodedEvt2(const Events& events) {
    std::vector<std::uint32_t> words;
    std::uint64_t high = noEnd;
    for (const Event2D& e : events) {
        if (e.timestamp >> 6 != high) {
            high = e.timestamp >> 6;
            words.push_back(evt2::timeHigh(static_cast<std::uint32_t>(high)));
        }
        words.push_back(evt2::cd(e.polarity, e.timestamp & 0x3F, e.x, e.y));
    }
    return evt2Bytes(words);
}

QByteArray recording(bool evt3, const std::vector<Events>& parts) {
    QByteArray bytes =
        evt3 ? evt3Header() : QByteArray("% evt 2.0\n% format EVT2;height=720;width=1280\n% end\n");
    for (const Events& part : parts) {
        bytes += evt3 ? encodedEvt3(part) : encodedEvt2(part);
    }
    return bytes;
}

// Timestamps of the last event before and the first event after each index chunk boundary.
std::vector<std::uint64_t> chunkBoundaryTimes(const QString& path, bool evt3,
                                              std::uint64_t dataOffset) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    file.seek(static_cast<qint64>(dataOffset));
    const QByteArray data = file.readAll();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    Events events;
    korvane::EventWindowSink sink{events, 0, noEnd};
    korvane::DecoderState state;
    korvane::DecodeCounters counters;
    std::vector<std::uint64_t> times;
    const std::size_t wordBytes = evt3 ? 2 : 4;
    const std::size_t wordCount = static_cast<std::size_t>(data.size()) / wordBytes;
    const std::size_t wordsPerChunk = korvane::ChunkIndex::chunkBytes / wordBytes;
    for (std::size_t word = 0; word < wordCount; word += wordsPerChunk) {
        const std::size_t before = events.size();
        const std::size_t count = std::min(wordsPerChunk, wordCount - word);
        const korvane::SensorBounds bounds{1280, 720};
        if (evt3) {
            korvane::decodeEvt3(bytes + wordBytes * word, count, state, bounds, counters, sink);
        } else {
            korvane::decodeEvt2(bytes + wordBytes * word, count, state, bounds, counters, sink);
        }
        if (before > 0 && before < events.size()) {
            times.push_back(events[before - 1].timestamp);
            times.push_back(events[before].timestamp);
        }
    }
    return times;
}

}  // namespace

class TestSdkRawWindows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void windowsMatchFullDecode_data();
    void windowsMatchFullDecode();
    void readEventsForWalksTheRecording();
    void readersOnThreadsOfTheirOwnAgree();
    void seekPlacesPositionOnFirstEventAtOrAfter_data();
    void seekPlacesPositionOnFirstEventAtOrAfter();
    void windowEndSaturates_data();
    void windowEndSaturates();
    void zeroDurationReturnsNoEventsAtOnce();
    void nothingBeforeLoad();
    void recordingWithoutEvents();

private:
    QTemporaryDir dir;
    QString orderedPath;
    Events ordered;
    Events steppingBack;
};

void TestSdkRawWindows::initTestCase() {
    QVERIFY(dir.isValid());
    ordered = syntheticEvents(11, 600000, 20000000);
    // A second recording appended whose clock starts earlier: time steps back once, by less
    // than a wrap, so windows must gather events from both halves.
    const Events first = syntheticEvents(12, 300000, 5000000);
    const Events second = syntheticEvents(13, 300000, 4000000);
    steppingBack = first;
    steppingBack.insert(steppingBack.end(), second.begin(), second.end());
    for (const bool evt3 : {true, false}) {
        const QString name = evt3 ? "%1-evt3.raw" : "%1-evt2.raw";
        QVERIFY(
            !writeFile(dir.filePath(name.arg("ordered")), recording(evt3, {ordered})).isEmpty());
        QVERIFY(
            !writeFile(dir.filePath(name.arg("stepping-back")), recording(evt3, {first, second}))
                 .isEmpty());
    }
    orderedPath = dir.filePath("ordered-evt3.raw");
}

void TestSdkRawWindows::windowsMatchFullDecode_data() {
    QTest::addColumn<bool>("evt3");
    QTest::addColumn<bool>("stepsBack");
    QTest::newRow("EVT 3.0, time in order") << true << false;
    QTest::newRow("EVT 3.0, time stepping back") << true << true;
    QTest::newRow("EVT 2.0, time in order") << false << false;
    QTest::newRow("EVT 2.0, time stepping back") << false << true;
}

void TestSdkRawWindows::windowsMatchFullDecode() {
    QFETCH(bool, evt3);
    QFETCH(bool, stepsBack);
    const QString path = dir.filePath(QString(stepsBack ? "stepping-back" : "ordered") +
                                      (evt3 ? "-evt3.raw" : "-evt2.raw"));
    const Events& written = stepsBack ? steppingBack : ordered;
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    const Events all = allEvents(*reader);
    COMPARE_EVENTS(all, written);
    QVERIFY(reader->info().dataBytes > 8 * korvane::ChunkIndex::chunkBytes);
    QVERIFY(reader->info().indexBytes > 0);
    QVERIFY(reader->info().indexBytes * 100 <= reader->info().dataBytes);
    QCOMPARE(reader->info().timeBackwardSteps, std::uint64_t{stepsBack ? 1u : 0u});

    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    QVERIFY(reader->getBeginTime(begin) && reader->getEndTime(end));
    QCOMPARE(begin, written.front().timestamp);
    QCOMPARE(end, written.back().timestamp);

    std::vector<std::uint64_t> starts = chunkBoundaryTimes(path, evt3, reader->info().dataOffset);
    QVERIFY(starts.size() >= 16);
    std::mt19937_64 random(5);
    const std::uint64_t low = reader->info().minTimestamp;
    const std::uint64_t high = reader->info().maxTimestamp;
    for (int i = 0; i < 300; ++i) {
        starts.push_back(low - 1000 + random() % (high - low + 2000));
        starts.push_back(written[random() % written.size()].timestamp);
    }
    starts.push_back(0);
    starts.push_back(low - 1);
    starts.push_back(end);
    // The longer windows cover whole index chunks, shorter ones cut through them.
    const std::uint64_t lengths[] = {1, 2, 1000, 10000, 33333, 400000};
    const EventTimeline timeline(all);
    for (const std::uint64_t start : starts) {
        for (const std::uint64_t base : {start - 1, start, start + 1}) {
            const std::uint64_t length = lengths[random() % std::size(lengths)];
            const auto window = reader->readEventsAt(base, length);
            if (base > end) {
                QVERIFY2(!window, "a start after the last event is the end of the recording");
                continue;
            }
            QVERIFY(window);
            COMPARE_EVENTS(*window, timeline.between(base, length));
        }
    }
    QVERIFY(!reader->readEventsAt(end + 1, 1000));
    QVERIFY(!reader->readEventsAt(noEnd, noEnd));
}

void TestSdkRawWindows::readEventsForWalksTheRecording() {
    const auto reader = openLoaded(orderedPath);
    QVERIFY(reader);
    std::mt19937_64 random(9);
    QVERIFY(reader->seekTo(ordered.front().timestamp));
    Events walked;
    for (std::uint64_t position = ordered.front().timestamp;
         position <= ordered.back().timestamp;) {
        const std::uint64_t length = 1 + random() % 60000;
        const auto slice = reader->readEventsFor(length);
        if (slice) {
            QVERIFY(!slice->empty());
            walked.insert(walked.end(), slice->begin(), slice->end());
        }
        position += length;
    }
    COMPARE_EVENTS(walked, ordered);
    QVERIFY(!reader->readEventsFor(1000000));
}

// Large windows are decoded on two threads; readers used from several threads at once, and
// destroyed straight after a large read, must still give each window exactly.
void TestSdkRawWindows::readersOnThreadsOfTheirOwnAgree() {
    const EventTimeline timeline(ordered);
    const std::uint64_t first = ordered.front().timestamp;
    const std::uint64_t span = ordered.back().timestamp - first;
    std::atomic<int> wrong{0};
    std::atomic<int> read{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            const bool evt3 = t != 1;
            const auto reader =
                openLoaded(dir.filePath(evt3 ? "ordered-evt3.raw" : "ordered-evt2.raw"));
            if (!reader) {
                ++wrong;
                return;
            }
            std::mt19937_64 random(30 + t);
            for (int i = 0; i < 20; ++i) {
                const std::uint64_t start = first + random() % span;
                const std::uint64_t length = 400000 + random() % 2000000;
                const auto window = reader->readEventsAt(start, length);
                wrong += !window || *window != timeline.between(start, length) ? 1 : 0;
                ++read;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    QCOMPARE(read.load(), 60);
    QCOMPARE(wrong.load(), 0);
}

void TestSdkRawWindows::seekPlacesPositionOnFirstEventAtOrAfter_data() {
    QTest::addColumn<int>("pick");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("long before the start") << 0 << qint64(-1000000) << true;
    QTest::newRow("just before the start") << 0 << qint64(-1) << true;
    QTest::newRow("on the first event") << 0 << qint64(0) << true;
    QTest::newRow("on an event in the middle") << 300000 << qint64(0) << true;
    QTest::newRow("just after an event") << 300000 << qint64(1) << true;
    QTest::newRow("on the last event") << -1 << qint64(0) << true;
    QTest::newRow("just after the last event") << -1 << qint64(1) << false;
}

void TestSdkRawWindows::seekPlacesPositionOnFirstEventAtOrAfter() {
    QFETCH(int, pick);
    QFETCH(qint64, offset);
    QFETCH(bool, succeeds);
    const auto reader = openLoaded(orderedPath);
    QVERIFY(reader);
    const std::uint64_t anchor =
        ordered[pick < 0 ? ordered.size() - 1 : static_cast<std::size_t>(pick)].timestamp;
    const std::uint64_t target = anchor + static_cast<std::uint64_t>(offset);
    QCOMPARE(reader->seekTo(target), succeeds);
    if (!succeeds) {
        return;
    }
    std::uint64_t position = ordered.front().timestamp;
    for (const Event2D& e : ordered) {
        if (e.timestamp >= target) {
            position = e.timestamp;
            break;
        }
    }
    const auto slice = reader->readEventsFor(40000);
    QVERIFY(slice);
    COMPARE_EVENTS(*slice, eventsBetween(ordered, position, 40000));
}

void TestSdkRawWindows::windowEndSaturates_data() {
    QTest::addColumn<int>("pick");
    QTest::addColumn<quint64>("duration");
    QTest::newRow("largest duration from the start") << 0 << quint64(noEnd);
    QTest::newRow("largest duration from the middle") << 250000 << quint64(noEnd);
    QTest::newRow("end overflows by one") << 250000 << quint64(0);
    QTest::newRow("two's complement of -5 ms") << 100 << quint64(0) - quint64(5000);
}

// A window whose end would overflow reaches the end of the recording, never wraps around.
void TestSdkRawWindows::windowEndSaturates() {
    QFETCH(int, pick);
    QFETCH(quint64, duration);
    const auto reader = openLoaded(orderedPath);
    QVERIFY(reader);
    const std::uint64_t start = ordered[static_cast<std::size_t>(pick)].timestamp;
    if (duration == 0) {
        duration = noEnd - start + 1;
    }
    const Events tail = eventsBetween(ordered, start, noEnd);
    const auto at = reader->readEventsAt(start, duration);
    QVERIFY(at);
    COMPARE_EVENTS(*at, tail);
    QVERIFY(!reader->readEventsFor(1000));

    QVERIFY(reader->seekTo(start));
    const auto forward = reader->readEventsFor(duration);
    QVERIFY(forward);
    COMPARE_EVENTS(*forward, tail);
    QVERIFY(!reader->readEventsFor(duration));
}

void TestSdkRawWindows::zeroDurationReturnsNoEventsAtOnce() {
    const auto reader = openLoaded(orderedPath);
    QVERIFY(reader);
    const std::uint64_t middle = ordered[300000].timestamp;
    for (int i = 0; i < 1000; ++i) {
        const auto at = reader->readEventsAt(middle, 0);
        QVERIFY(at);
        QVERIFY(at->empty());
        QVERIFY(!reader->readEventsFor(0));
    }
    // A zero-length read leaves the position at its start.
    const auto next = reader->readEventsFor(10);
    QVERIFY(next);
    COMPARE_EVENTS(*next, eventsBetween(ordered, middle, 10));
}

void TestSdkRawWindows::nothingBeforeLoad() {
    const auto reader = korvane::DvsFileReader::createFileReader(orderedPath.toStdString());
    QVERIFY(reader);
    std::uint64_t time = 12345;
    QVERIFY(!reader->getBeginTime(time));
    QVERIFY(!reader->getEndTime(time));
    QCOMPARE(time, std::uint64_t{12345});
    QVERIFY(!reader->seekTo(0));
    QVERIFY(!reader->readEventsAt(0, 1000000));
    QVERIFY(!reader->readEventsFor(1000000));
    QVERIFY(reader->loadFile());
    QVERIFY(reader->loadFile());
    QVERIFY(reader->getBeginTime(time));
    QCOMPARE(time, ordered.front().timestamp);
}

void TestSdkRawWindows::recordingWithoutEvents() {
    const QString path =
        writeFile(dir.filePath("empty.raw"), evt3Header() + evt3Bytes({evt3::timeHigh(1), 0xE000}));
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    std::uint64_t time = 0;
    QVERIFY(!reader->getBeginTime(time));
    QVERIFY(!reader->getEndTime(time));
    QVERIFY(!reader->seekTo(0));
    QVERIFY(!reader->readEventsAt(0, noEnd));
    QVERIFY(!reader->readEventsFor(noEnd));
    QCOMPARE(reader->info().events, std::uint64_t{0});
}

QTEST_APPLESS_MAIN(TestSdkRawWindows)
#include "tst_sdk_raw_windows.moc"
