// Source control of the main window: the open flows and the Play action. What is open and what
// runs is decided by the source state; these flows ask it, and show the answer.
#include "main_window/MainWidget.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QtDebug>

#include "app/AppConfig.h"
#include "dialogs/CamerasList.h"
#include "dialogs/KVMessageBox.h"
#include "dialogs/WaitingWin.h"
#include "dialogs/WorkerThread.h"
#include "korvane/DvsFileReader.h"
#include "main_window/ShowImageForm.h"
#include "pipeline/RecordingLoad.h"
#include "pipeline/sensorCanvas.h"
#include "settings/SettingUI.h"
#include "ui_MainWidget.h"

using korvane::CameraDescription;
using korvane::DvsFileReader;

void MainWidget::openCamera() {
    sourceState.pause();
    sourceState.dropRecording();
    showSourceState();

    qDebug() << "Search cameras ...";
    std::vector<CameraDescription> descriptions = cameraManager.getCameraDescs();
    qDebug().noquote() << "Search end ... find: " + QString::number(descriptions.size());

    CamerasList dialog(descriptions, this);
    QString serial;
    if (dialog.exec() == QDialog::Accepted && dialog.getSelectedCamera(serial)) {
        qDebug().noquote() << "Select camera: " + serial;
        QSize sensor = EventFrameAccumulator::defaultSize;
        for (const CameraDescription& description : descriptions) {
            if (QString::fromStdString(description.serial) == serial) {
                sensor = canvasSizeFor(description.width, description.height);
            }
        }
        openCameraSerial(serial, sensor);
    }
    settingUI->setBiasesToolToInitUI(sourceState.camera());
}

// The camera opens on a worker thread while the waiting window turns; the window changes only
// here, on the GUI thread, once it is open.
void MainWidget::openCameraSerial(const QString& serial, QSize sensor) {
    std::shared_ptr<korvane::DvsCamera> opened;
    runOpenTask([this, serial, &opened] {
        opened = cameraManager.openCamera(serial.toUtf8().toStdString());
    });
    if (!opened) {
        qDebug().noquote() << "Open camera: " + serial + " failed.";
        failOpen(tr("The camera %1 could not be opened.").arg(serial));
        return;
    }
    sourceState.openCamera(std::move(opened));
    cameraSerial = serial;
    useCanvas(sensor);
    lastEventTimestamp = noLiveEvent;
    emit setShowCameraLiveUI(true);
    emit resetShowCameraFormTitle(true);
    emit toShowCameraSerial(serial);
    sourceState.play();
    showSourceState();
}

void MainWidget::openRecording() {
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Select a raw file"), config->inputRawFilePath, tr("RAW files (*.raw)"));
    if (!path.isEmpty()) {
        openRecordingFile(path);
    }
}

void MainWidget::openRecordingFile(const QString& path) {
    config->inputRawFilePath = QFileInfo(path).path();
    if (sourceState.flowing()) {
        sourceState.pause();
        sourceState.releaseCamera();
    }
    sourceState.dropRecording();
    std::unique_ptr<DvsFileReader> reader =
        DvsFileReader::createFileReader(path.toLocal8Bit().toStdString());
    if (!reader) {
        qDebug() << "not raw file.";
        const QString name = QFileInfo(path).fileName();
        failOpen(QFileInfo(path).isReadable() ? tr("%1 is not a recording.").arg(name)
                                              : tr("%1 cannot be read.").arg(name));
        return;
    }
    RecordingLoad load;
    runOpenTask([&reader, &load] { load = loadRecording(*reader); });
    if (!load.loaded()) {
        failOpen(QString::fromStdString(load.failure));
        return;
    }
    sourceState.openRecording(std::move(reader), load);
    recordingPath = path;
    recordingFacts = korvane::RawFileInfo();
    recordingInfo(sourceState.reader(), recordingFacts);
    useCanvas(recordingCanvasSize(recordingFacts));
    rateMeter.clear();
    paintedSpanUs = 0;
    playPosition = load.begin;
    emit setShowCameraLiveUI(false);
    emit resetShowCameraFormTitle(false);
    showOpenedRecording();
    sourceState.play();
    showSourceState();
    settingUI->setBiasesToolToInitUI(nullptr);
}

void MainWidget::showOpenedRecording() {
    ui->label_time->setText(QString::fromStdString(positionText(sourceState.beginTime())));
    timeline = TimelineScale(sourceState.beginTime(), sourceState.endTime());
    ui->slider_time->setMinimum(0);
    ui->slider_time->setMaximum(timeline.maximum());
}

// Nothing stays open after a failed open, and the play bar and labels look as they did at
// start, so that nothing shown belongs to a source that is gone.
void MainWidget::failOpen(const QString& reason) {
    sourceState.failOpen();
    rateMeter.clear();
    showSourceState();
    emit setShowCameraLiveUI(false);
    emit resetShowCameraFormTitle(false);
    timeline = TimelineScale();
    useCanvas(EventFrameAccumulator::defaultSize);
    ui->slider_time->setRange(0, initialSliderMaximum);
    ui->slider_time->setValue(0);
    ui->label_time->setText(initialTimeText);
    emit triggerEventsToShow();  // nothing is painted any more: the view goes blank
    settingUI->setBiasesToolToInitUI(nullptr);
    tell(reason);
}

// Returns once the task has finished, even when the waiting window was closed early with
// Escape: the flows go on with what the task opened.
// QThread::wait orders the task's writes before what follows, through Qt's own locks only; the
// flag orders them where the thread sanitizer sees it too.
void MainWidget::runOpenTask(std::function<void()> task) {
    std::atomic<bool> done{false};
    WaitingWin waiting(showImageForm);
    WorkerThread worker(
        [&task, &done] {
            task();
            done.store(true, std::memory_order_release);
        },
        nullptr);
    connect(&worker, &WorkerThread::taskCompleted, &waiting, &WaitingWin::close);
    worker.start(QThread::InheritPriority);
    waiting.exec();
    worker.wait();
    // The waiting window has no parent, so nothing hands the keyboard back to this window.
    if (isVisible()) {
        activateWindow();
    }
    done.load(std::memory_order_acquire);
}

void MainWidget::tell(const QString& message) {
    KVMessageBox box(message, tr("Tips"), this, KVMessageBox::Buttons::Ok);
    box.exec();
}

// The buttons show the state; a click has toggled them already, so they are set every time.
void MainWidget::showSourceState() {
    ui->pb_play->setChecked(sourceState.flowing());
    ui->pb_record->setChecked(sourceState.recording());
}

// A recording that fails on the way, or a camera that goes away, is seen within the period; not
// while another dialog is up, where a box would land on top of it.
void MainWidget::checkSource() {
    if (QApplication::activeModalWidget() != nullptr) {
        return;
    }
    const std::string notice = sourceState.check();
    if (notice.empty()) {
        return;
    }
    showSourceState();
    qDebug().noquote() << QString::fromStdString(notice);
    tell(QString::fromStdString(notice));
}

void MainWidget::on_pb_play_clicked() {
    togglePlay();
}

void MainWidget::togglePlay() {
    sourceState.togglePlay();
    showSourceState();
}
