#include <QtTest>

#include <ctime>
#include <set>

#include "CameraTestSupport.h"
#include "korvane/DvsCameraManager.h"

using namespace korvane;

namespace {

std::shared_ptr<DvsCamera> openFirst() {
    DvsCameraManager manager;
    return manager.openCamera(manager.getCameraDescs().front().serial);
}

// Events per second of sensor time over a few whole batches.
double batchRate(DvsCamera& camera, int batches) {
    std::vector<Event2D> events;
    simulation::BatchSpan span;
    fetchBatch(camera, events, span);  // may still hold the old settings
    std::uint64_t count = 0;
    std::uint64_t time = 0;
    for (int i = 0; i < batches && fetchBatch(camera, events, span); ++i) {
        count += events.size();
        time += span.end - span.begin;
    }
    return time == 0 ? 0.0 : static_cast<double>(count) * 1e6 / static_cast<double>(time);
}

}  // namespace

class TestSimulatedCamera : public QObject {
    Q_OBJECT

private slots:
    void listsDistinctSimulatedSensors();
    void opensKnownSerialsOnly_data();
    void opensKnownSerialsOnly();
    void offersTheBiasTool();
    void nothingToFetchBeforeStreaming();
    void batchesFollowTheInterval();
    void newIntervalFromNextBatch();
    void batchIsFetchedOnce();
    void zeroIntervalDoesNotSpin();
    void timestampsRiseAcrossRestart();
    void stopStreamEmptiesFetch();
    void disconnectedCameraDeliversNothing();
    void biasesChangeTheLiveRate();
    void releaseWhileStreaming();
};

void TestSimulatedCamera::listsDistinctSimulatedSensors() {
    DvsCameraManager manager;
    const std::vector<CameraDescription> cameras = manager.getCameraDescs();
    QVERIFY(cameras.size() >= 2);
    std::set<std::string> serials;
    for (const CameraDescription& camera : cameras) {
        QVERIFY(!camera.serial.empty());
        QCOMPARE(camera.width, std::uint16_t(1280));
        QCOMPARE(camera.height, std::uint16_t(720));
        serials.insert(camera.serial);
    }
    QCOMPARE(serials.size(), cameras.size());
    QCOMPARE(manager.getCameraDescs().front().serial, cameras.front().serial);
}

void TestSimulatedCamera::opensKnownSerialsOnly_data() {
    QTest::addColumn<QString>("serial");
    QTest::addColumn<bool>("opens");
    DvsCameraManager manager;
    for (const CameraDescription& camera : manager.getCameraDescs()) {
        QTest::newRow(camera.serial.c_str()) << QString::fromStdString(camera.serial) << true;
    }
    QTest::newRow("empty") << "" << false;
    QTest::newRow("unknown") << "KV0000-NONE" << false;
    QTest::newRow("prefix of a serial")
        << QString::fromStdString(manager.getCameraDescs().front().serial).chopped(1) << false;
}

void TestSimulatedCamera::opensKnownSerialsOnly() {
    QFETCH(QString, serial);
    QFETCH(bool, opens);
    DvsCameraManager manager;
    const std::shared_ptr<DvsCamera> camera = manager.openCamera(serial.toStdString());
    QCOMPARE(camera != nullptr, opens);
    if (camera) {
        QVERIFY(camera->isConnected());
    }
}

void TestSimulatedCamera::offersTheBiasTool() {
    const std::shared_ptr<DvsCamera> camera = openFirst();
    const std::shared_ptr<CameraTool> tool = camera->getTool(ToolType::Biases);
    QVERIFY(tool);
    QCOMPARE(QString::fromStdString(tool->name()), QString("Biases"));
    QVERIFY(!tool->getAllParamInfo().empty());
    QCOMPARE(camera->getTool(ToolType::Biases), tool);
    QVERIFY(!camera->getTool(static_cast<ToolType>(5)));
    camera->releaseEventHandle(0);
    camera->releaseEventHandle(0xffffffffu);
}

void TestSimulatedCamera::nothingToFetchBeforeStreaming() {
    const std::shared_ptr<DvsCamera> camera = openFirst();
    camera->setTimeInterval(1000);
    QThread::msleep(30);
    std::vector<Event2D> events(10);
    camera->fetchEvents(events);
    QVERIFY(events.empty());
    QVERIFY(!camera->stopStream());
}

void TestSimulatedCamera::batchesFollowTheInterval() {
    const std::shared_ptr<DvsCamera> camera = openFirst();
    camera->setTimeInterval(20000);
    QVERIFY(camera->startStream());
    std::vector<Event2D> events;
    simulation::BatchSpan span;
    simulation::BatchSpan previous;
    std::uint64_t lastTimestamp = 0;
    int adjoining = 0;
    for (int i = 0; i < 25; ++i) {
        QVERIFY(fetchBatch(*camera, events, span));
        QCOMPARE(span.end - span.begin, std::uint64_t(20000));
        for (const Event2D& event : events) {
            QVERIFY(event.timestamp >= span.begin && event.timestamp < span.end);
            QVERIFY(event.timestamp >= lastTimestamp);
            lastTimestamp = event.timestamp;
        }
        if (previous.sequence != 0 && span.sequence == previous.sequence + 1) {
            QCOMPARE(span.begin, previous.end);
            ++adjoining;
        }
        previous = span;
    }
    QVERIFY(adjoining > 5);
    QVERIFY(lastTimestamp > 0);
}

void TestSimulatedCamera::newIntervalFromNextBatch() {
    const std::shared_ptr<DvsCamera> camera = openFirst();
    camera->setTimeInterval(60000);
    QVERIFY(camera->startStream());
    std::vector<Event2D> events;
    simulation::BatchSpan span;
    QVERIFY(fetchBatch(*camera, events, span));
    camera->setTimeInterval(7000);
    // The batch being filled keeps 60 ms; every later one is 7 ms, starting where it ended.
    QVERIFY(fetchBatch(*camera, events, span));
    const std::uint64_t firstLength = span.end - span.begin;
    QVERIFY2(firstLength == 60000 || firstLength == 7000, qPrintable(QString::number(firstLength)));
    for (int i = 0; i < 10; ++i) {
        QVERIFY(fetchBatch(*camera, events, span));
        QCOMPARE(span.end - span.begin, std::uint64_t(7000));
    }
}

void TestSimulatedCamera::batchIsFetchedOnce() {
    const std::shared_ptr<DvsCamera> camera = openFirst();
    camera->setTimeInterval(300000);
    QVERIFY(camera->startStream());
    std::vector<Event2D> events;
    simulation::BatchSpan span;
    QVERIFY(fetchBatch(*camera, events, span));
    QVERIFY(!events.empty());
    std::vector<Event2D> again(3);
    camera->fetchEvents(again);
    QVERIFY(again.empty());
}

// Interval 0 means the shortest batch, one microsecond. Compared with an ordinary interval in the
// same run, it must not cost the process more CPU time: nothing spins.
void TestSimulatedCamera::zeroIntervalDoesNotSpin() {
    const std::shared_ptr<DvsCamera> camera = openFirst();
    const std::shared_ptr<CameraTool> tool = camera->getTool(ToolType::Biases);
    tool->setParam("motion_speed", 0.0f);
    const auto cpuDuring = [&](std::uint64_t interval) {
        camera->setTimeInterval(interval);
        std::vector<Event2D> events;
        const std::clock_t start = std::clock();
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 400) {
            camera->fetchEvents(events);
            QThread::msleep(5);
        }
        return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    };
    QVERIFY(camera->startStream());
    const double ordinary = cpuDuring(33333);
    const double shortest = cpuDuring(0);
    QVERIFY2(shortest < ordinary * 3.0 + 0.1,
             qPrintable(QString("%1 s against %2 s").arg(shortest).arg(ordinary)));
    std::vector<Event2D> events;
    simulation::BatchSpan span;
    QVERIFY(fetchBatch(*camera, events, span));
    QCOMPARE(span.end - span.begin, std::uint64_t(1));
    for (const Event2D& event : events) {
        QCOMPARE(event.timestamp, span.begin);
    }
}

void TestSimulatedCamera::timestampsRiseAcrossRestart() {
    const std::shared_ptr<DvsCamera> camera = openFirst();
    camera->setTimeInterval(10000);
    QVERIFY(camera->startStream());
    std::vector<Event2D> events;
    simulation::BatchSpan first;
    QVERIFY(fetchBatch(*camera, events, first));
    QVERIFY(camera->stopStream());
    QThread::msleep(50);
    QVERIFY(camera->startStream());
    simulation::BatchSpan second;
    QVERIFY(fetchBatch(*camera, events, second));
    QVERIFY(second.begin >= first.end + 40000);
    for (const Event2D& event : events) {
        QVERIFY(event.timestamp >= second.begin);
    }
}

void TestSimulatedCamera::stopStreamEmptiesFetch() {
    const std::shared_ptr<DvsCamera> camera = openFirst();
    camera->setTimeInterval(5000);
    QVERIFY(camera->startStream());
    QThread::msleep(50);  // a batch is waiting
    QVERIFY(camera->stopStream());
    std::vector<Event2D> events(4);
    camera->fetchEvents(events);
    QVERIFY(events.empty());
}

void TestSimulatedCamera::disconnectedCameraDeliversNothing() {
    const std::shared_ptr<DvsCamera> camera = openFirst();
    camera->setTimeInterval(5000);
    QVERIFY(camera->startStream());
    std::vector<Event2D> events;
    simulation::BatchSpan before;
    QVERIFY(fetchBatch(*camera, events, before));

    QVERIFY(simulation::setConnected(*camera, false));
    QVERIFY(!camera->isConnected());
    QThread::msleep(40);
    camera->fetchEvents(events);
    QVERIFY(events.empty());
    QVERIFY(!camera->startStream());
    QTemporaryDir folder;
    QVERIFY(!camera->startRecording(folder.filePath("cable.raw").toStdString()));

    QVERIFY(simulation::setConnected(*camera, true));
    QVERIFY(camera->isConnected());
    simulation::BatchSpan after;
    QVERIFY(fetchBatch(*camera, events, after));
    QVERIFY(after.begin >= before.end + 30000);
}

void TestSimulatedCamera::biasesChangeTheLiveRate() {
    const std::shared_ptr<DvsCamera> camera = openFirst();
    const std::shared_ptr<CameraTool> tool = camera->getTool(ToolType::Biases);
    tool->setParam("noise", 0);
    tool->setParam("contrast_on", -60);
    tool->setParam("contrast_off", -60);
    camera->setTimeInterval(100000);
    QVERIFY(camera->startStream());
    const double sensitive = batchRate(*camera, 3);
    tool->setParam("contrast_on", 100);
    tool->setParam("contrast_off", 100);
    const double dull = batchRate(*camera, 3);
    QVERIFY2(dull * 4.0 < sensitive, qPrintable(QString("%1 -> %2").arg(sensitive).arg(dull)));
}

void TestSimulatedCamera::releaseWhileStreaming() {
    std::shared_ptr<DvsCamera> camera = openFirst();
    QVERIFY(camera->startStream());
    QThread::msleep(30);
    std::weak_ptr<DvsCamera> watch = camera;
    camera.reset();
    QVERIFY(watch.expired());
}

QTEST_GUILESS_MAIN(TestSimulatedCamera)
#include "tst_simulatedcamera.moc"
