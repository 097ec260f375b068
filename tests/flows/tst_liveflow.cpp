#include <QSignalSpy>

#include <atomic>
#include <ctime>

#include "FlowHarness.h"
#include "korvane/DvsFileReader.h"
#include "korvane/SimulatedCameraControl.h"
#include "pipeline/recordingFileName.h"

namespace {

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
    void cancelledCameraListKeepsTheCamera();
    void highestFrameRateKeepsTheWindowResponsive();
    void failedOpenLetsGoOfTheRecordingCamera();
    void recordThenPlayBack();
    void refusedRecordingSaysWhy();
    void defaultRecordingName();
};

void TestLiveFlow::openCameraStreamsLive() {
    FlowHarness h;
    QVERIFY(h.openCamera(1));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    QCOMPARE(h.child<QLabel>("label_show_camera_info")->text(), QString("KVSIM-02"));
    QCOMPARE(h.timeText(), QString("--/--"));
    QVERIFY(!h.button("pb_stop")->isEnabled());
    QVERIFY(!h.slider()->isEnabled());
    QTRY_VERIFY(FlowHarness::eventPixels(h.shownFrame()) > 100);
    auto* label = h.child<QLabel>("label_show_timestamp_info");
    QTRY_VERIFY(!label->text().isEmpty());
    const QString first = label->text();
    QTRY_VERIFY(label->text() != first);
    QVERIFY(label->text() > first);

    QTest::ignoreMessage(QtDebugMsg, "set dvs time interval: 10000");
    emit h.settings()->signalCumulativeTimeChanged(10000);
    korvane::simulation::BatchSpan span;
    QTRY_VERIFY(korvane::simulation::lastBatchSpan(*h.main().currentCamera(), span) &&
                span.end - span.begin == 10000);
}

void TestLiveFlow::cancelledCameraListKeepsTheCamera() {
    FlowHarness h;
    QVERIFY(h.openCamera(1));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    const auto camera = h.main().currentCamera();
    QVERIFY(h.openCamera(-1));
    QCOMPARE(h.main().currentCamera(), camera);
    QVERIFY(!h.button("pb_play")->isChecked());
    QCOMPARE(h.settings()->findChildren<QLabel*>("lb_setting_box_title_text").size(), 2);
    QTest::ignoreMessage(QtDebugMsg, "start camera.");
    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QVERIFY(h.button("pb_play")->isChecked());
}

// The live loop may neither spin nor flood the GUI thread, however high the frame rate.
void TestLiveFlow::highestFrameRateKeepsTheWindowResponsive() {
    FlowHarness h;
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    emit h.settings()->signalFpsChanged(65535);

    // Hand-offs counted on the live thread, deliveries on the GUI thread before the slot runs;
    // the live thread's CPU time read at the first and the last hand-off of the two seconds.
    std::atomic<int> handedOver{0};
    std::atomic<int> delivered{0};
    std::atomic<int> mostPending{0};
    std::atomic<bool> measuring{false};
    std::atomic<int64_t> firstCpuNs{-1};
    std::atomic<int64_t> lastCpuNs{-1};
    std::atomic<int64_t> firstWallNs{0};
    std::atomic<int64_t> lastWallNs{0};
    const auto nanoseconds = [](clockid_t clock) {
        timespec now{};
        clock_gettime(clock, &now);
        return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
    };
    struct DeliveryCounter : QObject {
        std::atomic<int>* count;
        bool eventFilter(QObject*, QEvent* event) override {
            *count += event->type() == QEvent::MetaCall;
            return false;
        }
    } counter;
    counter.count = &delivered;
    h.main().installEventFilter(&counter);
    const auto connection = QObject::connect(
        &h.main(), &MainWidget::triggerEventsToShow, &h.main(),
        [&] {
            const int pending = ++handedOver - delivered;
            mostPending = std::max(mostPending.load(), pending);
            if (!measuring) {
                return;
            }
            const int64_t cpuNs = nanoseconds(CLOCK_THREAD_CPUTIME_ID);
            if (firstCpuNs < 0) {
                firstCpuNs = cpuNs;
                firstWallNs = nanoseconds(CLOCK_MONOTONIC);
            }
            lastCpuNs = cpuNs;
            lastWallNs = nanoseconds(CLOCK_MONOTONIC);
        },
        Qt::DirectConnection);

    // Two seconds from the third frame at the new rate on: the first ones lay the view out.
    QTRY_VERIFY(delivered >= 3);
    measuring = true;
    QElapsedTimer wall;
    wall.start();
    // What stands before a queued call is counted in the GUI thread's own CPU time, which a
    // loaded machine does not stretch.
    QObject context;
    int64_t slowestCallNs = 0;
    while (wall.elapsed() < 2000) {
        const int64_t posted = nanoseconds(CLOCK_THREAD_CPUTIME_ID);
        int64_t latencyNs = -1;
        QMetaObject::invokeMethod(
            &context, [&] { latencyNs = nanoseconds(CLOCK_THREAD_CPUTIME_ID) - posted; },
            Qt::QueuedConnection);
        QTRY_VERIFY(latencyNs >= 0);
        slowestCallNs = std::max(slowestCallNs, latencyNs);
    }
    h.main().togglePlay();  // joins the live thread: nothing is emitted past this
    QVERIFY(!h.button("pb_play")->isChecked());
    QObject::disconnect(connection);
    h.main().removeEventFilter(&counter);

    QVERIFY2(slowestCallNs < 100000000, qPrintable(QString::number(slowestCallNs)));
    QVERIFY2(mostPending <= 1, qPrintable(QString::number(mostPending)));
    QVERIFY(handedOver > 10 && lastWallNs > firstWallNs);
    const double cpuShare = double(lastCpuNs - firstCpuNs) / double(lastWallNs - firstWallNs);
    QVERIFY2(cpuShare < 0.25, qPrintable(QString::number(cpuShare)));
}

// Opening what is no recording while a camera streams and records: the camera is let go by
// everything, its file is complete, and Record no longer shows recording.
void TestLiveFlow::failedOpenLetsGoOfTheRecordingCamera() {
    FlowHarness h;
    QFile bad(h.path("notes.raw"));
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not a recording\n") > 0);
    bad.close();
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    const QString file = h.path("take.raw");
    QVERIFY(h.startRecording(file));
    QVERIFY(h.button("pb_record")->isChecked());
    std::weak_ptr<korvane::DvsCamera> camera = h.main().currentCamera();

    QTest::ignoreMessage(QtDebugMsg, "not raw file.");
    QVERIFY(h.openRecording(bad.fileName()));
    QTRY_COMPARE(h.tips(), QStringList("notes.raw is not a recording."));
    QVERIFY(camera.expired());
    QVERIFY(!h.button("pb_record")->isChecked());
    QVERIFY(!h.button("pb_play")->isChecked());
    QCOMPARE(h.timeText(), QString("--/ --"));
    QVERIFY(countEvents(file) > 0);
    QTest::ignoreMessage(QtDebugMsg, "Please connect camera first.");
    QTest::mouseClick(h.button("pb_record"), Qt::LeftButton);
    QVERIFY(!h.button("pb_record")->isChecked());
}

void TestLiveFlow::recordThenPlayBack() {
    FlowHarness h;
    // Looping, so that a slow machine still catches frames of the short recording. Set before
    // the camera opens: the live play bar disables the button.
    h.button("pb_loop")->click();
    QVERIFY(h.button("pb_loop")->isChecked());
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    // Typed without an ending, the name gets ".raw".
    const QString file = h.path("take.raw");
    QVERIFY(h.startRecording(h.path("take")));
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

// A cancelled dialog and a refused recording leave Record off; the refusal says why, and the
// next dialog offers the folder of the last recording that started, under a fresh name.
void TestLiveFlow::refusedRecordingSaysWhy() {
    FlowHarness h;
    QVERIFY(h.openCamera(0));
    QVERIFY(h.startRecording(QString()));
    QVERIFY(!h.button("pb_record")->isChecked());
    QDir(h.path("")).mkdir("takes");
    QVERIFY(h.startRecording(h.path("takes/one.raw")));
    QVERIFY(h.button("pb_record")->isChecked());
    QTest::mouseClick(h.button("pb_record"), Qt::LeftButton);

    QVERIFY(h.startRecording(h.path("missing/take.raw")));
    QTRY_COMPARE(h.tips(), QStringList("Recording did not start: No such file or directory"));
    QVERIFY(!h.button("pb_record")->isChecked());
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

QTEST_MAIN(TestLiveFlow)
#include "tst_liveflow.moc"
