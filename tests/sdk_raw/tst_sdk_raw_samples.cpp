#include <QDir>
#include <QRect>
#include <QSize>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

#include "RawTestFiles.h"

namespace {

const char* const samplesDir = OSTREL_SHARED_DIR "/samples";
const QStringList sampleNames{"evt3_sample.raw", "evt3_pedestrians.raw", "evt2_sample.raw"};

}  // namespace

// Recordings from real sensors, next to the project, with figures known from elsewhere: read
// through the library and through ostrel-raw.
class TestSdkRawSamples : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void libraryAndToolGiveKnownFigures_data();
    void libraryAndToolGiveKnownFigures();

private:
    QTemporaryDir dir;
};

void TestSdkRawSamples::initTestCase() {
    for (const QString& name : sampleNames) {
        if (!QDir(samplesDir).exists(name)) {
            QSKIP(qPrintable("sample recordings missing: no " + QDir(samplesDir).filePath(name)));
        }
    }
}

void TestSdkRawSamples::libraryAndToolGiveKnownFigures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<quint64>("events");
    QTest::addColumn<quint64>("positive");
    QTest::addColumn<quint64>("first");
    QTest::addColumn<quint64>("last");
    QTest::addColumn<QRect>("pixels");  // from the smallest to the largest x and y
    // clang-format off
    QTest::newRow("evt3_sample") << sampleNames[0] << "EVT3" << QSize(1280, 720) << quint64(219596) << quint64(115532) << quint64(11718656) << quint64(11727457) << QRect(QPoint(0, 0), QPoint(1279, 719));
    QTest::newRow("evt3_pedestrians") << sampleNames[1] << "EVT3" << QSize(1280, 720) << quint64(5000) << quint64(2894) << quint64(5840504) << quint64(5885714) << QRect(QPoint(11, 22), QPoint(1279, 698));
    QTest::newRow("evt2_sample") << sampleNames[2] << "EVT2" << QSize(640, 480) << quint64(539481) << quint64(367855) << quint64(1317888) << quint64(1367888) << QRect(QPoint(60, 18), QPoint(599, 475));
    // clang-format on
}

void TestSdkRawSamples::libraryAndToolGiveKnownFigures() {
    QFETCH(QString, name);
    QFETCH(QString, format);
    QFETCH(QSize, size);
    QFETCH(quint64, events);
    QFETCH(quint64, positive);
    QFETCH(quint64, first);
    QFETCH(quint64, last);
    QFETCH(QRect, pixels);
    const QString path = QDir(samplesDir).filePath(name);
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    const korvane::RawFileInfo& info = reader->info();
    QCOMPARE(QString::fromStdString(info.format), format);
    QCOMPARE(QSize(int(info.width), int(info.height)), size);
    QCOMPARE(info.events, events);
    QCOMPARE(info.positive, positive);
    QCOMPARE(info.negative, events - positive);
    QCOMPARE(QRect(QPoint(info.minX, info.minY), QPoint(info.maxX, info.maxY)), pixels);
    QVERIFY(damageOf(info) == Damage{});
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    QVERIFY(reader->getBeginTime(begin) && reader->getEndTime(end));
    QCOMPARE(begin, first);
    QCOMPARE(end, last);
    const Events all = allEvents(*reader);
    QCOMPARE(std::uint64_t(all.size()), events);
    QCOMPARE(
        std::uint64_t(std::count_if(all.begin(), all.end(), [](auto& e) { return e.polarity; })),
        positive);
    // Playback-sized windows at random starts agree with the full decode.
    const EventTimeline timeline(all);
    std::mt19937_64 random(1);
    for (int i = 0; i < 100; ++i) {
        const std::uint64_t start = first - 50 + random() % (last - first + 100);
        const std::uint64_t length = 1 + random() % 33333;
        const auto window = reader->readEventsAt(start, length);
        QCOMPARE(bool(window), start <= last);
        if (window) {
            COMPARE_EVENTS(*window, timeline.between(start, length));
        }
    }
    const ToolRun run = runTool({"info", path});
    QCOMPARE(run.status, 0);
    const QMap<QString, QString> values = keyValues(run.out);
    const QMap<QString, QString> expected{
        {"format", format},
        {"width", QString::number(size.width())},
        {"height", QString::number(size.height())},
        {"events", QString::number(events)},
        {"positive", QString::number(positive)},
        {"negative", QString::number(events - positive)},
        {"first_timestamp_us", QString::number(first)},
        {"last_timestamp_us", QString::number(last)},
        {"duration_us", QString::number(last - first)},
        {"event_rate_hz", QString::number(events * 1e6 / double(last - first), 'f', 1)},
        {"min_x", QString::number(pixels.left())},
        {"max_x", QString::number(pixels.right())},
        {"min_y", QString::number(pixels.top())},
        {"max_y", QString::number(pixels.bottom())},
        {"skipped_words", "0"},
        {"dropped_events", "0"},
        {"header_evt", format == "EVT3" ? "3.0" : "2.0"}};
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        QCOMPARE(it.key() + ": " + values.value(it.key(), "<missing>"), it.key() + ": " + *it);
    }
    // Converted to the other encoding and back, the recording keeps every event.
    const QString there = dir.filePath("there.raw");
    const QString back = dir.filePath("back.raw");
    QCOMPARE(
        runTool({"convert", path, there, "--format", format == "EVT3" ? "evt2" : "evt3"}).status,
        0);
    QCOMPARE(runTool({"convert", there, back, "--format", format.toLower()}).status, 0);
    for (const QString& copy : {there, back}) {
        const auto converted = openLoaded(copy);
        QVERIFY(converted);
        COMPARE_EVENTS(allEvents(*converted), all);
    }
}

QTEST_GUILESS_MAIN(TestSdkRawSamples)
#include "tst_sdk_raw_samples.moc"
