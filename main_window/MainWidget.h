#pragma once

#include <QKeySequence>
#include <QSize>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/QFramelessWidget.h"
#include "korvane/DvsCamera.h"
#include "korvane/DvsCameraManager.h"
#include "korvane/DvsFileReader.h"
#include "korvane/Event2D.h"
#include "korvane/RawFileInfo.h"
#include "pipeline/EventFrameAccumulator.h"
#include "pipeline/EventRateMeter.h"
#include "pipeline/FrameProducer.h"
#include "pipeline/SourceState.h"
#include "pipeline/TimelineScale.h"

class QAction;
class QActionGroup;
class QMenu;
class QShortcut;
class QTimer;
class AppConfig;
class SettingUI;
class ShowImageForm;

namespace Ui {
class MainWidget;
}

class MainWidget;

// Bodies of the playback and live threads.
void playbackLoop(MainWidget* window, korvane::DvsFileReader* reader, uint64_t begin);
void liveLoop(MainWidget* window, std::shared_ptr<korvane::DvsCamera> camera);

// The only top-level window: title bar with menus, side panel, frame view and play bar. It owns
// the source state and the threads that turn the source into frames. Each user action is one
// public call, whatever triggers it (button, menu, key).
class MainWidget : public QFramelessWidget, private FrameProducer {
    Q_OBJECT

    friend void playbackLoop(MainWidget* window, korvane::DvsFileReader* reader, uint64_t begin);
    friend void liveLoop(MainWidget* window, std::shared_ptr<korvane::DvsCamera> camera);

public:
    explicit MainWidget(QWidget* parent = nullptr);
    ~MainWidget() override;

    // Producers paint here, then hand the frame over with handOffFrame.
    EventFrameAccumulator& frameAccumulator() { return accumulator; }
    // GUI thread only.
    const SourceState& source() const { return sourceState; }
    std::shared_ptr<korvane::DvsCamera> currentCamera() const { return sourceState.camera(); }

    // User actions. GUI thread only.
    void openCamera();
    // Asks for a recording, then opens it as openRecordingFile does.
    void openRecording();
    // Opens path in place of the current source, with the waiting window; a failure leaves no
    // source and says why. The folder is remembered for the next question.
    void openRecordingFile(const QString& path);
    void togglePlay();
    void stopAndRewind();
    void stepBackward();
    void stepForward();
    void toggleLoop();
    void toggleRecording();
    // The frame shown: saved as a PNG at the canvas size, or copied to the clipboard.
    void saveFrame();
    void copyFrame();
    void fitFrame();
    void zoomIn();
    void zoomOut();
    void toggleMaximized();
    void quit();
    void toggleOverlay();
    // One of FramePalette's names; an unknown one gives the default colours.
    void choosePalette(const QString& name);
    void showRecordingInfo();

signals:
    void triggerEventsToShow();
    void resetShowCameraFormTitle(bool show);
    void toShowCameraSerial(QString str);
    void toShowCameraTimestamp(uint64_t timestamp_us);
    void setShowCameraLiveUI(bool en);

public slots:
    void getEventsToShow();

private slots:
    void showCameraPlayingUI(bool en);
    void on_pb_record_clicked();
    void on_pb_prv_clicked();
    void on_pb_play_clicked();
    void on_pb_stop_clicked();
    void on_pb_win_min_clicked();
    void on_pb_win_close_clicked();
    void openActionSlot(QAction* action);
    void on_pb_loop_clicked();
    void on_pb_next_clicked();
    void onSliderTimeTrackClick(int value);
    void on_slider_time_sliderMoved(int position);
    void on_slider_time_sliderPressed();
    void setShowTitleInfo(bool show);
    void showCameraSerial(QString str);
    void showTimeStamp(uint64_t timestamp_us);
    void on_pb_win_max_clicked(bool checked);
    void on_pb_win_max_clicked();
    void maximizedChanged(bool max);
    void on_pb_fold_setting_clicked(bool checked);

private:
    using Action = void (MainWidget::*)();
    // One key and the user action it runs; the play-bar button that does the same, if any.
    struct KeyBinding {
        Action action;
        QKeySequence key;
        const char* button;
        const char* tip;
    };
    static const std::vector<KeyBinding>& keyBindings();

    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    QMenu* buildMenu(const QString& styleSheet);
    void buildMenus();
    void setupFrames();
    void connectSettings();
    void buildShortcuts();
    void followFocus(QWidget* now);
    QKeySequence keyOf(Action action) const;
    void buildContextMenu();
    QAction* addFrameEntry(const QString& text, Action action);

    void openCameraSerial(const QString& serial, QSize sensor);
    void showOpenedRecording();
    void failOpen(const QString& reason);
    void runOpenTask(std::function<void()> task);
    void tell(const QString& message);
    void showSourceState();
    void checkSource();
    QString askRecordingPath();

    void startLive(std::shared_ptr<korvane::DvsCamera> camera) override;
    void startPlayback() override;
    void stopFrames() override;
    void handOffFrame();

    bool playbackTick(korvane::DvsFileReader& reader, uint64_t begin, uint64_t generation,
                      uint64_t& step);
    void finishPlaybackAtEnd(uint64_t generation);
    std::string positionText(uint64_t timestamp) const;
    void showPosition(uint64_t timestamp);
    void showPlaybackPosition(uint64_t epoch, uint64_t timestamp);
    void seekShown(uint64_t timestamp);
    bool recordingOpen() const;
    void paintFromReadPosition();
    void paintSlice(const std::vector<korvane::Event2D>& slice);

    void useCanvas(QSize size);
    void countShownFrame();
    void refreshOverlay();
    QString frameSource() const;

    void showRateWindow();
    void setFrameRate(uint32_t fps);
    void setAccumulationTime(uint64_t time_us);

    Ui::MainWidget* ui = nullptr;
    QMenu* fileMenu = nullptr;
    QMenu* deviceMenu = nullptr;
    QMenu* helpMenu = nullptr;
    AppConfig* config = nullptr;
    korvane::DvsCameraManager cameraManager;
    EventFrameAccumulator accumulator;
    // Time of the newest live event; noLiveEvent until the open camera delivered one.
    static constexpr uint64_t noLiveEvent = UINT64_MAX;
    std::atomic<uint64_t> lastEventTimestamp{noLiveEvent};
    // Path of the open recording, for the windows that read it on their own.
    QString recordingPath;
    // What its header and loading found.
    korvane::RawFileInfo recordingFacts;
    QString cameraSerial;
    // Recording time painted since the last frame was taken, for the event rate.
    std::atomic<uint64_t> paintedSpanUs{0};
    std::chrono::steady_clock::time_point lastTake;
    EventRateMeter rateMeter;
    bool overlayShown = false;
    QTimer* overlayTimer = nullptr;
    QAction* overlayAction = nullptr;
    QActionGroup* paletteGroup = nullptr;
    std::vector<QShortcut*> shortcuts;
    // Ended first thing in the destructor: focus moves while the children go.
    QMetaObject::Connection focusWatch;
    std::atomic<uint64_t> playPosition{0};
    std::atomic<uint64_t> playbackFrameRate{33};
    std::atomic<uint64_t> accumulationTime{33333};
    std::thread playbackThread;
    ShowImageForm* showImageForm = nullptr;
    // The frame threads' stop flag; the source state decides when they run.
    std::atomic<bool> running{false};
    std::mutex labelMutex;
    std::mutex readerMutex;
    std::thread liveThread;
    std::atomic<uint16_t> frameRate{33};
    std::vector<korvane::Event2D> eventBuffer;
    // A frame handed to the GUI thread and not yet taken: at most one is ever queued.
    std::atomic<bool> frameQueued{false};
    // Slider values of the open recording.
    TimelineScale timeline;
    // Mirrors pb_loop for the playback thread, which must not read widgets.
    std::atomic<bool> loopPlayback{false};
    // Counts playback starts, so that a late end-of-recording request can tell it is stale.
    std::atomic<uint64_t> playbackGeneration{0};
    // Counts playback starts and seeks: a position update queued before either is dropped.
    std::atomic<uint64_t> positionEpoch{0};
    // The position the user last saw, by the playback thread's latest frame or a seek.
    std::atomic<uint64_t> lastShownPosition{0};
    // Notices a recording that fails on the way and a camera that goes away.
    QTimer* sourceWatch = nullptr;
    // The play bar as the form starts it, for a failed open to return to.
    QString initialTimeText;
    int initialSliderMaximum = 0;
    SettingUI* settingUI = nullptr;
    SourceState sourceState{*this};
};
