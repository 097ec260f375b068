#include <QtTest>

#include <climits>
#include <cstdint>

#include "korvane/RawFileWriter.h"
#include "korvane/RecordingStatus.h"
#include "pipeline/SourceState.h"
#include "pipeline/TimelineScale.h"
#include "pipeline/formatTimestamp.h"
#include "pipeline/framePacing.h"
#include "support/MessageLog.h"

namespace {

// What the state made the camera and the frame threads do, in order.
QStringList effects;

class ScriptedCamera : public korvane::DvsCamera, public korvane::RecordingReporter {
public:
    ~ScriptedCamera() override { effects << "released"; }

    bool isConnected() override { return connected; }
    void setTimeInterval(std::uint64_t us) override { effects << QString("interval %1").arg(us); }
    bool startStream() override { return note("startStream"); }
    bool stopStream() override { return note("stopStream"); }
    void fetchEvents(std::vector<korvane::Event2D>& events) override { events.clear(); }
    void releaseEventHandle(std::uint32_t) override {}
    bool startRecording(std::string path) override {
        return note("record " + path) && failure.empty();
    }
    bool stopRecording() override { return note("stopRecording"); }
    std::shared_ptr<korvane::CameraTool> getTool(korvane::ToolType) override { return nullptr; }
    korvane::RecordingStatus recordingStatus() override {
        return {false, !failure.empty(), failure};
    }

    bool connected = true;
    std::string failure;

private:
    static bool note(const std::string& call) {
        effects << QString::fromStdString(call);
        return true;
    }
};

class ScriptedThreads : public FrameProducer {
public:
    void startLive(std::shared_ptr<korvane::DvsCamera>) override { effects << "live thread"; }
    void startPlayback() override { effects << "playback thread"; }
    void stopFrames() override { effects << "join"; }
};

}  // namespace

// Timeline maths, timestamp texts, frame pacing, and the source state table: one row per
// (state, action) with the source and buttons afterwards, the debug lines and message the user
// sees, and what the camera and the frame threads were made to do.
class TestPipeline : public QObject {
    Q_OBJECT

private slots:
    void formatsTimestamps_data() {
        QTest::addColumn<quint64>("us");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << quint64(0) << "00:00:000000";
        QTest::newRow("minute and seconds") << quint64(83456789) << "01:23:456789";
        QTest::newRow("three-digit minutes") << quint64(6000000000) << "100:00:000000";
        QTest::newRow("largest") << quint64(UINT64_MAX) << "307445734561:49:551615";
    }
    void formatsTimestamps() {
        QFETCH(quint64, us);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(formatTimestamp(us)), text);
    }

    void timelineScale_data() {
        QTest::addColumn<quint64>("start");
        QTest::addColumn<quint64>("end");
        QTest::addColumn<quint64>("usPerStep");
        QTest::addColumn<int>("maximum");
        // clang-format off
        QTest::newRow("empty recording") << quint64(5) << quint64(5) << quint64(1) << 0;
        QTest::newRow("end before start") << quint64(9) << quint64(5) << quint64(1) << 0;
        QTest::newRow("late start, 100 s") << quint64(2200000000) << quint64(2300000000) << quint64(1) << 100000000;
        QTest::newRow("span exactly INT_MAX") << quint64(10) << quint64(10) + INT_MAX << quint64(1) << INT_MAX;
        QTest::newRow("span INT_MAX + 1") << quint64(0) << quint64(INT_MAX) + 1 << quint64(2) << INT_MAX / 2 + 1;
        QTest::newRow("whole 64-bit range") << quint64(0) << quint64(UINT64_MAX) << quint64(8589934597) << INT_MAX - 1;
        // clang-format on
    }
    void timelineScale() {
        QFETCH(quint64, start);
        QFETCH(quint64, end);
        QFETCH(quint64, usPerStep);
        QFETCH(int, maximum);
        const TimelineScale scale(start, end);
        QCOMPARE(quint64(scale.microsecondsPerStep()), usPerStep);
        QCOMPARE(scale.maximum(), maximum);
        QCOMPARE(scale.toSliderValue(end), maximum);
        QCOMPARE(quint64(scale.toTimestamp(-7)), start);
        QVERIFY(scale.toTimestamp(scale.maximum()) <= qMax(start, end));
    }

    void timelineConversions_data() {
        QTest::addColumn<quint64>("start");
        QTest::addColumn<quint64>("end");
        QTest::addColumn<quint64>("timestamp");
        QTest::addColumn<int>("value");
        QTest::addColumn<quint64>("back");
        // clang-format off
        QTest::newRow("before the start") << quint64(1000) << quint64(2000) << quint64(999) << 0 << quint64(1000);
        QTest::newRow("past the end") << quint64(1000) << quint64(2000) << quint64(5000) << 1000 << quint64(2000);
        QTest::newRow("1 us steps past 2^31 us are exact") << quint64(2147483000) << quint64(2300000000) << quint64(2212345678) << 64862678 << quint64(2212345678);
        QTest::newRow("coarse steps round down") << quint64(1000) << quint64(10000001000) << quint64(3000000813) << 599999962 << quint64(3000000810);
        // clang-format on
    }
    void timelineConversions() {
        QFETCH(quint64, start);
        QFETCH(quint64, end);
        QFETCH(quint64, timestamp);
        QFETCH(int, value);
        QFETCH(quint64, back);
        const TimelineScale scale(start, end);
        QCOMPARE(scale.toSliderValue(timestamp), value);
        QCOMPARE(quint64(scale.toTimestamp(value)), back);
    }

    void framePacing_data() {
        QTest::addColumn<bool>("live");
        QTest::addColumn<quint64>("rate");
        QTest::addColumn<quint64>("result");
        QTest::newRow("live 33 Hz") << true << quint64(33) << quint64(30);
        QTest::newRow("live 0 keeps previous") << true << quint64(0) << quint64(77);
        QTest::newRow("playback 30 Hz") << false << quint64(30) << quint64(33333);
        QTest::newRow("playback 0 keeps previous") << false << quint64(0) << quint64(77);
    }
    void framePacing() {
        QFETCH(bool, live);
        QFETCH(quint64, rate);
        QFETCH(quint64, result);
        QCOMPARE(
            live ? quint64(livePeriodMs(uint16_t(rate), 77)) : quint64(playbackStepUs(rate, 77)),
            result);
    }

    // The state only holds the reader: a recording without events will do.
    void initTestCase() {
        recordingFile = dir.filePath("a.raw").toStdString();
        korvane::RawFileWriter writer;
        QVERIFY(writer.open(recordingFile, 1280, 720, "TEST") && writer.close());
    }

    void sourceStates_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("after");  // the source, then Play and Record when checked
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("done");
        const QString stream = "interval 33333|startStream|live thread";
        const QString unstream = "join|stopStream";
        // clang-format off
        QTest::newRow("nothing open: Play does nothing") << "" << "play" << "none" << "" << "" << "";
        QTest::newRow("camera: Play streams") << "open camera, play" << "play" << "camera, Play" << "start camera." << "" << stream;
        QTest::newRow("streaming: Play stops the stream, recording goes on") << "open camera, record" << "play" << "camera, Record" << "stop camera." << "" << unstream;
        QTest::newRow("unplugged while streaming: Play stops the live thread") << "open camera, cable out" << "play" << "camera" << "Please connect camera first." << "" << unstream;
        QTest::newRow("recording paused: Play plays") << "open recording, play" << "play" << "file, Play" << "" << "" << "playback thread";
        QTest::newRow("recording playing: Play pauses") << "open recording" << "play" << "file" << "" << "" << "join";
        QTest::newRow("reader gone: Play refuses") << "open recording, drop reader" << "play" << "file" << "Please load file first." << "" << "";
        QTest::newRow("recording opened over a recording camera: camera let go, file complete") << "open camera, record" << "open recording" << "file, Play" << "stop camera." << "" << unstream + "|stopRecording|released|playback thread";
        QTest::newRow("failed open over a recording camera: nothing left open") << "open camera, record" << "open recording fails" << "none" << "stop camera." << "" << unstream + "|stopRecording|released";
        QTest::newRow("recording opened beside a camera not streaming: camera kept, still recording") << "open camera, play, record" << "open recording" << "file, Play, Record" << "" << "" << "playback thread";
        QTest::newRow("failed open beside a camera not streaming: nothing left open") << "open camera, play, record" << "open recording fails" << "none" << "" << "" << "stopRecording|released";
        QTest::newRow("failed open over a playing recording: no old range left") << "open recording" << "open recording fails" << "none" << "" << "" << "join";
        QTest::newRow("another camera: the old one stops recording and goes") << "open camera, record" << "open camera" << "camera, Play" << "stop camera.|start camera." << "" << unstream + "|stopRecording|released|" + stream;
        QTest::newRow("failed camera open: the old camera goes") << "open camera" << "open camera fails" << "none" << "stop camera." << "" << unstream + "|released";
        QTest::newRow("camera: Record records") << "open camera, play" << "record" << "camera, Record" << "" << "" << "record take.raw";
        QTest::newRow("Record refused: unchecked, says why") << "open camera" << "record refused" << "camera, Play" << "" << "Recording did not start: disk full" << "record take.raw";
        QTest::newRow("recording: Record stops it") << "open camera, record" << "record" << "camera, Play" << "stop recording" << "" << "stopRecording";
        QTest::newRow("disk fills while recording: unchecked, says why") << "open camera, record" << "disk fills" << "camera, Play" << "" << "Recording stopped: disk full" << "stopRecording";
        QTest::newRow("camera unplugged while recording: both stop") << "open camera, record" << "unplug" << "camera" << "" << "The camera was disconnected." << unstream + "|stopRecording";
        QTest::newRow("camera unplugged while a recording plays beside it: playback goes on") << "open camera, play, record, open recording" << "unplug" << "file, Play" << "" << "The camera was disconnected." << "stopRecording";
        QTest::newRow("no camera: Record refuses") << "open recording" << "record" << "file, Play" << "Please connect camera first." << "" << "";
        QTest::newRow("closing while streaming and recording: file complete, camera let go") << "open camera, record" << "close" << "none" << "stop camera." << "" << unstream + "|stopRecording|released";
        QTest::newRow("closing while playing") << "open recording" << "close" << "none" << "" << "" << "join";
        // clang-format on
    }
    void sourceStates() {
        QFETCH(QString, start);
        QFETCH(QString, action);
        QFETCH(QString, after);
        QFETCH(QString, log);
        QFETCH(QString, message);
        QFETCH(QString, done);
        SourceState state(threads);
        for (const QString& step : start.split(", ", Qt::SkipEmptyParts)) {
            QCOMPARE(QString::fromStdString(perform(state, step)), QString());
        }
        effects.clear();
        const MessageLog lines;
        QCOMPARE(QString::fromStdString(perform(state, action)), message);
        const QString shown = QStringList{"none", "camera", "file"}.value(int(state.mode())) +
                              (state.flowing() ? ", Play" : "") +
                              (state.recording() ? ", Record" : "");
        QCOMPARE(shown, after);
        QCOMPARE(lines.lines().join('|'), log);
        QCOMPARE(effects.join('|'), done);
    }

private:
    // A user action as the window's flows carry it out, in their order of steps; returns what
    // the user is told.
    std::string perform(SourceState& state, const QString& action) {
        auto* camera = static_cast<ScriptedCamera*>(state.camera().get());
        if (action.startsWith("open recording") && state.flowing()) {
            state.pause();
            state.releaseCamera();
        }
        if (action.startsWith("open")) {
            state.pause();
            state.dropRecording();
        }
        if (action.endsWith("fails")) {
            state.failOpen();
        } else if (action == "open camera") {
            state.openCamera(std::make_shared<ScriptedCamera>());
            state.play();
        } else if (action == "open recording") {
            state.openRecording(korvane::DvsFileReader::createFileReader(recordingFile),
                                RecordingLoad());
            state.play();
        } else if (action == "play") {
            state.togglePlay();
        } else if (action.startsWith("record")) {
            if (camera) {
                camera->failure = action.endsWith("refused") ? "disk full" : "";
            }
            if (state.recordClicked() == SourceState::RecordStep::AskForPath) {
                return state.startRecording("take.raw");
            }
        } else if (action == "disk fills" || action == "unplug") {
            camera->failure = action == "disk fills" ? "disk full" : "";
            camera->connected = action != "unplug";
            return state.check();
        } else if (action == "cable out") {
            camera->connected = false;
        } else if (action == "drop reader") {
            state.dropRecording();
        } else if (action == "close") {
            state.close();
        }
        return {};
    }

    QTemporaryDir dir;
    std::string recordingFile;
    ScriptedThreads threads;
};

QTEST_GUILESS_MAIN(TestPipeline)
#include "tst_pipeline.moc"
