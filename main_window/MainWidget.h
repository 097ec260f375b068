#pragma once

#include <atomic>
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
#include "pipeline/EventFrameAccumulator.h"
#include "pipeline/SourceMode.h"
#include "pipeline/TimelineScale.h"

class QAction;
class QMenu;
class AppConfig;
class SettingUI;
class ShowImageForm;

namespace Ui {
class MainWidget;
}

class MainWidget;

// Bodies of the playback and live threads.
void playbackLoop(MainWidget* window);
void liveLoop(MainWidget* window);

// The only top-level window: title bar with menus, side panel, frame view and play bar. It owns
// the source (camera or recording) and the threads that turn it into frames.
class MainWidget : public QFramelessWidget {
    Q_OBJECT

    friend void playbackLoop(MainWidget* window);
    friend void liveLoop(MainWidget* window);

public:
    explicit MainWidget(QWidget* parent = nullptr);
    ~MainWidget() override;

    // Producers paint here, then emit triggerEventsToShow.
    EventFrameAccumulator& frameAccumulator() { return accumulator; }
    // The open camera, empty when there is none. GUI thread only.
    std::shared_ptr<korvane::DvsCamera> currentCamera() const { return camera; }

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
    void showEvent(QShowEvent* event) override;

    QMenu* buildMenu(const QString& styleSheet);
    void buildMenus();
    void setupFrames();
    void connectSettings();

    void openCamera();
    void openCameraTask(const QString& serial);
    void openRecording();
    void openRecordingTask();
    void runOpenTask(std::function<void()> task);
    void toggleLive();
    void stopLive();
    void togglePlayback();
    void pausePlayback();
    void stopFrameThreads();

    bool playbackTick(uint64_t generation, uint64_t& step);
    void finishPlaybackAtEnd(uint64_t generation);
    std::string positionText(uint64_t timestamp) const;
    void showPosition(uint64_t timestamp);
    void showPlaybackPosition(uint64_t generation, uint64_t timestamp);
    bool recordingOpen() const;
    void paintFromReadPosition();

    void showRateWindow();
    void setFrameRate(uint32_t fps);
    void setAccumulationTime(uint64_t time_us);

    Ui::MainWidget* ui = nullptr;
    QMenu* fileMenu = nullptr;
    QMenu* deviceMenu = nullptr;
    QMenu* helpMenu = nullptr;
    AppConfig* config = nullptr;
    korvane::DvsCameraManager cameraManager;
    std::shared_ptr<korvane::DvsCamera> camera;
    // Handed to releaseEventHandle when the stream stops; the cameras need no particular value.
    uint32_t liveHandle = 0;
    EventFrameAccumulator accumulator;
    std::atomic<uint64_t> lastEventTimestamp{0};
    std::unique_ptr<korvane::DvsFileReader> reader;
    QString recordingPath;
    uint64_t startTimestamp = 0;
    uint64_t endTimestamp = 0;
    std::atomic<uint64_t> playPosition{0};
    std::atomic<uint64_t> playbackFrameRate{33};
    std::atomic<uint64_t> accumulationTime{33333};
    std::thread playbackThread;
    ShowImageForm* showImageForm = nullptr;
    std::atomic<bool> running{false};
    std::mutex labelMutex;
    std::mutex readerMutex;
    bool recording = false;
    std::thread liveThread;
    std::atomic<uint16_t> frameRate{33};
    std::atomic<SourceMode> sourceMode{SourceMode::None};
    std::vector<korvane::Event2D> eventBuffer;
    // Slider values of the open recording.
    TimelineScale timeline;
    // Mirrors pb_loop for the playback thread, which must not read widgets.
    std::atomic<bool> loopPlayback{false};
    // Counts playback starts, so that a late end-of-recording request can tell it is stale.
    std::atomic<uint64_t> playbackGeneration{0};
    // Time shown with the playback thread's latest frame.
    std::atomic<uint64_t> lastShownPosition{0};
    SettingUI* settingUI = nullptr;
};
