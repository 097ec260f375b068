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

// Body of the live thread: fetch the newest batch, paint it, hand the frame over, then wait one
// frame period after the work. A camera with nothing new is asked again a millisecond later at
// the earliest, whatever the frame rate, so the loop never spins.
void liveLoop(MainWidget* window, std::shared_ptr<korvane::DvsCamera> camera) {
    uint32_t periodMs = defaultPeriodMs;
    while (window->running) {
        camera->fetchEvents(window->eventBuffer);
        const std::vector<korvane::Event2D>& batch = window->eventBuffer;
        if (!batch.empty()) {
            window->accumulator.addEvents(batch.data(), batch.data() + batch.size());
            window->lastEventTimestamp = batch.back().timestamp;
            window->handOffFrame();
        }
        periodMs = livePeriodMs(window->frameRate, periodMs);
        const uint32_t waitMs = batch.empty() ? std::max(periodMs, 1u) : periodMs;
        if (waitMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        }
    }
}

// GUI thread only.
void MainWidget::startLive(std::shared_ptr<korvane::DvsCamera> camera) {
    rateMeter.clear();
    lastTake = std::chrono::steady_clock::now();
    running = true;
    liveThread = std::thread(liveLoop, this, std::move(camera));
}

// GUI thread only. Recording is independent of streaming: it needs a connected camera only.
void MainWidget::on_pb_record_clicked() {
    toggleRecording();
}

// The button shows recording only once the camera has said yes; the folder is remembered only
// then.
void MainWidget::toggleRecording() {
    if (sourceState.recordClicked() != SourceState::RecordStep::AskForPath) {
        showSourceState();
        return;
    }
    const QString path = askRecordingPath();
    if (path.isEmpty()) {
        showSourceState();
        return;
    }
    const std::string refusal = sourceState.startRecording(path.toLocal8Bit().toStdString());
    showSourceState();
    if (!refusal.empty()) {
        qDebug().noquote() << QString::fromStdString(refusal);
        tell(QString::fromStdString(refusal));
        return;
    }
    config->outputRawFilePath = QFileInfo(path).path();
}

// A name typed without an ending gets ".raw", so that the open dialog's filter shows the file.
QString MainWidget::askRecordingPath() {
    QFileDialog dialog(
        this, tr("Save As"),
        defaultRecordingPath(config->outputRawFilePath, QDateTime::currentDateTime()),
        tr("Curve TagName Files (*.raw)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("raw");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().constFirst();
}

// GUI thread only (direct connection from the settings panel).
void MainWidget::setFrameRate(uint32_t fps) {
    frameRate = static_cast<uint16_t>(fps);
    playbackFrameRate = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(fps)));
}

// GUI thread only (direct connection from the settings panel).
void MainWidget::setAccumulationTime(uint64_t time_us) {
    sourceState.setCameraInterval(time_us);
    accumulationTime = time_us;
    qDebug().noquote() << "set dvs time interval: " + QString::number(accumulationTime);
}
