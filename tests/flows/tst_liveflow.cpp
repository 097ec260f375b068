#include <QSignalSpy>

#include "FlowHarness.h"
#include "korvane/DvsFileReader.h"
#include "korvane/SimulatedCameraControl.h"
#include "pipeline/recordingFileName.h"

namespace {

const char* const firstSerial = "KVSIM-01";

// Events in a recording, counted through the same reader the viewer uses.
uint64_t countEvents(const QString& file) {
    auto reader = korvane::DvsFileReader::createFileReader(file.toStdString());
    if (!reader || !reader->loadFile()) {
        return 0;
    }
    uint64_t begin = 0;
    uint64_t end = 0;
    reader->getBeginTime(begin);
    reader->getEndTime(end);
    const auto events = reader->readEventsAt(begin, end - begin + 1);
    return events ? events->size() : 0;
}

}  // namespace

class TestLiveFlow : public QObject {
    Q_OBJECT

private slots:
    void openCameraStreamsLive();
    void newestEventTimeIsShown();
    void playStopsAndStartsTheStream();
    void cancelledCameraListKeepsTheCamera();
    void openingARecordingWhileStreamingReleasesTheCamera();
    void frameRateChangesTheLivePeriod();
    void accumulationTimeReachesTheCamera();
    void recordThenPlayBack();
    void cancelledSaveDialogLeavesRecordOff();
    void saveDialogOffersTheLastFolder();
    void defaultRecordingName();
    void stoppingTheStreamKeepsRecording();
    void recordingStillRunningWhenTheWindowClosesIsComplete();
    void disconnectedCameraDoesNotOutliveTheWindow();
};

void TestLiveFlow::openCameraStreamsLive() {
    FlowHarness h;
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    QCOMPARE(h.child<QLabel>("label_show_camera_info")->text(), QString(firstSerial));
    QCOMPARE(h.timeText(), QString("--/--"));
    QVERIFY(!h.button("pb_stop")->isEnabled());
    QVERIFY(!h.slider()->isEnabled());
    QTRY_VERIFY(FlowHarness::eventPixels(h.shownFrame()) > 100);
}

void TestLiveFlow::newestEventTimeIsShown() {
    FlowHarness h;
    QVERIFY(h.openCamera(1));
    auto* label = h.child<QLabel>("label_show_timestamp_info");
    QTRY_VERIFY(!label->text().isEmpty());
    const QString first = label->text();
    QTRY_VERIFY(label->text() != first);
    QVERIFY(label->text() > first);
}

void TestLiveFlow::playStopsAndStartsTheStream() {
    FlowHarness h;
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    QTest::ignoreMessage(QtDebugMsg, "stop camera.");
    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QVERIFY(!h.button("pb_play")->isChecked());
    QTest::qWait(100);
    QTRY_COMPARE(FlowHarness::eventPixels(h.shownFrame()), 0);
    QTest::ignoreMessage(QtDebugMsg, "start camera.");
    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QVERIFY(h.button("pb_play")->isChecked());
    QTRY_VERIFY(FlowHarness::eventPixels(h.shownFrame()) > 100);
}

void TestLiveFlow::cancelledCameraListKeepsTheCamera() {
    FlowHarness h;
    QVERIFY(h.openCamera(1));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    const auto camera = h.main().currentCamera();
    QVERIFY(h.openCamera(-1));
    QCOMPARE(h.main().currentCamera(), camera);
    QVERIFY(!h.button("pb_play")->isChecked());
    bool biasesShown = false;
    for (QLabel* label : h.settings()->findChildren<QLabel*>()) {
        biasesShown |= label->text() == "Biases";
    }
    QVERIFY(biasesShown);
    QTest::ignoreMessage(QtDebugMsg, "start camera.");
    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QVERIFY(h.button("pb_play")->isChecked());
}

void TestLiveFlow::openingARecordingWhileStreamingReleasesTheCamera() {
    FlowHarness h;
    const QString file = h.writeRecording("a.raw", 0, 2000000, 1000);
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    std::weak_ptr<korvane::DvsCamera> camera = h.main().currentCamera();
    QVERIFY(h.openRecording(file));
    QVERIFY(camera.expired());
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    QVERIFY(h.slider()->isEnabled());
    QTest::ignoreMessage(QtDebugMsg, "Please connect camera first.");
    QTest::mouseClick(h.button("pb_record"), Qt::LeftButton);
}

void TestLiveFlow::frameRateChangesTheLivePeriod() {
    FlowHarness h;
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    QSignalSpy frames(&h.main(), &MainWidget::toShowCameraTimestamp);

    emit h.settings()->signalFpsChanged(4);
    QTest::qWait(300);
    frames.clear();
    QTest::qWait(1000);
    const int slow = frames.size();
    emit h.settings()->signalFpsChanged(100);
    QTest::qWait(300);
    frames.clear();
    QTest::qWait(1000);
    const int fast = frames.size();
    QVERIFY2(slow >= 2 && slow <= 7, qPrintable(QString::number(slow)));
    QVERIFY2(fast >= 20, qPrintable(QString::number(fast)));
}

void TestLiveFlow::accumulationTimeReachesTheCamera() {
    FlowHarness h;
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    const auto camera = h.main().currentCamera();
    QTest::ignoreMessage(QtDebugMsg, "set dvs time interval: 10000");
    emit h.settings()->signalCumulativeTimeChanged(10000);
    korvane::simulation::BatchSpan span;
    QTRY_VERIFY(korvane::simulation::lastBatchSpan(*camera, span) &&
                span.end - span.begin == 10000);
}

void TestLiveFlow::recordThenPlayBack() {
    FlowHarness h;
    // Looping, so that a slow machine still catches frames of the short recording. Set before
    // the camera opens: the live play bar disables the button.
    h.button("pb_loop")->click();
    QVERIFY(h.button("pb_loop")->isChecked());
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    const QString file = h.path("take.raw");
    QVERIFY(h.startRecording(file));
    QVERIFY(h.button("pb_record")->isChecked());
    QTest::qWait(500);
    const auto camera = h.main().currentCamera();
    QTest::ignoreMessage(QtDebugMsg, "stop recording");
    QTest::mouseClick(h.button("pb_record"), Qt::LeftButton);
    QVERIFY(!h.button("pb_record")->isChecked());

    korvane::simulation::RecordingFigures figures;
    QVERIFY(korvane::simulation::recordingFigures(*camera, figures));
    QVERIFY(figures.producedEvents > 1000);
    QCOMPARE(figures.writtenEvents, figures.producedEvents);
    QCOMPARE(countEvents(file), figures.producedEvents);

    QVERIFY(h.openRecording(file));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(FlowHarness::eventPixels(h.shownFrame()) > 100, 15000);
}

void TestLiveFlow::cancelledSaveDialogLeavesRecordOff() {
    FlowHarness h;
    QVERIFY(h.openCamera(0));
    QVERIFY(h.startRecording(QString()));
    QVERIFY(!h.button("pb_record")->isChecked());
    // Not recording: the next click asks again rather than stopping.
    QVERIFY(h.startRecording(QString()));
    QVERIFY(!h.button("pb_record")->isChecked());
}

void TestLiveFlow::saveDialogOffersTheLastFolder() {
    FlowHarness h;
    QVERIFY(h.openCamera(0));
    QDir(h.path("")).mkdir("takes");
    QVERIFY(h.startRecording(h.path("takes/one.raw")));
    QTest::mouseClick(h.button("pb_record"), Qt::LeftButton);
    QString folder;
    QString name;
    QVERIFY(h.startRecording(QString(), &folder, &name));
    QCOMPARE(folder, QDir(h.path("takes")).absolutePath());
    QVERIFY2(QRegularExpression("^\\d{8}_\\d{6}$").match(name).hasMatch(), qPrintable(name));
}

void TestLiveFlow::defaultRecordingName() {
    const QDateTime when(QDate(2024, 1, 31), QTime(15, 45, 0));
    QCOMPARE(defaultRecordingPath("/data/takes", when), QString("/data/takes/20240131_154500"));
}

void TestLiveFlow::stoppingTheStreamKeepsRecording() {
    FlowHarness h;
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    const QString file = h.path("kept.raw");
    QVERIFY(h.startRecording(file));
    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QVERIFY(!h.button("pb_play")->isChecked());
    QVERIFY(h.button("pb_record")->isChecked());
    QTest::qWait(200);
    QTest::ignoreMessage(QtDebugMsg, "stop recording");
    QTest::mouseClick(h.button("pb_record"), Qt::LeftButton);
    QVERIFY(countEvents(file) > 0);
}

void TestLiveFlow::recordingStillRunningWhenTheWindowClosesIsComplete() {
    QTemporaryDir keep;
    const QString file = keep.filePath("open.raw");
    std::weak_ptr<korvane::DvsCamera> camera;
    {
        FlowHarness h;
        QVERIFY(h.openCamera(0));
        QVERIFY(h.startRecording(file));
        QTest::qWait(300);
        camera = h.main().currentCamera();
    }
    QVERIFY(camera.expired());
    QVERIFY(countEvents(file) > 1000);
}

void TestLiveFlow::disconnectedCameraDoesNotOutliveTheWindow() {
    FlowHarness h;
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    QVERIFY(korvane::simulation::setConnected(*h.main().currentCamera(), false));
    QTest::ignoreMessage(QtDebugMsg, "Please connect camera first.");
    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QVERIFY(!h.button("pb_play")->isChecked());
    QTest::qWait(100);
    QTRY_COMPARE(FlowHarness::eventPixels(h.shownFrame()), 0);
}

QTEST_MAIN(TestLiveFlow)
#include "tst_liveflow.moc"
