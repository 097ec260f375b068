#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "RawTestFiles.h"
#include "korvane/RawFileWriter.h"

using korvane::Event2D;
using Events = std::vector<Event2D>;

Q_DECLARE_METATYPE(Events)

namespace {

// Events at increasing times from start, stepping by step, on a diagonal.
Events spaced(std::uint64_t start, std::uint64_t step, int count) {
    Events events;
    for (int i = 0; i < count; ++i) {
        events.emplace_back(static_cast<std::uint16_t>(i % 1280),
                            static_cast<std::uint16_t>(i % 720), static_cast<std::uint8_t>(i % 2),
                            start + step * static_cast<std::uint64_t>(i));
    }
    return events;
}

// One row, one time, one polarity: what vector words are for.
Events row(std::uint64_t time, std::uint16_t y, std::uint8_t polarity,
           std::initializer_list<int> xs) {
    Events events;
    for (int x : xs) {
        events.emplace_back(static_cast<std::uint16_t>(x), y, polarity, time);
    }
    return events;
}

Events joined(std::initializer_list<Events> parts) {
    Events all;
    for (const Events& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

}  // namespace

class TestSdkRawWriter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void vectorsMakeDenseRowsSmall();
    void headerHasTheRecordingKeys();
    void earlierEventsTakeTheTimeBefore();
    void eventsOutsideTheSensorAreLeftOut();
    void fileIsReadableWhileRecording();
    void batchesInManyCallsDecodeAsOne();
    void misuseFailsCleanly();

private:
    QString record(const QString& name, const Events& events,
                   korvane::RawFileWriter* keepOpen = nullptr);
    QTemporaryDir dir;
};

void TestSdkRawWriter::initTestCase() {
    QVERIFY(dir.isValid());
}

QString TestSdkRawWriter::record(const QString& name, const Events& events,
                                 korvane::RawFileWriter* keepOpen) {
    korvane::RawFileWriter own;
    korvane::RawFileWriter& writer = keepOpen ? *keepOpen : own;
    const QString path = dir.filePath(name);
    if (!writer.open(path.toStdString(), 1280, 720, "TEST-1") ||
        !writer.write(events.data(), events.size())) {
        return QString();
    }
    if (!keepOpen && !writer.close()) {
        return QString();
    }
    return path;
}

void TestSdkRawWriter::roundTrip_data() {
    QTest::addColumn<Events>("events");
    QTest::newRow("one event at time 0") << Events{{0, 0, 1, 0}};
    QTest::newRow("single events on many rows") << spaced(100, 7, 5000);
    QTest::newRow("same time, rising x, both polarities")
        << joined({row(50, 3, 1, {1, 2, 3, 5, 8, 13, 14, 15, 16}),
                   row(50, 3, 0, {1, 2, 3, 5, 8, 13, 14, 15, 16}), row(50, 4, 1, {1279, 1278})});
    QTest::newRow("dense and sparse runs")
        << joined({row(9, 700, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 20, 40, 41, 1279}),
                   row(9, 700, 1, {3, 4}), row(10, 700, 1, {100, 111, 112, 123, 124})});
    QTest::newRow("starts after several wraps") << spaced(5 * (1ull << 24) + 12345, 1000, 3000);
    QTest::newRow("jumps across wraps and hours") << joined(
        {spaced(10, 1, 10), spaced(16777215, 1, 3), spaced(40000000, 9000000, 20),
         spaced(3600000000ull, 1, 5), spaced(3600000000ull + (1ull << 24) - 100, 50, 10)});
    QTest::newRow("wrap where the time-high drops by less than 2048")
        << joined({spaced(0x900000, 1, 2), spaced(0x1100000 + 0x100000, 1, 2)});
    QTest::newRow("realistic stream") << syntheticEvents(3, 200000, 123456789);
}

void TestSdkRawWriter::roundTrip() {
    QFETCH(Events, events);
    const QString path = record("round.raw", events);
    QVERIFY(!path.isEmpty());
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    COMPARE_EVENTS(allEvents(*reader), events);
    QCOMPARE(reader->info().skippedWords(), std::uint64_t{0});
    QCOMPARE(reader->info().droppedEvents(), std::uint64_t{0});
    QCOMPARE(reader->info().timeBackwardSteps, std::uint64_t{0});
}

void TestSdkRawWriter::vectorsMakeDenseRowsSmall() {
    Events events;
    for (std::uint64_t t = 0; t < 1000; ++t) {
        for (int x = 0; x < 1200; x += 1 + static_cast<int>(t % 2)) {
            events.emplace_back(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(t % 720),
                                static_cast<std::uint8_t>(t % 3 == 0), t);
        }
    }
    korvane::RawFileWriter writer;
    const QString path = record("dense.raw", events, &writer);
    QVERIFY(writer.close());
    QCOMPARE(writer.eventsWritten(), std::uint64_t{events.size()});
    // Two bytes per event without vectors; a full 12-pixel mask costs 2 bytes for 12 events.
    QVERIFY2(writer.bytesWritten() < events.size() / 2,
             qPrintable(QString::number(writer.bytesWritten())));
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    COMPARE_EVENTS(allEvents(*reader), events);
}

void TestSdkRawWriter::headerHasTheRecordingKeys() {
    korvane::RawFileWriter writer;
    const QString path = dir.filePath("header.raw");
    QVERIFY(writer.open(path.toStdString(), 640, 480, "SER\nIAL 7"));
    QVERIFY(writer.close());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 7);
    QVERIFY(QRegularExpression("^% date \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")
                .match(QString::fromLatin1(lines[0]))
                .hasMatch());
    QCOMPARE(lines[1], QByteArray("% evt 3.0"));
    QCOMPARE(lines[2], QByteArray("% format EVT3;height=480;width=640"));
    QCOMPARE(lines[3], QByteArray("% geometry 640x480"));
    QCOMPARE(lines[4], QByteArray("% serial_number SER IAL 7"));
    QCOMPARE(lines[5], QByteArray("% end"));
    QCOMPARE(lines[6], QByteArray());
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    QCOMPARE(reader->info().width, 640u);
    QCOMPARE(reader->info().height, 480u);
    QCOMPARE(reader->info().events, std::uint64_t{0});
}

void TestSdkRawWriter::earlierEventsTakeTheTimeBefore() {
    const Events events{{1, 1, 1, 1000}, {2, 1, 1, 900}, {3, 1, 1, 1000}, {4, 1, 1, 1001}};
    korvane::RawFileWriter writer;
    const QString path = record("clamped.raw", events, &writer);
    QVERIFY(writer.close());
    QCOMPARE(writer.clampedEvents(), std::uint64_t{1});
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    COMPARE_EVENTS(allEvents(*reader),
                   (Events{{1, 1, 1, 1000}, {2, 1, 1, 1000}, {3, 1, 1, 1000}, {4, 1, 1, 1001}}));
}

void TestSdkRawWriter::eventsOutsideTheSensorAreLeftOut() {
    const Events events{{1280, 1, 1, 10},
                        {1, 720, 0, 11},
                        {1279, 719, 5, 12},
                        {0, 0, 0, std::numeric_limits<std::uint64_t>::max()}};
    korvane::RawFileWriter writer;
    const QString path = record("outside.raw", events, &writer);
    QVERIFY(writer.close());
    QCOMPARE(writer.skippedEvents(), std::uint64_t{3});
    QCOMPARE(writer.eventsWritten(), std::uint64_t{1});
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    COMPARE_EVENTS(allEvents(*reader), (Events{{1279, 719, 1, 12}}));
}

// What a killed recorder leaves behind: everything older than a second is already in the file.
void TestSdkRawWriter::fileIsReadableWhileRecording() {
    const Events first = spaced(1000, 10, 100);
    const Events second = spaced(3000, 10, 100);
    korvane::RawFileWriter writer;
    const QString path = record("live.raw", first, &writer);
    QVERIFY(!path.isEmpty());
    QThread::msleep(1100);
    QVERIFY(writer.write(second.data(), second.size()));
    QVERIFY(writer.write(nullptr, 0));
    const auto early = openLoaded(path);
    QVERIFY(early);
    const Events seen = allEvents(*early);
    QVERIFY(seen.size() >= first.size());
    COMPARE_EVENTS(Events(seen.begin(), seen.begin() + first.size()), first);
    QVERIFY(writer.close());
    const auto done = openLoaded(path);
    QVERIFY(done);
    COMPARE_EVENTS(allEvents(*done), joined({first, second}));
}

void TestSdkRawWriter::batchesInManyCallsDecodeAsOne() {
    const Events events = syntheticEvents(21, 300000, 0);
    korvane::RawFileWriter writer;
    const QString path = dir.filePath("batches.raw");
    QVERIFY(writer.open(path.toStdString(), 1280, 720, "B"));
    for (std::size_t done = 0, step = 1; done < events.size(); step = step * 3 % 4097 + 1) {
        const std::size_t count = std::min(step, events.size() - done);
        QVERIFY(writer.write(events.data() + done, count));
        done += count;
    }
    QVERIFY(writer.close());
    QCOMPARE(writer.eventsWritten(), std::uint64_t{events.size()});
    QVERIFY(writer.peakBufferBytes() > 0);
    QVERIFY(writer.peakBufferBytes() < 2 * 1024 * 1024);
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    COMPARE_EVENTS(allEvents(*reader), events);
}

void TestSdkRawWriter::misuseFailsCleanly() {
    korvane::RawFileWriter writer;
    const Event2D one{1, 1, 1, 1};
    QVERIFY(!writer.isOpen());
    QVERIFY(!writer.write(&one, 1));
    QVERIFY(!writer.flush());
    QVERIFY(!writer.close());
    QVERIFY(!writer.open(dir.filePath("missing/dir/x.raw").toStdString(), 1280, 720, "X"));
    QVERIFY(!writer.open(dir.filePath("zero.raw").toStdString(), 0, 720, "X"));
    QVERIFY(!writer.open(dir.filePath("huge.raw").toStdString(), 4096, 720, "X"));
    QVERIFY(!writer.isOpen());
    // Opening again closes the first file complete.
    QVERIFY(writer.open(dir.filePath("a.raw").toStdString(), 1280, 720, "A"));
    QVERIFY(writer.write(&one, 1));
    QVERIFY(writer.open(dir.filePath("b.raw").toStdString(), 1280, 720, "B"));
    QVERIFY(writer.close());
    QVERIFY(!writer.close());
    const auto first = openLoaded(dir.filePath("a.raw"));
    QVERIFY(first);
    COMPARE_EVENTS(allEvents(*first), Events{one});
}

QTEST_APPLESS_MAIN(TestSdkRawWriter)
#include "tst_sdk_raw_writer.moc"
