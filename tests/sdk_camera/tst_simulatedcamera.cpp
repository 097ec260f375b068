#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <tuple>

#include "korvane/DvsCameraManager.h"
#include "korvane/RawFileReader.h"
#include "korvane/RecordingGenerator.h"
#include "korvane/SimulatedCameraControl.h"

using namespace korvane;

namespace {

std::shared_ptr<DvsCamera> openCamera() {
    DvsCameraManager manager;
    return manager.openCamera(manager.getCameraDescs().front().serial);
}

// Every event of a recording in file order; false when it does not load.
bool decode(const QString& path, std::vector<Event2D>& events, RawFileInfo* info = nullptr) {
    const std::unique_ptr<RawFileReader> reader = RawFileReader::open(path.toStdString());
    if (!reader || !reader->loadFile()) {
        return false;
    }
    const auto all = reader->readEventsAt(0, UINT64_MAX);
    events = all ? *all : std::vector<Event2D>();
    if (info != nullptr) {
        *info = reader->info();
    }
    return true;
}

std::uint64_t checksum(const std::vector<Event2D>& events) {
    return simulation::checksumEvents(simulation::checksumSeed, events.data(), events.size());
}

simulation::RecordingFigures figures(DvsCamera& camera) {
    simulation::RecordingFigures figures;
    simulation::recordingFigures(camera, figures);
    return figures;
}

// Polls until a batch arrives (true) or the time runs out.
bool fetchBatch(DvsCamera& camera, std::vector<Event2D>& events, simulation::BatchSpan& span) {
    simulation::BatchSpan before;
    simulation::lastBatchSpan(camera, before);
    QElapsedTimer timer;
    timer.start();
    do {
        QThread::msleep(1);
        camera.fetchEvents(events);
        simulation::lastBatchSpan(camera, span);
    } while (span.sequence == before.sequence && timer.elapsed() < 20000);
    return span.sequence != before.sequence;
}

// Exit status, standard output and standard error.
std::tuple<int, QString, QString> ostrelRaw(const QStringList& arguments) {
    QProcess process;
    process.start(OSTREL_RAW_TOOL, arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

// The simulated camera as the viewer drives it, its recordings, and recordings generated without
// a camera by the SDK and by `ostrel-raw generate`.
class TestSimulatedCamera : public QObject {
    Q_OBJECT

private slots:
    void opensListedSerialsOnly() {
        DvsCameraManager manager;
        for (const CameraDescription& description : manager.getCameraDescs()) {
            const std::shared_ptr<DvsCamera> camera = manager.openCamera(description.serial);
            QVERIFY(camera && camera->isConnected() && camera->getTool(ToolType::Biases));
        }
        QVERIFY(!manager.openCamera("") && !manager.openCamera("KVSIM-0"));
    }

    // Batches meet without gaps; a new interval and new biases reach them; a stream stopped or
    // unplugged goes on later, where the sensor clock has got to.
    void streamDeliversBackToBackBatches() {
        const std::shared_ptr<DvsCamera> camera = openCamera();
        camera->setTimeInterval(20000);
        QVERIFY(camera->startStream());
        std::vector<Event2D> events;
        simulation::BatchSpan span;
        simulation::BatchSpan previous;
        int adjoining = 0;
        for (int i = 0; i < 50 && adjoining < 4; ++i) {
            QVERIFY(fetchBatch(*camera, events, span));
            QCOMPARE(span.end - span.begin, std::uint64_t(20000));
            if (previous.sequence != 0 && span.sequence == previous.sequence + 1) {
                QCOMPARE(span.begin, previous.end);
                ++adjoining;
            }
            previous = span;
        }
        QCOMPARE(adjoining, 4);

        QVERIFY(camera->stopStream());
        QThread::msleep(50);  // the sensor is off for 50 ms
        QVERIFY(camera->startStream());
        std::uint64_t pausedAt = span.end;
        QVERIFY(fetchBatch(*camera, events, span));
        QVERIFY(span.begin >= pausedAt + 40000);

        QVERIFY(simulation::setConnected(*camera, false));
        QVERIFY(!camera->isConnected() && !camera->startStream());
        QTemporaryDir dir;
        QVERIFY(!camera->startRecording(dir.filePath("cable.raw").toStdString()));
        QThread::msleep(50);  // the cable is out for 50 ms
        camera->fetchEvents(events);
        QVERIFY(events.empty());
        QVERIFY(simulation::setConnected(*camera, true));
        pausedAt = span.end;
        QVERIFY(fetchBatch(*camera, events, span));
        QVERIFY(span.begin >= pausedAt + 40000);

        // A bias set while streaming reaches the sensor: a still scene without noise is dark.
        camera->getTool(ToolType::Biases)->setParam("motion_speed", 0.0f);
        for (int i = 0; i < 10 && fetchBatch(*camera, events, span) && !events.empty(); ++i) {
        }
        QVERIFY(events.empty());

        camera->setTimeInterval(0);  // the shortest batch, one microsecond
        for (int i = 0; i < 3 && fetchBatch(*camera, events, span) && span.end - span.begin > 1;
             ++i) {
        }
        QCOMPARE(span.end - span.begin, std::uint64_t(1));
    }

    // One thread fetches as the viewer's live thread does while this one changes everything
    // else. The live thread holds the last reference: the camera goes away on that thread, and
    // completes the recording it was making.
    void fetchWhileEverythingElseChanges() {
        DvsCameraManager manager;
        std::shared_ptr<DvsCamera> camera =
            manager.openCamera(manager.getCameraDescs().back().serial);
        const std::shared_ptr<CameraTool> tool = camera->getTool(ToolType::Biases);
        QVERIFY(camera->startStream());
        std::atomic<bool> running{true};
        std::atomic<int> batches{0};
        std::atomic<int> disorder{0};
        std::thread live([camera, &running, &batches, &disorder]() mutable {
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
            camera.reset();
        });

        QTemporaryDir dir;
        std::mt19937 random(3);
        const std::vector<BasicParameterInfo> parameters = tool->getAllParamInfo();
        QElapsedTimer timer;
        timer.start();
        int files = 0;
        bool recording = false;
        // Goes on until each part has had its turn and a recording of some length runs.
        const auto done = [&](int changes) {
            return changes >= 100 && batches.load() > 3 && files > 2 && recording &&
                   figures(*camera).producedEvents > 1000;
        };
        for (int changes = 0; !done(changes) && timer.elapsed() < 60000; ++changes) {
            camera->setTimeInterval(random() % 50000);
            // Values that keep the rate moderate, so a sanitizer build still keeps up.
            tool->setParam(parameters[random() % 5].name, static_cast<int>(random() % 100));
            tool->setParam("scene", std::string(random() % 2 ? "shapes" : "windmill"));
            if (random() % 8 == 0) {
                const QString path = dir.filePath(QString("take%1.raw").arg(files));
                QVERIFY(recording ? camera->stopRecording()
                                  : camera->startRecording(path.toStdString()));
                files += recording ? 0 : 1;
                recording = !recording;
            }
            QVERIFY(camera->isConnected() && !figures(*camera).failed);
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 15));
        }
        const bool settled = done(100);
        const std::uint64_t producedBefore = figures(*camera).producedEvents;
        camera.reset();
        running = false;
        live.join();
        QCOMPARE(disorder.load(), 0);
        QVERIFY(settled);
        std::vector<Event2D> events;
        for (int i = 0; i < files; ++i) {
            QVERIFY(decode(dir.filePath(QString("take%1.raw").arg(i)), events));
        }
        QVERIFY(events.size() >= producedBefore);
    }

    // Recording alone streams nothing. Unplugged, the camera produces nothing more, and what it
    // produced reaches the disk without a stop.
    void recordsWithoutStreaming() {
        const std::shared_ptr<DvsCamera> camera = openCamera();
        QTemporaryDir dir;
        const QString path = dir.filePath("alone.raw");
        QVERIFY(!camera->stopRecording());
        QVERIFY(!camera->startRecording(dir.filePath("missing/alone.raw").toStdString()));
        QVERIFY(camera->startRecording(path.toStdString()));
        QTRY_VERIFY_WITH_TIMEOUT(figures(*camera).producedEvents > 10000, 20000);
        std::vector<Event2D> events;
        camera->fetchEvents(events);
        QVERIFY(events.empty());
        QVERIFY(simulation::setConnected(*camera, false));
        QTRY_VERIFY_WITH_TIMEOUT(
            decode(path, events) && events.size() == figures(*camera).producedEvents, 20000);
        QVERIFY(camera->stopRecording());

        RawFileInfo info;
        QVERIFY(decode(path, events, &info));
        const simulation::RecordingFigures stopped = figures(*camera);
        QCOMPARE(events.size(), stopped.producedEvents);
        QCOMPARE(stopped.writtenEvents, stopped.producedEvents);
        QCOMPARE(checksum(events), stopped.checksum);
        QCOMPARE(QString("%1 %2x%3").arg(info.format.c_str()).arg(info.width).arg(info.height),
                 QString("EVT3 1280x720"));
    }

    // Every batch fetched while recording is in the file exactly where its span says. A second
    // recording takes over without a gap; the same file, spelt otherwise, would be truncated.
    void recordingHoldsTheBatchesAndHandsOver() {
        const std::shared_ptr<DvsCamera> camera = openCamera();
        const std::shared_ptr<CameraTool> tool = camera->getTool(ToolType::Biases);
        tool->setParam("contrast_on", -50);
        tool->setParam("contrast_off", -50);
        tool->setParam("noise", 20);  // about two events a microsecond
        camera->setTimeInterval(15000);
        QVERIFY(camera->startStream());
        std::vector<Event2D> events;
        simulation::BatchSpan span;
        QVERIFY(fetchBatch(*camera, events, span));
        QTemporaryDir dir;
        const QString first = dir.filePath("first.raw");
        const QString second = dir.filePath("second.raw");
        QVERIFY(camera->startRecording(first.toStdString()));
        std::vector<std::vector<Event2D>> batches;
        std::vector<simulation::BatchSpan> spans;
        for (int i = 0; i < 12; ++i) {
            QVERIFY(fetchBatch(*camera, events, span));
            batches.push_back(events);
            spans.push_back(span);
        }
        QVERIFY(camera->startRecording(second.toStdString()));
        QVERIFY(!camera->startRecording(dir.filePath("./second.raw").toStdString()));
        QTRY_VERIFY_WITH_TIMEOUT(figures(*camera).producedEvents > 1000, 20000);
        QVERIFY(camera->stopRecording());

        std::vector<Event2D> recorded;
        QVERIFY(decode(first, recorded) && !recorded.empty());
        int found = 0;
        for (std::size_t i = 0; i < batches.size(); ++i) {
            if (spans[i].begin < recorded.front().timestamp) {
                continue;  // the batch began before the recording did
            }
            const auto byTime = [](const Event2D& e, std::uint64_t t) { return e.timestamp < t; };
            const auto from =
                std::lower_bound(recorded.begin(), recorded.end(), spans[i].begin, byTime);
            const auto to = std::lower_bound(from, recorded.end(), spans[i].end, byTime);
            QCOMPARE(std::vector<Event2D>(from, to), batches[i]);
            ++found;
        }
        QVERIFY(found >= 8);
        QVERIFY(decode(second, events) && !events.empty());
        const qint64 gap = qint64(events.front().timestamp) - qint64(recorded.back().timestamp);
        QVERIFY2(gap >= 0 && gap < 100, qPrintable(QString::number(gap)));
    }

    // What `generate` writes is what the SDK generates for the same request, every --bias
    // applied, rounded up to whole steps; the camera named is the one simulated.
    void generateWritesTheRequestedRecording() {
        QTemporaryDir dir;
        const QString file = dir.filePath("generated.raw");
        const auto run = ostrelRaw({"generate", file, "--seconds", "0.2491", "--camera", "KVSIM-02",
                                    "--bias", "noise=5", "--bias", "motion_speed=0.5"});
        const auto generate = [&](const std::string& serial, const char* speed) {
            return generateRecording(dir.filePath("same.raw").toStdString(), 0.2491, serial,
                                     {{"noise", "5"}, {"motion_speed", speed}});
        };
        const GeneratedRecording same = generate("KVSIM-02", "0.5");
        QVERIFY2(same.ok && same.events > 10000, same.error.c_str());
        QCOMPARE(std::get<1>(run),
                 QString("wrote %1: %2 events over 250000 us\n").arg(file).arg(same.events));
        std::vector<Event2D> events;
        RawFileInfo info;
        QVERIFY(decode(file, events, &info));
        QCOMPARE(events.size(), same.events);
        QCOMPARE(checksum(events), same.checksum);
        QVERIFY(info.lastTimestamp < same.endTimestamp);
        const std::pair<std::string, std::string> serial{"serial_number", "KVSIM-02"};
        QVERIFY(std::count(info.headerEntries.begin(), info.headerEntries.end(), serial) == 1);
        QVERIFY(generate("KVSIM-02", "1").checksum != same.checksum);
        QVERIFY(generate("", "0.5").checksum != same.checksum);
        QVERIFY(!generateRecording(dir.filePath("nan.raw").toStdString(), std::nan(""), "", {}).ok);
    }

    void generateRefusesBadRequests_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("complaint");
        // clang-format off
        QTest::newRow("no seconds") << QStringList{"o.raw"} << "--seconds";
        QTest::newRow("no file") << QStringList{"--seconds", "1"} << "OUT";
        QTest::newRow("two files") << QStringList{"a.raw", "b.raw", "--seconds", "1"} << "one OUT";
        QTest::newRow("seconds not a number") << QStringList{"o.raw", "--seconds", "2s"} << "\"2s\"";
        QTest::newRow("zero seconds") << QStringList{"o.raw", "--seconds", "0"} << "seconds";
        QTest::newRow("over an hour") << QStringList{"o.raw", "--seconds", "3601"} << "seconds";
        QTest::newRow("option without value") << QStringList{"o.raw", "--camera"} << "needs a value";
        QTest::newRow("unknown option") << QStringList{"o.raw", "--fast"} << "--fast";
        QTest::newRow("bias without value") << QStringList{"o.raw", "--seconds", "1", "--bias", "noise"} << "NAME=VALUE";
        QTest::newRow("bias without name") << QStringList{"o.raw", "--seconds", "1", "--bias", "=3"} << "NAME=VALUE";
        QTest::newRow("unknown camera lists the cameras") << QStringList{"o.raw", "--seconds", "1", "--camera", "X"} << "KVSIM-01";
        QTest::newRow("folder missing") << QStringList{"missing/o.raw", "--seconds", "1"} << "cannot create";
        QTest::newRow("unknown bias lists the biases") << QStringList{"o.raw", "--seconds", "1", "--bias", "gain=3"} << "contrast_on";
        QTest::newRow("int with text") << QStringList{"o.raw", "--seconds", "1", "--bias", "noise=3x"} << "noise";
        QTest::newRow("float not finite") << QStringList{"o.raw", "--seconds", "1", "--bias", "motion_speed=nan"} << "motion_speed";
        QTest::newRow("bool word") << QStringList{"o.raw", "--seconds", "1", "--bias", "flip_x=maybe"} << "flip_x";
        QTest::newRow("enum option") << QStringList{"o.raw", "--seconds", "1", "--bias", "scene=cube"} << "scene";
        // clang-format on
    }
    void generateRefusesBadRequests() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, complaint);
        QTemporaryDir dir;
        for (QString& argument : arguments) {
            argument = argument.endsWith(".raw") ? dir.filePath(argument) : argument;
        }
        const auto [status, out, err] = ostrelRaw(QStringList("generate") + arguments);
        QCOMPARE(status, 1);
        QVERIFY2(out.isEmpty() && err.startsWith("ostrel-raw: ") && err.count('\n') == 1,
                 qPrintable(err));
        QVERIFY2(err.contains(complaint), qPrintable(err));
        QVERIFY(!QFile::exists(dir.filePath("o.raw")));
    }
};

QTEST_GUILESS_MAIN(TestSimulatedCamera)
#include "tst_simulatedcamera.moc"
