#include <QtTest>

#include <limits>
#include <random>

#include "BatchAssembler.h"

using namespace korvane;

namespace {

// One event every `spacing` microseconds over [begin, end).
std::vector<Event2D> eventsBetween(std::uint64_t begin, std::uint64_t end, std::uint64_t spacing) {
    std::vector<Event2D> events;
    for (std::uint64_t t = begin; t < end; t += spacing) {
        events.emplace_back(static_cast<std::uint16_t>(t % 1280),
                            static_cast<std::uint16_t>(t % 720), static_cast<std::uint8_t>(t & 1),
                            t);
    }
    return events;
}

void append(BatchAssembler& batches, std::uint64_t begin, std::uint64_t end,
            std::uint64_t spacing) {
    const std::vector<Event2D> events = eventsBetween(begin, end, spacing);
    batches.append(events.data(), events.size(), end);
}

}  // namespace

class TestBatchAssembler : public QObject {
    Q_OBJECT

private slots:
    void batchIsTakenOnce();
    void incompleteBatchIsNotHandedOut();
    void newIntervalCountsFromNextBatch();
    void severalCompletedKeepsTheNewest();
    void randomStreamIsCutWithoutGaps();
    void stopDropsEverything();
    void intervalIsClamped_data();
    void intervalIsClamped();
    void zeroIntervalStillMakesProgress();
};

void TestBatchAssembler::batchIsTakenOnce() {
    BatchAssembler batches;
    batches.start(1000, 100);
    append(batches, 1000, 1100, 10);
    std::vector<Event2D> taken(5);
    batches.take(taken);
    QCOMPARE(taken, eventsBetween(1000, 1100, 10));
    QCOMPARE(batches.takenBegin(), std::uint64_t(1000));
    QCOMPARE(batches.takenEnd(), std::uint64_t(1100));
    batches.take(taken);
    QVERIFY(taken.empty());
}

void TestBatchAssembler::incompleteBatchIsNotHandedOut() {
    BatchAssembler batches;
    batches.start(0, 100);
    append(batches, 0, 99, 1);
    std::vector<Event2D> taken{Event2D()};
    batches.take(taken);
    QVERIFY(taken.empty());
    append(batches, 99, 150, 1);
    batches.take(taken);
    QCOMPARE(taken, eventsBetween(0, 100, 1));
}

void TestBatchAssembler::newIntervalCountsFromNextBatch() {
    BatchAssembler batches;
    batches.start(0, 100);
    append(batches, 0, 50, 5);
    batches.setInterval(30);
    append(batches, 50, 100, 5);
    std::vector<Event2D> taken;
    batches.take(taken);
    QCOMPARE(batches.takenEnd() - batches.takenBegin(), std::uint64_t(100));
    QCOMPARE(taken.size(), std::size_t(20));
    append(batches, 100, 130, 5);
    batches.take(taken);
    QCOMPARE(batches.takenBegin(), std::uint64_t(100));
    QCOMPARE(batches.takenEnd(), std::uint64_t(130));
    QCOMPARE(taken, eventsBetween(100, 130, 5));
}

void TestBatchAssembler::severalCompletedKeepsTheNewest() {
    BatchAssembler batches;
    batches.start(0, 10);
    append(batches, 0, 105, 1);
    std::vector<Event2D> taken;
    batches.take(taken);
    QCOMPARE(batches.takenBegin(), std::uint64_t(90));
    QCOMPARE(batches.takenEnd(), std::uint64_t(100));
    QCOMPARE(batches.takenSequence(), std::uint64_t(10));
    QCOMPARE(taken, eventsBetween(90, 100, 1));
    append(batches, 105, 110, 1);
    batches.take(taken);
    QCOMPARE(taken, eventsBetween(100, 110, 1));
    QCOMPARE(batches.takenSequence(), std::uint64_t(11));
}

// Irregular events, irregular appends and interval changes: every pair of batches taken one after
// the other meets exactly, and each batch holds exactly the stream's events of its span.
void TestBatchAssembler::randomStreamIsCutWithoutGaps() {
    std::mt19937_64 random(7);
    std::vector<Event2D> stream;
    std::uint64_t now = 5000;
    for (int i = 0; i < 20000; ++i) {
        now += 1 + random() % 7;
        stream.emplace_back(1, 2, 1, now);
    }
    BatchAssembler batches;
    batches.start(5000, 250);
    std::size_t fed = 0;
    std::uint64_t previousEnd = 0;
    std::uint64_t previousSequence = 0;
    int checked = 0;
    while (fed < stream.size()) {
        const std::size_t count = std::min<std::size_t>(stream.size() - fed, random() % 40);
        const std::uint64_t until =
            fed + count < stream.size() ? stream[fed + count].timestamp : now + 1;
        batches.append(stream.data() + fed, count, until);
        fed += count;
        if (random() % 5 == 0) {
            batches.setInterval(50 + random() % 400);
        }
        std::vector<Event2D> taken;
        batches.take(taken);
        if (taken.empty() && batches.takenSequence() == previousSequence) {
            continue;
        }
        const std::uint64_t begin = batches.takenBegin();
        const std::uint64_t end = batches.takenEnd();
        std::vector<Event2D> expected;
        for (const Event2D& event : stream) {
            if (event.timestamp >= begin && event.timestamp < end) {
                expected.push_back(event);
            }
        }
        QCOMPARE(taken, expected);
        if (batches.takenSequence() == previousSequence + 1 && previousSequence != 0) {
            QCOMPARE(begin, previousEnd);
            ++checked;
        }
        previousEnd = end;
        previousSequence = batches.takenSequence();
    }
    QVERIFY(checked > 100);
}

void TestBatchAssembler::stopDropsEverything() {
    BatchAssembler batches;
    batches.start(0, 10);
    append(batches, 0, 20, 1);
    batches.stop();
    QVERIFY(!batches.isStarted());
    std::vector<Event2D> taken{Event2D()};
    batches.take(taken);
    QVERIFY(taken.empty());
}

void TestBatchAssembler::intervalIsClamped_data() {
    QTest::addColumn<quint64>("asked");
    QTest::addColumn<quint64>("used");
    QTest::newRow("zero is the shortest") << quint64(0) << quint64(1);
    QTest::newRow("one") << quint64(1) << quint64(1);
    QTest::newRow("a frame") << quint64(33333) << quint64(33333);
    QTest::newRow("one second") << quint64(1000000) << quint64(1000000);
    QTest::newRow("above a second") << quint64(1000001) << quint64(1000000);
    QTest::newRow("a negative typed value")
        << quint64(std::numeric_limits<std::uint64_t>::max()) << quint64(1000000);
}

void TestBatchAssembler::intervalIsClamped() {
    QFETCH(quint64, asked);
    QFETCH(quint64, used);
    QCOMPARE(quint64(BatchAssembler::clampInterval(asked)), used);
}

void TestBatchAssembler::zeroIntervalStillMakesProgress() {
    BatchAssembler batches;
    batches.start(0, 0);
    append(batches, 0, 1000000, 1);
    std::vector<Event2D> taken;
    batches.take(taken);
    QCOMPARE(batches.takenEnd() - batches.takenBegin(), std::uint64_t(1));
    QCOMPARE(batches.takenEnd(), std::uint64_t(1000000));
    QCOMPARE(taken.size(), std::size_t(1));
}

QTEST_APPLESS_MAIN(TestBatchAssembler)
#include "tst_batchassembler.moc"
