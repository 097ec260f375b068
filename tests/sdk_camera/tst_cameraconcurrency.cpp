#include <QtTest>

#include <atomic>
#include <random>
#include <thread>

#include "CameraTestSupport.h"
#include "korvane/DvsCameraManager.h"

using namespace korvane;

// One thread fetches as the viewer's live thread does while this one changes everything else.
class TestCameraConcurrency : public QObject {
    Q_OBJECT

private slots:
    void fetchWhileEverythingElseChanges();
    void lastOwnerMayBeTheFetchingThread();
};

void TestCameraConcurrency::fetchWhileEverythingElseChanges() {
    DvsCameraManager manager;
    std::shared_ptr<DvsCamera> camera = manager.openCamera(manager.getCameraDescs().back().serial);
    const std::shared_ptr<CameraTool> tool = camera->getTool(ToolType::Biases);
    QVERIFY(camera->startStream());

    std::atomic<bool> running{true};
    std::atomic<int> batches{0};
    std::atomic<int> disorder{0};
    std::thread live([&] {
        std::vector<Event2D> events;
        std::uint64_t last = 0;
        while (running.load()) {
            camera->fetchEvents(events);
            for (const Event2D& event : events) {
                disorder += event.timestamp < last ? 1 : 0;
                last = event.timestamp;
            }
            batches += events.empty() ? 0 : 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });

    QTemporaryDir folder;
    std::mt19937 random(3);
    const std::vector<BasicParameterInfo> parameters = tool->getAllParamInfo();
    QElapsedTimer timer;
    timer.start();
    int files = 0;
    bool recording = false;
    while (timer.elapsed() < 1500) {
        camera->setTimeInterval(random() % 50000);
        const BasicParameterInfo& parameter = parameters[random() % parameters.size()];
        // Values that keep the rate moderate, so a sanitizer build still keeps up.
        if (parameter.type == ToolParameterType::Int) {
            tool->setParam(parameter.name, static_cast<int>(random() % 100));
        } else if (parameter.type == ToolParameterType::Bool) {
            tool->setParam(parameter.name, random() % 2 == 0);
        } else if (parameter.type == ToolParameterType::Enum) {
            tool->setParam(parameter.name, std::string(random() % 2 ? "shapes" : "windmill"));
        }
        if (random() % 8 == 0) {
            if (recording) {
                QVERIFY(camera->stopRecording());
            } else {
                const QString path = folder.filePath(QString("take%1.raw").arg(files++));
                QVERIFY(camera->startRecording(path.toStdString()));
            }
            recording = !recording;
        }
        if (random() % 40 == 0) {
            camera->isConnected();
            simulation::RecordingFigures figures;
            simulation::recordingFigures(*camera, figures);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 15));
    }
    running = false;
    live.join();
    QCOMPARE(disorder.load(), 0);
    QVERIFY(batches.load() > 3);
    QVERIFY(files > 2);
    // Released while recording, the last take is completed by the camera itself.
    camera.reset();
    for (int i = 0; i < files; ++i) {
        std::vector<Event2D> events;
        QVERIFY(
            decodeRecording(folder.filePath(QString("take%1.raw").arg(i)).toStdString(), events));
    }
}

void TestCameraConcurrency::lastOwnerMayBeTheFetchingThread() {
    DvsCameraManager manager;
    std::shared_ptr<DvsCamera> camera = manager.openCamera(manager.getCameraDescs().front().serial);
    QTemporaryDir folder;
    const std::string path = folder.filePath("last_owner.raw").toStdString();
    QVERIFY(camera->startStream());
    QVERIFY(camera->startRecording(path));
    std::atomic<bool> handedOver{false};
    std::thread live([camera, &handedOver]() mutable {
        std::vector<Event2D> events;
        while (!handedOver.load()) {
            camera->fetchEvents(events);
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        camera->fetchEvents(events);
        camera.reset();  // the camera goes away on this thread
    });
    QThread::msleep(100);
    camera.reset();
    handedOver = true;
    live.join();
    std::vector<Event2D> events;
    QVERIFY(decodeRecording(path, events));
    QVERIFY(!events.empty());
}

QTEST_GUILESS_MAIN(TestCameraConcurrency)
#include "tst_cameraconcurrency.moc"
