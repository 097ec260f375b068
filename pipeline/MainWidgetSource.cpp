// Source control of the main window: opening a camera or a recording, and the Play action.
#include "main_window/MainWidget.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QtDebug>

#include "app/AppConfig.h"
#include "dialogs/CamerasList.h"
#include "dialogs/WaitingWin.h"
#include "dialogs/WorkerThread.h"
#include "korvane/DvsFileReader.h"
#include "main_window/ShowImageForm.h"
#include "settings/SettingUI.h"
#include "ui_MainWidget.h"

using korvane::CameraDescription;
using korvane::DvsFileReader;

// GUI thread only.
void MainWidget::openCamera() {
    if (ui->pb_play->isChecked()) {
        ui->pb_play->click();
    }
    reader.reset();

    qDebug() << "Search cameras ...";
    std::vector<CameraDescription> descriptions = cameraManager.getCameraDescs();
    qDebug().noquote() << "Search end ... find: " + QString::number(descriptions.size());

    CamerasList dialog(std::move(descriptions), this);
    QString serial;
    if (dialog.exec() == QDialog::Accepted && dialog.getSelectedCamera(serial)) {
        qDebug().noquote() << "Select camera: " + serial;
        runOpenTask([this, serial] { openCameraTask(serial); });
    }
    settingUI->setBiasesToolToInitUI(camera);
}

// Called on the worker thread while the GUI thread waits in the waiting window.
void MainWidget::openCameraTask(const QString& serial) {
    camera = cameraManager.openCamera(serial.toUtf8().toStdString());
    if (!camera) {
        qDebug().noquote() << "Open camera: " + serial + " failed.";
        return;
    }
    sourceMode = SourceMode::LiveCamera;
    emit setShowCameraLiveUI(true);
    emit resetShowCameraFormTitle(true);
    emit toShowCameraSerial(serial);
    QMetaObject::invokeMethod(ui->pb_play, &QPushButton::click, Qt::QueuedConnection);
}

// GUI thread only.
void MainWidget::openRecording() {
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Select a raw file"), config->inputRawFilePath, tr("RAW files (*.raw)"));
    if (path.isEmpty()) {
        return;
    }
    config->inputRawFilePath = QFileInfo(path).path();
    if (ui->pb_play->isChecked()) {
        ui->pb_play->click();
        camera.reset();
    }
    reader.reset();
    reader = DvsFileReader::createFileReader(path.toLocal8Bit().toStdString());
    recordingPath = path;
    if (!reader) {
        qDebug() << "not raw file.";
        return;
    }
    runOpenTask([this] { openRecordingTask(); });
    settingUI->setBiasesToolToInitUI(nullptr);
}

// Called on the worker thread while the GUI thread waits in the waiting window.
void MainWidget::openRecordingTask() {
    reader->loadFile();
    sourceMode = SourceMode::RecordingFile;
    reader->getBeginTime(startTimestamp);
    reader->getEndTime(endTimestamp);
    playPosition = startTimestamp;
    emit setShowCameraLiveUI(false);
    emit resetShowCameraFormTitle(false);
    QMetaObject::invokeMethod(
        this,
        [this] {
            ui->label_time->setText(QString::fromStdString(positionText(startTimestamp)));
            timeline = TimelineScale(startTimestamp, endTimestamp);
            ui->slider_time->setMinimum(0);
            ui->slider_time->setMaximum(timeline.maximum());
            ui->pb_play->click();
        },
        Qt::QueuedConnection);
}

// GUI thread only. Returns once the task has finished, even when the waiting window was closed
// early with Escape: the flows go on with what the task opened.
void MainWidget::runOpenTask(std::function<void()> task) {
    WaitingWin waiting(showImageForm);
    WorkerThread worker(std::move(task), nullptr);
    connect(&worker, &WorkerThread::taskCompleted, &waiting, &WaitingWin::close);
    worker.start(QThread::InheritPriority);
    waiting.exec();
    worker.wait();
}

// GUI thread only. The button's checked state is set here in every branch: the click that led
// here has already toggled it.
void MainWidget::on_pb_play_clicked() {
    switch (sourceMode.load()) {
        case SourceMode::LiveCamera:
            toggleLive();
            break;
        case SourceMode::RecordingFile:
            togglePlayback();
            break;
        case SourceMode::None:
            ui->pb_play->setChecked(false);
            break;
    }
}

void MainWidget::toggleLive() {
    if (!camera || !camera->isConnected()) {
        // A camera that went away while streaming must not keep the live thread running.
        stopLive();
        qDebug() << "Please connect camera first.";
        ui->pb_play->setChecked(false);
        return;
    }
    if (running) {
        stopLive();
        ui->pb_play->setChecked(false);
        qDebug() << "stop camera.";
        return;
    }
    qDebug() << "start camera.";
    camera->setTimeInterval(accumulationTime);
    camera->startStream();
    running = true;
    liveThread = std::thread(liveLoop, this);
    ui->pb_play->setChecked(true);
}

void MainWidget::stopLive() {
    if (!liveThread.joinable()) {
        return;
    }
    running = false;
    liveThread.join();
    if (camera) {
        camera->releaseEventHandle(liveHandle);
        camera->stopStream();
    }
}

void MainWidget::togglePlayback() {
    if (!reader) {
        qDebug() << "Please load file first.";
        ui->pb_play->setChecked(false);
        return;
    }
    if (running) {
        pausePlayback();
        return;
    }
    running = true;
    ui->pb_play->setChecked(true);
    ++playbackGeneration;
    lastShownPosition = playPosition.load();
    playbackThread = std::thread(playbackLoop, this);
}

// Updates the thread queued before the pause are dropped; the position display catches up with
// the last frame it painted.
void MainWidget::pausePlayback() {
    ui->pb_play->setChecked(false);
    running = false;
    if (playbackThread.joinable()) {
        playbackThread.join();
        showPosition(lastShownPosition);
    }
}

// GUI thread only. Whatever produces frames is stopped and joined, whatever the Play button shows.
void MainWidget::stopFrameThreads() {
    if (ui->pb_play->isChecked()) {
        on_pb_play_clicked();
    }
    stopLive();
    pausePlayback();
}
