#include <QtTest>

#include <cmath>

#include "CameraTestSupport.h"
#include "korvane/DvsCameraManager.h"
#include "korvane/RecordingGenerator.h"

using namespace korvane;

using Biases = std::vector<std::pair<std::string, std::string>>;

class TestRecordingGenerator : public QObject {
    Q_OBJECT

private slots:
    void writesARecordingThatReadsBack();
    void sameRequestSameRecording();
    void serialPicksTheCamera();
    void biasesTakeEffect();
    void partialStepRoundsUp();
    void refusesBadRequests_data();
    void refusesBadRequests();

private:
    QString path(const char* name) const { return folder.filePath(name); }
    QTemporaryDir folder;
};

void TestRecordingGenerator::writesARecordingThatReadsBack() {
    const std::string file = path("sample.raw").toStdString();
    const GeneratedRecording result = generateRecording(file, 0.5, "", {});
    QVERIFY2(result.ok, result.error.c_str());
    QVERIFY(result.error.empty());
    QCOMPARE(result.endTimestamp, std::uint64_t(500000));
    std::vector<Event2D> events;
    RawFileInfo info;
    QVERIFY(decodeRecording(file, events, &info));
    QCOMPARE(std::uint64_t(events.size()), result.events);
    QVERIFY(result.events > 10000);
    QCOMPARE(checksumOf(events), result.checksum);
    QVERIFY(info.lastTimestamp < result.endTimestamp);
    DvsCameraManager manager;
    QCOMPARE(headerValue(info, "serial_number"), manager.getCameraDescs().front().serial);
}

void TestRecordingGenerator::sameRequestSameRecording() {
    const Biases biases{{"noise", "5"}};
    const GeneratedRecording first =
        generateRecording(path("a.raw").toStdString(), 0.2, "", biases);
    const GeneratedRecording second =
        generateRecording(path("b.raw").toStdString(), 0.2, "", biases);
    QVERIFY(first.ok && second.ok);
    QCOMPARE(first.checksum, second.checksum);
    QCOMPARE(first.events, second.events);
}

void TestRecordingGenerator::serialPicksTheCamera() {
    DvsCameraManager manager;
    const std::string serial = manager.getCameraDescs().back().serial;
    const std::string file = path("second_camera.raw").toStdString();
    const GeneratedRecording chosen = generateRecording(file, 0.2, serial, {});
    const GeneratedRecording first = generateRecording(path("first_camera.raw").toStdString(), 0.2,
                                                       manager.getCameraDescs().front().serial, {});
    QVERIFY(chosen.ok && first.ok);
    QVERIFY(chosen.checksum != first.checksum);
    std::vector<Event2D> events;
    RawFileInfo info;
    QVERIFY(decodeRecording(file, events, &info));
    QCOMPARE(headerValue(info, "serial_number"), serial);
}

void TestRecordingGenerator::biasesTakeEffect() {
    const GeneratedRecording plain =
        generateRecording(path("plain.raw").toStdString(), 0.3, "", {{"noise", "0"}});
    const GeneratedRecording dull =
        generateRecording(path("dull.raw").toStdString(), 0.3, "",
                          {{"noise", "0"}, {"contrast_on", "100"}, {"contrast_off", "100"}});
    const GeneratedRecording still = generateRecording(
        path("still.raw").toStdString(), 0.3, "",
        {{"noise", "0"}, {"motion_speed", "0"}, {"flip_x", "true"}, {"scene", "windmill"}});
    QVERIFY(plain.ok && dull.ok && still.ok);
    QVERIFY2(dull.events * 4 < plain.events,
             qPrintable(QString("%1 against %2").arg(dull.events).arg(plain.events)));
    QCOMPARE(still.events, std::uint64_t(0));
}

void TestRecordingGenerator::partialStepRoundsUp() {
    const GeneratedRecording result =
        generateRecording(path("short.raw").toStdString(), 0.0015, "", {});
    QVERIFY(result.ok);
    QCOMPARE(result.endTimestamp, std::uint64_t(2000));
}

void TestRecordingGenerator::refusesBadRequests_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("bias");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("zero seconds") << 0.0 << ""
                                  << ""
                                  << ""
                                  << "seconds";
    QTest::newRow("negative seconds") << -1.0 << ""
                                      << ""
                                      << ""
                                      << "seconds";
    QTest::newRow("not a number") << std::nan("") << ""
                                  << ""
                                  << ""
                                  << "seconds";
    QTest::newRow("over an hour") << 3601.0 << ""
                                  << ""
                                  << ""
                                  << "seconds";
    QTest::newRow("unknown camera") << 0.1 << "NOPE"
                                    << ""
                                    << ""
                                    << "NOPE";
    QTest::newRow("unknown bias") << 0.1 << ""
                                  << "gain"
                                  << "3"
                                  << "contrast_on";
    QTest::newRow("int with text") << 0.1 << ""
                                   << "noise"
                                   << "3x"
                                   << "noise";
    QTest::newRow("int empty") << 0.1 << ""
                               << "refractory"
                               << ""
                               << "refractory";
    QTest::newRow("float nan") << 0.1 << ""
                               << "motion_speed"
                               << "nan"
                               << "motion_speed";
    QTest::newRow("bool word") << 0.1 << ""
                               << "flip_x"
                               << "maybe"
                               << "flip_x";
    QTest::newRow("enum option") << 0.1 << ""
                                 << "scene"
                                 << "cube"
                                 << "scene";
}

void TestRecordingGenerator::refusesBadRequests() {
    QFETCH(double, seconds);
    QFETCH(QString, serial);
    QFETCH(QString, bias);
    QFETCH(QString, value);
    QFETCH(QString, mentions);
    const QString file = path("refused.raw");
    Biases biases;
    if (!bias.isEmpty()) {
        biases.emplace_back(bias.toStdString(), value.toStdString());
    }
    const GeneratedRecording result =
        generateRecording(file.toStdString(), seconds, serial.toStdString(), biases);
    QVERIFY(!result.ok);
    QVERIFY2(QString::fromStdString(result.error).contains(mentions), result.error.c_str());
    QVERIFY(!QFile::exists(file));
}

QTEST_GUILESS_MAIN(TestRecordingGenerator)
#include "tst_recordinggenerator.moc"
