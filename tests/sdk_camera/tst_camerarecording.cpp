#include <QtTest>

#include <algorithm>

#include "CameraTestSupport.h"
#include "korvane/DvsCameraManager.h"

using namespace korvane;

namespace {

std::shared_ptr<DvsCamera> openCamera(std::string* serial = nullptr) {
    DvsCameraManager manager;
    const std::string first = manager.getCameraDescs().front().serial;
    if (serial != nullptr) {
        *serial = first;
    }
    return manager.openCamera(first);
}

bool isTimeOrdered(const std::vector<Event2D>& events) {
    return std::is_sorted(events.begin(), events.end(), [](const Event2D& a, const Event2D& b) {
        return a.timestamp < b.timestamp;
    });
}

}  // namespace

class TestCameraRecording : public QObject {
    Q_OBJECT

private slots:
    void recordsWithoutStreaming();
    void fileHoldsExactlyTheProducedEvents();
    void releaseWhileRecordingCompletesTheFile();
    void quietCameraStillReachesTheDisk();
    void newRecordingTakesOverWithoutGap();
    void unwritablePathIsRefused();
    void stopWithoutRecordingIsRefused();

private:
    QTemporaryDir folder;
};

void TestCameraRecording::recordsWithoutStreaming() {
    std::string serial;
    const std::shared_ptr<DvsCamera> camera = openCamera(&serial);
    const std::string path = folder.filePath("before_stream.raw").toStdString();
    QVERIFY(camera->startRecording(path));
    QThread::msleep(300);
    QVERIFY(camera->stopRecording());

    simulation::RecordingFigures figures;
    QVERIFY(simulation::recordingFigures(*camera, figures));
    QVERIFY(!figures.failed);
    std::vector<Event2D> events;
    RawFileInfo info;
    QVERIFY(decodeRecording(path, events, &info));
    QVERIFY(events.size() > 10000);
    QCOMPARE(std::uint64_t(events.size()), figures.producedEvents);
    QCOMPARE(std::uint64_t(events.size()), figures.writtenEvents);
    QCOMPARE(checksumOf(events), figures.checksum);
    QCOMPARE(info.width, 1280u);
    QCOMPARE(info.height, 720u);
    QCOMPARE(info.format, std::string("EVT3"));
    QCOMPARE(headerValue(info, "serial_number"), serial);
    QCOMPARE(info.skippedWords(), std::uint64_t(0));
    QCOMPARE(info.droppedEvents(), std::uint64_t(0));
    QVERIFY(isTimeOrdered(events));
}

// Streams and records at once; every batch fetched while recording is found in the file exactly
// where its span says, and the file holds what the sensor produced, no more and no less.
void TestCameraRecording::fileHoldsExactlyTheProducedEvents() {
    const std::shared_ptr<DvsCamera> camera = openCamera();
    const std::shared_ptr<CameraTool> tool = camera->getTool(ToolType::Biases);
    tool->setParam("contrast_on", -50);
    tool->setParam("contrast_off", -50);
    tool->setParam("noise", 20);
    camera->setTimeInterval(15000);
    QVERIFY(camera->startStream());
    QThread::msleep(50);
    const std::string path = folder.filePath("while_streaming.raw").toStdString();
    QVERIFY(camera->startRecording(path));

    std::vector<std::vector<Event2D>> batches;
    std::vector<simulation::BatchSpan> spans;
    for (int i = 0; i < 12; ++i) {
        std::vector<Event2D> events;
        simulation::BatchSpan span;
        QVERIFY(fetchBatch(*camera, events, span));
        batches.push_back(events);
        spans.push_back(span);
    }
    QVERIFY(camera->stopRecording());
    QVERIFY(camera->isConnected());

    simulation::RecordingFigures figures;
    QVERIFY(simulation::recordingFigures(*camera, figures));
    std::vector<Event2D> recorded;
    QVERIFY(decodeRecording(path, recorded));
    QCOMPARE(std::uint64_t(recorded.size()), figures.producedEvents);
    QCOMPARE(checksumOf(recorded), figures.checksum);
    QVERIFY(isTimeOrdered(recorded));

    int found = 0;
    for (std::size_t i = 0; i < batches.size(); ++i) {
        if (recorded.empty() || spans[i].begin < recorded.front().timestamp) {
            continue;  // the batch began before the recording did
        }
        const auto from =
            std::lower_bound(recorded.begin(), recorded.end(), spans[i].begin,
                             [](const Event2D& e, std::uint64_t t) { return e.timestamp < t; });
        const auto to =
            std::lower_bound(from, recorded.end(), spans[i].end,
                             [](const Event2D& e, std::uint64_t t) { return e.timestamp < t; });
        QCOMPARE(std::vector<Event2D>(from, to), batches[i]);
        ++found;
    }
    QVERIFY(found >= 8);

    // The stream goes on after the recording stopped.
    std::vector<Event2D> events;
    simulation::BatchSpan span;
    QVERIFY(fetchBatch(*camera, events, span));
}

void TestCameraRecording::releaseWhileRecordingCompletesTheFile() {
    const std::string path = folder.filePath("released.raw").toStdString();
    simulation::RecordingFigures figures;
    {
        std::shared_ptr<DvsCamera> camera = openCamera();
        camera->getTool(ToolType::Biases)->setParam("noise", 10);
        QVERIFY(camera->startStream());
        QVERIFY(camera->startRecording(path));
        QThread::msleep(250);
        QVERIFY(simulation::recordingFigures(*camera, figures));
        camera.reset();
    }
    std::vector<Event2D> events;
    RawFileInfo info;
    QVERIFY(decodeRecording(path, events, &info));
    // Everything produced before the release is in the file, and perhaps a step or two more.
    QVERIFY(events.size() >= figures.producedEvents);
    QVERIFY(!events.empty());
    QCOMPARE(info.skippedWords(), std::uint64_t(0));
    QCOMPARE(info.droppedEvents(), std::uint64_t(0));
    QVERIFY(isTimeOrdered(events));
}

// Unplugged, the camera produces nothing more: what it produced reaches the file all the same,
// without stopping the recording.
void TestCameraRecording::quietCameraStillReachesTheDisk() {
    const std::shared_ptr<DvsCamera> camera = openCamera();
    const std::string path = folder.filePath("quiet.raw").toStdString();
    QVERIFY(camera->startRecording(path));
    QThread::msleep(200);
    QVERIFY(simulation::setConnected(*camera, false));
    simulation::RecordingFigures figures;
    std::vector<Event2D> events;
    QTRY_VERIFY(simulation::recordingFigures(*camera, figures) && decodeRecording(path, events) &&
                events.size() == figures.producedEvents);
    QVERIFY(!events.empty());
}

void TestCameraRecording::newRecordingTakesOverWithoutGap() {
    const std::shared_ptr<DvsCamera> camera = openCamera();
    camera->getTool(ToolType::Biases)->setParam("noise", 30);  // an event every microsecond or so
    const std::string first = folder.filePath("first.raw").toStdString();
    const std::string second = folder.filePath("second.raw").toStdString();
    QVERIFY(camera->startRecording(first));
    QThread::msleep(150);
    QVERIFY(camera->startRecording(second));
    QThread::msleep(150);
    // The same file, spelt otherwise, would truncate the file being written.
    QVERIFY(!camera->startRecording(folder.filePath("./second.raw").toStdString()));
    QVERIFY(camera->stopRecording());

    std::vector<Event2D> a;
    std::vector<Event2D> b;
    QVERIFY(decodeRecording(first, a));
    QVERIFY(decodeRecording(second, b));
    QVERIFY(!a.empty() && !b.empty());
    QVERIFY(a.back().timestamp <= b.front().timestamp);
    QVERIFY2(b.front().timestamp - a.back().timestamp < 100,
             qPrintable(QString::number(b.front().timestamp - a.back().timestamp)));
}

void TestCameraRecording::unwritablePathIsRefused() {
    const std::shared_ptr<DvsCamera> camera = openCamera();
    QVERIFY(!camera->startRecording(folder.filePath("missing/folder/x.raw").toStdString()));
    QVERIFY(!camera->stopRecording());
    QVERIFY(camera->isConnected());
    QVERIFY(camera->startStream());
}

void TestCameraRecording::stopWithoutRecordingIsRefused() {
    const std::shared_ptr<DvsCamera> camera = openCamera();
    QVERIFY(!camera->stopRecording());
    simulation::RecordingFigures figures;
    QVERIFY(!simulation::recordingFigures(*camera, figures));
}

QTEST_GUILESS_MAIN(TestCameraRecording)
#include "tst_camerarecording.moc"
