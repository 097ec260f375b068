// Live streaming and recording of the main window.
#include "main_window/MainWidget.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QtDebug>
#include <chrono>
#include <thread>

#include "app/AppConfig.h"
#include "pipeline/framePacing.h"
#include "pipeline/recordingFileName.h"
#include "ui_MainWidget.h"

namespace {

const uint32_t defaultPeriodMs = 30;

}  // namespace

// Body of the live thread: fetch the newest batch, paint it, signal, then wait one frame period
// after the work. Holds a reference to the camera so that it outlives the loop.
void liveLoop(MainWidget* window) {
    const std::shared_ptr<korvane::DvsCamera> camera = window->camera;
    uint32_t periodMs = defaultPeriodMs;
    while (window->running) {
        camera->fetchEvents(window->eventBuffer);
        const std::vector<korvane::Event2D>& batch = window->eventBuffer;
        if (!batch.empty()) {
            window->accumulator.addEvents(batch.data(), batch.data() + batch.size());
            window->lastEventTimestamp = batch.back().timestamp;
        }
        emit window->triggerEventsToShow();
        periodMs = livePeriodMs(window->frameRate, periodMs);
        if (periodMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(periodMs));
        }
    }
}

// GUI thread only. Recording is independent of streaming: it needs a connected camera only.
void MainWidget::on_pb_record_clicked() {
    if (!camera || !camera->isConnected()) {
        qDebug() << "Please connect camera first.";
        ui->pb_record->setChecked(false);
        return;
    }
    if (recording) {
        qDebug() << "stop recording";
        recording = false;
        ui->pb_record->setChecked(false);
        camera->stopRecording();
        return;
    }
    recording = true;
    const QString defaultPath =
        defaultRecordingPath(config->outputRawFilePath, QDateTime::currentDateTime());
    const QString path = QFileDialog::getSaveFileName(this, tr("Save As"), defaultPath,
                                                      tr("Curve TagName Files (*.raw)"));
    if (path.isEmpty()) {
        ui->pb_record->setChecked(false);
        recording = false;
        return;
    }
    camera->startRecording(path.toLocal8Bit().toStdString());
    ui->pb_record->setChecked(true);
    config->outputRawFilePath = QFileInfo(path).path();
}

// GUI thread only (direct connection from the settings panel).
void MainWidget::setFrameRate(uint32_t fps) {
    frameRate = static_cast<uint16_t>(fps);
    playbackFrameRate = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(fps)));
}

// GUI thread only (direct connection from the settings panel).
void MainWidget::setAccumulationTime(uint64_t time_us) {
    if (camera) {
        camera->setTimeInterval(time_us);
    }
    accumulationTime = time_us;
    qDebug().noquote() << "set dvs time interval: " + QString::number(accumulationTime);
}
