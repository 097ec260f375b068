#include <QtTest>

#include "support/RawRecordings.h"

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
    if (QDir(OSTREL_SHARED_DIR "/samples").entryList({"evt*.raw"}).size() < 3) {
        QSKIP("sample recordings missing in " OSTREL_SHARED_DIR "/samples");
    }
}

void TestSdkRawSamples::libraryAndToolGiveKnownFigures_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<quint64>("events");
    QTest::addColumn<quint64>("positive");
    QTest::addColumn<quint64>("first");
    QTest::addColumn<quint64>("last");
    QTest::addColumn<QRect>("pixels");  // from the smallest to the largest x and y
    // clang-format off
    QTest::newRow("evt3_sample") << QSize(1280, 720) << quint64(219596) << quint64(115532) << quint64(11718656) << quint64(11727457) << QRect(QPoint(0, 0), QPoint(1279, 719));
    QTest::newRow("evt3_pedestrians") << QSize(1280, 720) << quint64(5000) << quint64(2894) << quint64(5840504) << quint64(5885714) << QRect(QPoint(11, 22), QPoint(1279, 698));
    QTest::newRow("evt2_sample") << QSize(640, 480) << quint64(539481) << quint64(367855) << quint64(1317888) << quint64(1367888) << QRect(QPoint(60, 18), QPoint(599, 475));
    // clang-format on
}

void TestSdkRawSamples::libraryAndToolGiveKnownFigures() {
    QFETCH(QSize, size);
    QFETCH(quint64, events);
    QFETCH(quint64, positive);
    QFETCH(quint64, first);
    QFETCH(quint64, last);
    QFETCH(QRect, pixels);
    const QString path = OSTREL_SHARED_DIR "/samples/" + QString(QTest::currentDataTag()) + ".raw";
    const QString format = path.section('/', -1).left(4).toUpper();
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    const Events all = allEvents(*reader);
    QCOMPARE(std::uint64_t(all.size()), events);
    QCOMPARE(
        std::uint64_t(std::count_if(all.begin(), all.end(), [](auto& e) { return e.polarity; })),
        positive);
    QCOMPARE(all.front().timestamp, first);
    QCOMPARE(all.back().timestamp, last);
    const ToolRun run = runTool({"info", path});
    QCOMPARE(run.status, 0);
    const auto n = [](quint64 value) { return QString::number(value); };
    // clang-format off
    const QStringList expected{
        "format: " + format, "width: " + n(size.width()), "height: " + n(size.height()),
        "events: " + n(events), "positive: " + n(positive), "negative: " + n(events - positive),
        "first_timestamp_us: " + n(first), "last_timestamp_us: " + n(last), "duration_us: " + n(last - first),
        "event_rate_hz: " + QString::number(events * 1e6 / (last - first), 'f', 1),
        "min_x: " + n(pixels.left()), "max_x: " + n(pixels.right()), "min_y: " + n(pixels.top()), "max_y: " + n(pixels.bottom()),
        "skipped_words: 0", "dropped_events: 0", "header_evt: " + QString(format == "EVT3" ? "3.0" : "2.0")};
    // clang-format on
    for (const QString& line : expected) {
        QVERIFY2(("\n" + run.out).contains("\n" + line.toUtf8() + "\n"), qPrintable(line));
    }
    // Converted to the other encoding and back, the recording keeps every event.
    const QString there = dir.filePath("there.raw");
    const QString back = dir.filePath("back.raw");
    QVERIFY(
        runTool({"convert", path, there, "--format", format == "EVT3" ? "evt2" : "evt3"}).status ==
            0 &&
        runTool({"convert", there, back, "--format", format.toLower()}).status == 0);
    for (const QString& copy : {there, back}) {
        const auto converted = openLoaded(copy);
        QVERIFY(converted);
        COMPARE_EVENTS(allEvents(*converted), all);
    }
}

QTEST_GUILESS_MAIN(TestSdkRawSamples)
#include "tst_sdk_raw_samples.moc"
