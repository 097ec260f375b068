// Recording playback of the main window: the playback thread and the timeline handlers.
#include "main_window/MainWidget.h"

#include <QtDebug>
#include <chrono>

#include "korvane/DvsFileReader.h"
#include "pipeline/formatTimestamp.h"
#include "pipeline/framePacing.h"
#include "ui_MainWidget.h"

namespace {

const std::chrono::microseconds tickPeriod(33333);
const uint64_t defaultStepUs = 30303;

void paint(EventFrameAccumulator& accumulator,
           const std::shared_ptr<std::vector<korvane::Event2D>>& slice) {
    accumulator.addEvents(slice->data(), slice->data() + slice->size());
}

}  // namespace

// Body of the playback thread. One read per tick of 33333 µs, measured from before the read; a
// late tick is not made up.
void playbackLoop(MainWidget* window) {
    const uint64_t generation = window->playbackGeneration;
    uint64_t step = defaultStepUs;
    while (window->running) {
        const auto tickStart = std::chrono::steady_clock::now();
        if (window->sourceMode == SourceMode::RecordingFile &&
            !window->playbackTick(generation, step)) {
            return;
        }
        std::this_thread::sleep_until(tickStart + tickPeriod);
    }
}

// Called on the playback thread; holds readerMutex. False when playback ends here.
bool MainWidget::playbackTick(uint64_t generation, uint64_t& step) {
    std::lock_guard<std::mutex> readerLock(readerMutex);
    const uint64_t sliceStart = playPosition;
    const auto slice = reader->readEventsAt(sliceStart, accumulationTime);
    step = playbackStepUs(playbackFrameRate, step);
    playPosition += step;
    if (slice) {
        paint(accumulator, slice);
        const uint64_t shown = slice->empty() ? sliceStart : slice->back().timestamp;
        lastShownPosition = shown;
        std::lock_guard<std::mutex> labelLock(labelMutex);
        QMetaObject::invokeMethod(
            this, [this, generation, shown] { showPlaybackPosition(generation, shown); },
            Qt::QueuedConnection);
        emit triggerEventsToShow();
        return true;
    }
    reader->seekTo(startTimestamp);
    playPosition = startTimestamp;
    if (loopPlayback) {
        return true;
    }
    QMetaObject::invokeMethod(
        this, [this, generation] { finishPlaybackAtEnd(generation); }, Qt::QueuedConnection);
    return false;
}

// GUI thread only. The end-of-recording request may only pause the playback it came from: the
// user may have paused, or paused and played again, since it was sent.
void MainWidget::finishPlaybackAtEnd(uint64_t generation) {
    if (running && generation == playbackGeneration && sourceMode == SourceMode::RecordingFile) {
        pausePlayback();
    }
}

// GUI thread only. Updates still queued when playback paused, stopped or jumped elsewhere are
// dropped, so they cannot overwrite the position that the user's action showed.
void MainWidget::showPlaybackPosition(uint64_t generation, uint64_t timestamp) {
    if (running && generation == playbackGeneration) {
        showPosition(timestamp);
    }
}

std::string MainWidget::positionText(uint64_t timestamp) const {
    return formatTimestamp(timestamp) + "/" + formatTimestamp(endTimestamp);
}

// GUI thread only. The handle is left alone while the user holds it.
void MainWidget::showPosition(uint64_t timestamp) {
    ui->label_time->setText(QString::fromStdString(positionText(timestamp)));
    if (!ui->slider_time->isSliderDown()) {
        ui->slider_time->setValue(timeline.toSliderValue(timestamp));
    }
}

bool MainWidget::recordingOpen() const {
    return sourceMode == SourceMode::RecordingFile && reader;
}

// GUI thread only; holds readerMutex.
void MainWidget::paintFromReadPosition() {
    if (const auto slice = reader->readEventsFor(accumulationTime)) {
        paint(accumulator, slice);
    }
}

void MainWidget::onSliderTimeTrackClick(int value) {
    if (!recordingOpen()) {
        return;
    }
    const uint64_t timestamp = timeline.toTimestamp(value);
    std::lock_guard<std::mutex> readerLock(readerMutex);
    if (!reader->seekTo(timestamp)) {
        qDebug() << "seek time err.";
        return;
    }
    {
        std::lock_guard<std::mutex> labelLock(labelMutex);
        ui->label_time->setText(QString::fromStdString(positionText(timestamp)));
    }
    playPosition = timestamp;
    paintFromReadPosition();
    if (!running) {
        emit triggerEventsToShow();
    }
}

void MainWidget::on_slider_time_sliderMoved(int position) {
    if (!recordingOpen()) {
        return;
    }
    const uint64_t timestamp = timeline.toTimestamp(position);
    std::lock_guard<std::mutex> readerLock(readerMutex);
    if (!reader->seekTo(timestamp)) {
        return;
    }
    {
        std::lock_guard<std::mutex> labelLock(labelMutex);
        ui->label_time->setText(QString::fromStdString(positionText(timestamp)));
    }
    playPosition = timestamp;
    if (!running) {
        paintFromReadPosition();
        emit triggerEventsToShow();
    }
}

void MainWidget::on_pb_prv_clicked() {
    if (!recordingOpen()) {
        return;
    }
    std::lock_guard<std::mutex> readerLock(readerMutex);
    const uint64_t slice = accumulationTime;
    const uint64_t position = playPosition;
    const bool fullSliceBack = position >= startTimestamp && position - startTimestamp >= slice;
    playPosition = fullSliceBack ? position - slice : startTimestamp;
    if (!reader->seekTo(playPosition)) {
        return;
    }
    {
        std::lock_guard<std::mutex> labelLock(labelMutex);
        showPosition(playPosition);
    }
    if (!running) {
        paintFromReadPosition();
        emit triggerEventsToShow();
    }
}

void MainWidget::on_pb_next_clicked() {
    if (!recordingOpen()) {
        return;
    }
    std::lock_guard<std::mutex> readerLock(readerMutex);
    const auto slice = reader->readEventsFor(accumulationTime);
    if (!slice) {
        return;
    }
    paint(accumulator, slice);
    playPosition += accumulationTime;
    emit triggerEventsToShow();
    std::lock_guard<std::mutex> labelLock(labelMutex);
    showPosition(playPosition);
}

void MainWidget::on_pb_stop_clicked() {
    if (!recordingOpen()) {
        return;
    }
    if (ui->pb_play->isChecked()) {
        on_pb_play_clicked();
    }
    reader->seekTo(startTimestamp);
    playPosition = startTimestamp;
    showPosition(startTimestamp);
    emit triggerEventsToShow();
}
