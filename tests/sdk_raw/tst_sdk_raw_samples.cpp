#include <QDir>
#include <QtTest>

#include <random>

#include "RawTestFiles.h"

// Recordings from real sensors, next to the project; the figures are known from elsewhere.
class TestSdkRawSamples : public QObject {
    Q_OBJECT

private slots:
    void givesKnownFigures_data();
    void givesKnownFigures();
    void windowsMatchFullDecode_data();
    void windowsMatchFullDecode();

private:
    void addSampleRows();
};

namespace {

QString samplePath(const QString& name) {
    return QDir(QStringLiteral(OSTREL_SHARED_DIR "/samples")).filePath(name);
}

}  // namespace

void TestSdkRawSamples::addSampleRows() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("format");
    QTest::addColumn<uint>("width");
    QTest::addColumn<uint>("height");
    QTest::addColumn<quint64>("events");
    QTest::addColumn<quint64>("positive");
    QTest::addColumn<quint64>("negative");
    QTest::addColumn<quint64>("first");
    QTest::addColumn<quint64>("last");
    QTest::addColumn<uint>("minX");
    QTest::addColumn<uint>("maxX");
    QTest::addColumn<uint>("minY");
    QTest::addColumn<uint>("maxY");
    if (!QFile::exists(samplePath("evt3_sample.raw"))) {
        QSKIP("the sample recordings are not here");
    }
    QTest::newRow("evt3_sample") << "evt3_sample.raw"
                                 << "EVT3" << 1280u << 720u << quint64(219596) << quint64(115532)
                                 << quint64(104064) << quint64(11718656) << quint64(11727457) << 0u
                                 << 1279u << 0u << 719u;
    QTest::newRow("evt3_pedestrians")
        << "evt3_pedestrians.raw"
        << "EVT3" << 1280u << 720u << quint64(5000) << quint64(2894) << quint64(2106)
        << quint64(5840504) << quint64(5885714) << 11u << 1279u << 22u << 698u;
    QTest::newRow("evt2_sample") << "evt2_sample.raw"
                                 << "EVT2" << 640u << 480u << quint64(539481) << quint64(367855)
                                 << quint64(171626) << quint64(1317888) << quint64(1367888) << 60u
                                 << 599u << 18u << 475u;
}

void TestSdkRawSamples::givesKnownFigures_data() {
    addSampleRows();
}

void TestSdkRawSamples::givesKnownFigures() {
    QFETCH(QString, name);
    QFETCH(QString, format);
    QFETCH(uint, width);
    QFETCH(uint, height);
    QFETCH(quint64, events);
    QFETCH(quint64, positive);
    QFETCH(quint64, negative);
    QFETCH(quint64, first);
    QFETCH(quint64, last);
    QFETCH(uint, minX);
    QFETCH(uint, maxX);
    QFETCH(uint, minY);
    QFETCH(uint, maxY);
    const auto reader = openLoaded(samplePath(name));
    QVERIFY(reader);
    const korvane::RawFileInfo& info = reader->info();
    QCOMPARE(QString::fromStdString(info.format), format);
    QCOMPARE(info.width, width);
    QCOMPARE(info.height, height);
    QCOMPARE(info.events, events);
    QCOMPARE(info.positive, positive);
    QCOMPARE(info.negative, negative);
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    QVERIFY(reader->getBeginTime(begin));
    QVERIFY(reader->getEndTime(end));
    QCOMPARE(begin, first);
    QCOMPARE(end, last);
    QCOMPARE(uint(info.minX), minX);
    QCOMPARE(uint(info.maxX), maxX);
    QCOMPARE(uint(info.minY), minY);
    QCOMPARE(uint(info.maxY), maxY);
    QCOMPARE(info.droppedEvents(), std::uint64_t{0});
    QCOMPARE(info.reservedWords, std::uint64_t{0});
    const auto all = allEvents(*reader);
    QCOMPARE(std::uint64_t{all.size()}, events);
    QCOMPARE(
        std::uint64_t(std::count_if(all.begin(), all.end(),
                                    [](const korvane::Event2D& e) { return e.polarity != 0; })),
        positive);
}

void TestSdkRawSamples::windowsMatchFullDecode_data() {
    addSampleRows();
}

// Playback-sized windows at random starts, and a walk with the playback step, agree with the
// full decode.
void TestSdkRawSamples::windowsMatchFullDecode() {
    QFETCH(QString, name);
    QFETCH(quint64, first);
    QFETCH(quint64, last);
    const auto reader = openLoaded(samplePath(name));
    QVERIFY(reader);
    const auto all = allEvents(*reader);
    std::mt19937_64 random(1);
    for (int i = 0; i < 100; ++i) {
        const std::uint64_t start = first - 50 + random() % (last - first + 100);
        const std::uint64_t length = 1 + random() % 33333;
        const auto window = reader->readEventsAt(start, length);
        QCOMPARE(bool(window), start <= last);
        if (window) {
            COMPARE_EVENTS(*window, eventsBetween(all, start, length));
        }
    }
    std::vector<korvane::Event2D> walked;
    for (std::uint64_t position = first; position <= last; position += 1000) {
        const auto slice = reader->readEventsAt(position, 1000);
        QVERIFY(slice);
        walked.insert(walked.end(), slice->begin(), slice->end());
    }
    COMPARE_EVENTS(walked, all);
}

QTEST_APPLESS_MAIN(TestSdkRawSamples)
#include "tst_sdk_raw_samples.moc"
