#include <QtTest>

#include <memory>

#include "korvane/RecordingStatus.h"
#include "pipeline/SourceState.h"

namespace {

// What the state made the camera and the frame threads do, in order.
QStringList effects;
// The debug lines it wrote.
QStringList logLines;

void collectLog(QtMsgType, const QMessageLogContext&, const QString& message) {
    logLines << message;
}

class ScriptedCamera : public korvane::DvsCamera, public korvane::RecordingReporter {
public:
    ~ScriptedCamera() override { effects << "released"; }

    bool isConnected() override { return connected; }
    void setTimeInterval(std::uint64_t microseconds) override {
        effects << QString("interval %1").arg(microseconds);
    }
    bool startStream() override { return note("startStream"); }
    bool stopStream() override { return note("stopStream"); }
    void fetchEvents(std::vector<korvane::Event2D>& events) override { events.clear(); }
    void releaseEventHandle(std::uint32_t) override {}
    bool startRecording(std::string path) override {
        effects << QString("record %1").arg(QString::fromStdString(path));
        return failure.empty();
    }
    bool stopRecording() override { return note("stopRecording"); }
    std::shared_ptr<korvane::CameraTool> getTool(korvane::ToolType) override { return nullptr; }
    korvane::RecordingStatus recordingStatus() override {
        return {false, !failure.empty(), failure};
    }

    bool connected = true;
    std::string failure;

private:
    static bool note(const char* call) {
        effects << call;
        return true;
    }
};

class ScriptedReader : public korvane::DvsFileReader {
public:
    bool loadFile() override { return true; }
    bool getBeginTime(std::uint64_t& timestamp) override { return (timestamp = 0, true); }
    bool getEndTime(std::uint64_t& timestamp) override { return (timestamp = 1000, true); }
    bool seekTo(std::uint64_t) override { return true; }
    std::shared_ptr<std::vector<korvane::Event2D>> readEventsFor(std::uint64_t) override {
        return nullptr;
    }
    std::shared_ptr<std::vector<korvane::Event2D>> readEventsAt(std::uint64_t,
                                                                std::uint64_t) override {
        return nullptr;
    }
};

class ScriptedThreads : public FrameProducer {
public:
    void startLive(std::shared_ptr<korvane::DvsCamera>) override { effects << "live thread"; }
    void startPlayback() override { effects << "playback thread"; }
    void stopFrames() override { effects << "join"; }
};

}  // namespace

// One row per (state, action): the state afterwards, what the user sees (Play, Record, debug
// lines, a message) and what the camera and the frame threads were made to do.
class TestSourceState : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void transitions_data();
    void transitions();

private:
    void arrive(const QString& start);
    void act(const QString& action);
    void openCamera();
    void openRecording(bool loads);
    void record();

    ScriptedThreads threads;
    std::unique_ptr<SourceState> state;
    ScriptedCamera* camera = nullptr;
    QString notice;
    QtMessageHandler previousHandler = nullptr;
};

void TestSourceState::init() {
    state = std::make_unique<SourceState>(threads);
    camera = nullptr;
    notice.clear();
    previousHandler = qInstallMessageHandler(collectLog);
}

void TestSourceState::cleanup() {
    state.reset();
    qInstallMessageHandler(previousHandler);
    effects.clear();
    logLines.clear();
}

// The open flows' steps, in the window's order.
void TestSourceState::openCamera() {
    state->pause();
    state->dropRecording();
    auto fresh = std::make_shared<ScriptedCamera>();
    camera = fresh.get();
    state->openCamera(fresh);
    state->play();
}

void TestSourceState::openRecording(bool loads) {
    if (state->flowing()) {
        state->pause();
        state->releaseCamera();
        camera = nullptr;
    }
    state->dropRecording();
    if (!loads) {
        state->failOpen();
        camera = nullptr;
        return;
    }
    RecordingLoad load;
    load.end = 1000;
    state->openRecording(std::make_unique<ScriptedReader>(), load);
    state->play();
}

void TestSourceState::record() {
    if (state->recordClicked() == SourceState::RecordStep::AskForPath) {
        notice = QString::fromStdString(state->startRecording("take.raw"));
    }
}

void TestSourceState::arrive(const QString& start) {
    for (const QString& step : start.split(", ", Qt::SkipEmptyParts)) {
        if (step == "camera" || step == "streaming") {
            openCamera();
            if (step == "camera") {
                state->pause();
            }
        } else if (step == "recording") {
            record();
        } else if (step == "unplugged") {
            camera->connected = false;
        } else if (step == "file" || step == "playing") {
            openRecording(true);
            if (step == "file") {
                state->pause();
            }
        } else if (step == "reader gone") {
            state->dropRecording();
        }
    }
    QVERIFY2(notice.isEmpty(), qPrintable(notice));
    effects.clear();
    logLines.clear();
}

void TestSourceState::act(const QString& action) {
    if (action == "play") {
        state->togglePlay();
    } else if (action == "open camera") {
        openCamera();
    } else if (action == "open camera fails") {
        state->pause();
        state->dropRecording();
        state->failOpen();
    } else if (action == "open recording" || action == "open recording fails") {
        openRecording(action == "open recording");
    } else if (action == "record") {
        record();
    } else if (action == "record refused") {
        camera->failure = "disk full";
        record();
    } else if (action == "disk fills") {
        camera->failure = "disk full";
        notice = QString::fromStdString(state->check());
    } else if (action == "unplug") {
        camera->connected = false;
        notice = QString::fromStdString(state->check());
    } else if (action == "close") {
        state->close();
    }
}

void TestSourceState::transitions_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("play");
    QTest::addColumn<bool>("record");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("done");

    const int none = int(SourceMode::None);
    const int live = int(SourceMode::LiveCamera);
    const int file = int(SourceMode::RecordingFile);
    const QString stream = "interval 33333|startStream|live thread";
    const QString unstream = "join|stopStream";
    // clang-format off
    QTest::newRow("nothing open: Play does nothing")
        << "" << "play" << none << false << false << "" << "" << "";
    QTest::newRow("camera: Play streams")
        << "camera" << "play" << live << true << false << "start camera." << "" << stream;
    QTest::newRow("streaming: Play stops the stream, recording goes on")
        << "streaming, recording" << "play" << live << false << true << "stop camera." << ""
        << unstream;
    QTest::newRow("unplugged while streaming: Play stops the live thread")
        << "streaming, unplugged" << "play" << live << false << false
        << "Please connect camera first." << "" << unstream;
    QTest::newRow("recording paused: Play plays")
        << "file" << "play" << file << true << false << "" << "" << "playback thread";
    QTest::newRow("recording playing: Play pauses")
        << "playing" << "play" << file << false << false << "" << "" << "join";
    QTest::newRow("reader gone: Play refuses")
        << "playing, reader gone" << "play" << file << false << false
        << "Please load file first." << "" << "";
    QTest::newRow("recording opened over a recording camera: camera let go, file complete")
        << "streaming, recording" << "open recording" << file << true << false
        << "stop camera." << "" << unstream + "|stopRecording|released|playback thread";
    QTest::newRow("failed open over a recording camera: nothing left open")
        << "streaming, recording" << "open recording fails" << none << false << false
        << "stop camera." << "" << unstream + "|stopRecording|released";
    QTest::newRow("recording opened beside a camera not streaming: camera kept, still recording")
        << "camera, recording" << "open recording" << file << true << true << "" << ""
        << "playback thread";
    QTest::newRow("failed open beside a camera not streaming: nothing left open")
        << "camera, recording" << "open recording fails" << none << false << false << "" << ""
        << "stopRecording|released";
    QTest::newRow("failed open over a playing recording: no old range left")
        << "playing" << "open recording fails" << none << false << false << "" << "" << "join";
    QTest::newRow("another camera: the old one stops recording and goes")
        << "streaming, recording" << "open camera" << live << true << false
        << "stop camera.|start camera." << ""
        << unstream + "|stopRecording|released|" + stream;
    QTest::newRow("failed camera open: the old camera goes")
        << "streaming" << "open camera fails" << none << false << false << "stop camera." << ""
        << unstream + "|released";
    QTest::newRow("camera: Record records")
        << "camera" << "record" << live << false << true << "" << "" << "record take.raw";
    QTest::newRow("Record refused: unchecked, says why")
        << "streaming" << "record refused" << live << true << false << ""
        << "Recording did not start: disk full" << "record take.raw";
    QTest::newRow("recording: Record stops it")
        << "streaming, recording" << "record" << live << true << false << "stop recording" << ""
        << "stopRecording";
    QTest::newRow("disk fills while recording: unchecked, says why")
        << "streaming, recording" << "disk fills" << live << true << false << ""
        << "Recording stopped: disk full" << "stopRecording";
    QTest::newRow("camera unplugged while recording: both stop")
        << "streaming, recording" << "unplug" << live << false << false << ""
        << "The camera was disconnected." << unstream + "|stopRecording";
    QTest::newRow("no camera: Record refuses")
        << "playing" << "record" << file << true << false << "Please connect camera first." << ""
        << "";
    QTest::newRow("closing while streaming and recording: file complete, camera let go")
        << "streaming, recording" << "close" << none << false << false << "stop camera." << ""
        << unstream + "|stopRecording|released";
    QTest::newRow("closing while playing")
        << "playing" << "close" << none << false << false << "" << "" << "join";
    // clang-format on
}

void TestSourceState::transitions() {
    QFETCH(QString, start);
    QFETCH(QString, action);
    QFETCH(int, mode);
    QFETCH(bool, play);
    QFETCH(bool, record);
    QFETCH(QString, log);
    QFETCH(QString, message);
    QFETCH(QString, done);

    arrive(start);
    act(action);
    QCOMPARE(int(state->mode()), mode);
    QCOMPARE(state->flowing(), play);
    QCOMPARE(state->recording(), record);
    QCOMPARE(logLines.join('|'), log);
    QCOMPARE(notice, message);
    QCOMPARE(effects.join('|'), done);
}

QTEST_GUILESS_MAIN(TestSourceState)
#include "tst_sourcestate.moc"
