#include <QtTest>

#include <memory>

#include "korvane/RawFileWriter.h"
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
    void initTestCase();
    void init();
    void cleanup();
    void transitions_data();
    void transitions();

private:
    void perform(const QString& action);

    QTemporaryDir dir;
    std::string recordingFile;
    ScriptedThreads threads;
    std::unique_ptr<SourceState> state;
    QString notice;
    QtMessageHandler previousHandler = nullptr;
};

// The state only holds the reader: a recording without events will do.
void TestSourceState::initTestCase() {
    recordingFile = dir.filePath("a.raw").toStdString();
    korvane::RawFileWriter writer;
    QVERIFY(writer.open(recordingFile, 1280, 720, "TEST") && writer.close());
}

void TestSourceState::init() {
    state = std::make_unique<SourceState>(threads);
    notice.clear();
    previousHandler = qInstallMessageHandler(collectLog);
}

void TestSourceState::cleanup() {
    state.reset();
    qInstallMessageHandler(previousHandler);
    effects.clear();
    logLines.clear();
}

// A user action as the window's flows carry it out, in their order of steps.
void TestSourceState::perform(const QString& action) {
    auto* camera = static_cast<ScriptedCamera*>(state->camera().get());
    if (action == "open camera") {
        state->pause();
        state->dropRecording();
        state->openCamera(std::make_shared<ScriptedCamera>());
        state->play();
    } else if (action == "open camera fails") {
        state->pause();
        state->dropRecording();
        state->failOpen();
    } else if (action.startsWith("open recording")) {
        if (state->flowing()) {
            state->pause();
            state->releaseCamera();
        }
        state->dropRecording();
        if (action.endsWith("fails")) {
            state->failOpen();
            return;
        }
        auto reader = korvane::DvsFileReader::createFileReader(recordingFile);
        state->openRecording(std::move(reader), RecordingLoad());
        state->play();
    } else if (action == "play") {
        state->togglePlay();
    } else if (action.startsWith("record")) {
        if (camera) {
            camera->failure = action.endsWith("refused") ? "disk full" : "";
        }
        if (state->recordClicked() == SourceState::RecordStep::AskForPath) {
            notice = QString::fromStdString(state->startRecording("take.raw"));
        }
    } else if (action == "disk fills" || action == "unplug") {
        camera->failure = action == "disk fills" ? "disk full" : "";
        camera->connected = action != "unplug";
        notice = QString::fromStdString(state->check());
    } else if (action == "cable out") {
        camera->connected = false;
    } else if (action == "drop reader") {
        state->dropRecording();
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
        << "open camera, play" << "play" << live << true << false << "start camera." << "" << stream;
    QTest::newRow("streaming: Play stops the stream, recording goes on")
        << "open camera, record" << "play" << live << false << true << "stop camera." << ""
        << unstream;
    QTest::newRow("unplugged while streaming: Play stops the live thread")
        << "open camera, cable out" << "play" << live << false << false
        << "Please connect camera first." << "" << unstream;
    QTest::newRow("recording paused: Play plays")
        << "open recording, play" << "play" << file << true << false << "" << "" << "playback thread";
    QTest::newRow("recording playing: Play pauses")
        << "open recording" << "play" << file << false << false << "" << "" << "join";
    QTest::newRow("reader gone: Play refuses")
        << "open recording, drop reader" << "play" << file << false << false
        << "Please load file first." << "" << "";
    QTest::newRow("recording opened over a recording camera: camera let go, file complete")
        << "open camera, record" << "open recording" << file << true << false
        << "stop camera." << "" << unstream + "|stopRecording|released|playback thread";
    QTest::newRow("failed open over a recording camera: nothing left open")
        << "open camera, record" << "open recording fails" << none << false << false
        << "stop camera." << "" << unstream + "|stopRecording|released";
    QTest::newRow("recording opened beside a camera not streaming: camera kept, still recording")
        << "open camera, play, record" << "open recording" << file << true << true << "" << ""
        << "playback thread";
    QTest::newRow("failed open beside a camera not streaming: nothing left open")
        << "open camera, play, record" << "open recording fails" << none << false << false << "" << ""
        << "stopRecording|released";
    QTest::newRow("failed open over a playing recording: no old range left")
        << "open recording" << "open recording fails" << none << false << false << "" << "" << "join";
    QTest::newRow("another camera: the old one stops recording and goes")
        << "open camera, record" << "open camera" << live << true << false
        << "stop camera.|start camera." << ""
        << unstream + "|stopRecording|released|" + stream;
    QTest::newRow("failed camera open: the old camera goes")
        << "open camera" << "open camera fails" << none << false << false << "stop camera." << ""
        << unstream + "|released";
    QTest::newRow("camera: Record records")
        << "open camera, play" << "record" << live << false << true << "" << "" << "record take.raw";
    QTest::newRow("Record refused: unchecked, says why")
        << "open camera" << "record refused" << live << true << false << ""
        << "Recording did not start: disk full" << "record take.raw";
    QTest::newRow("recording: Record stops it")
        << "open camera, record" << "record" << live << true << false << "stop recording" << ""
        << "stopRecording";
    QTest::newRow("disk fills while recording: unchecked, says why")
        << "open camera, record" << "disk fills" << live << true << false << ""
        << "Recording stopped: disk full" << "stopRecording";
    QTest::newRow("camera unplugged while recording: both stop")
        << "open camera, record" << "unplug" << live << false << false << ""
        << "The camera was disconnected." << unstream + "|stopRecording";
    QTest::newRow("camera unplugged while a recording plays beside it: playback goes on")
        << "open camera, play, record, open recording" << "unplug" << file << true << false << ""
        << "The camera was disconnected." << "stopRecording";
    QTest::newRow("no camera: Record refuses")
        << "open recording" << "record" << file << true << false << "Please connect camera first." << ""
        << "";
    QTest::newRow("closing while streaming and recording: file complete, camera let go")
        << "open camera, record" << "close" << none << false << false << "stop camera." << ""
        << unstream + "|stopRecording|released";
    QTest::newRow("closing while playing")
        << "open recording" << "close" << none << false << false << "" << "" << "join";
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

    for (const QString& step : start.split(", ", Qt::SkipEmptyParts)) {
        perform(step);
    }
    QVERIFY2(notice.isEmpty(), qPrintable(notice));
    effects.clear();
    logLines.clear();
    perform(action);
    QCOMPARE(int(state->mode()), mode);
    QCOMPARE(state->flowing(), play);
    QCOMPARE(state->recording(), record);
    QCOMPARE(logLines.join('|'), log);
    QCOMPARE(notice, message);
    QCOMPARE(effects.join('|'), done);
}

QTEST_GUILESS_MAIN(TestSourceState)
#include "tst_sourcestate.moc"
