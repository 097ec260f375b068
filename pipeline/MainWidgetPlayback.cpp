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

}  // namespace

// Body of the playback thread. One read per tick of 33333 µs, measured from before the read; a
// late tick is not made up.
void playbackLoop(MainWidget* window, korvane::DvsFileReader* reader, uint64_t begin) {
    const uint64_t generation = window->playbackGeneration;
    uint64_t step = defaultStepUs;
    while (window->running) {
        const auto tickStart = std::chrono::steady_clock::now();
        if (!window->playbackTick(*reader, begin, generation, step)) {
            return;
        }
        std::this_thread::sleep_until(tickStart + tickPeriod);
    }
}

// GUI thread only.
void MainWidget::startPlayback() {
    running = true;
    ++playbackGeneration;
    ++positionEpoch;
    lastShownPosition = playPosition.load();
    playbackThread = std::thread(playbackLoop, this, sourceState.reader(), sourceState.beginTime());
}

// GUI thread only. Whatever produces frames is stopped and joined. Position updates the playback
// thread queued before are dropped; the display catches up with the last position shown.
void MainWidget::stopFrames() {
    running = false;
    if (liveThread.joinable()) {
        liveThread.join();
    }
    if (playbackThread.joinable()) {
        playbackThread.join();
        showPosition(lastShownPosition);
    }
}

// Called on the playback thread; holds readerMutex. False when playback ends here.
bool MainWidget::playbackTick(korvane::DvsFileReader& reader, uint64_t begin, uint64_t generation,
                              uint64_t& step) {
    std::lock_guard<std::mutex> readerLock(readerMutex);
    const uint64_t sliceStart = playPosition;
    const auto slice = reader.readEventsAt(sliceStart, accumulationTime);
    step = playbackStepUs(playbackFrameRate, step);
    playPosition += step;
    if (slice) {
        paintSlice(*slice);
        const uint64_t shown = slice->empty() ? sliceStart : slice->back().timestamp;
        const uint64_t epoch = positionEpoch;
        lastShownPosition = shown;
        std::lock_guard<std::mutex> labelLock(labelMutex);
        QMetaObject::invokeMethod(
            this, [this, epoch, shown] { showPlaybackPosition(epoch, shown); },
            Qt::QueuedConnection);
        handOffFrame();
        return true;
    }
    reader.seekTo(begin);
    playPosition = begin;
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
    if (running && generation == playbackGeneration &&
        sourceState.mode() == SourceMode::RecordingFile) {
        sourceState.pause();
        showSourceState();
    }
}

// GUI thread only. Updates queued before a pause, a stop or a seek are dropped, so they cannot
// overwrite the position that the user's action showed.
void MainWidget::showPlaybackPosition(uint64_t epoch, uint64_t timestamp) {
    if (running && epoch == positionEpoch) {
        showPosition(timestamp);
    }
}

// GUI thread, readerMutex held: the user moved the position to timestamp.
void MainWidget::seekShown(uint64_t timestamp) {
    ++positionEpoch;
    lastShownPosition = timestamp;
}

std::string MainWidget::positionText(uint64_t timestamp) const {
    return formatTimestamp(timestamp) + "/" + formatTimestamp(sourceState.endTime());
}

// GUI thread only. The handle is left alone while the user holds it.
void MainWidget::showPosition(uint64_t timestamp) {
    ui->label_time->setText(QString::fromStdString(positionText(timestamp)));
    if (!ui->slider_time->isSliderDown()) {
        ui->slider_time->setValue(timeline.toSliderValue(timestamp));
    }
}

bool MainWidget::recordingOpen() const {
    return sourceState.mode() == SourceMode::RecordingFile && sourceState.reader();
}

// Any thread that reads the recording; the slice covers one accumulation time, which the event
// rate counts.
void MainWidget::paintSlice(const std::vector<korvane::Event2D>& slice) {
    accumulator.addEvents(slice.data(), slice.data() + slice.size());
    paintedSpanUs += accumulationTime;
}

// GUI thread only; holds readerMutex.
void MainWidget::paintFromReadPosition() {
    if (const auto slice = sourceState.reader()->readEventsFor(accumulationTime)) {
        paintSlice(*slice);
    }
}

void MainWidget::onSliderTimeTrackClick(int value) {
    if (!recordingOpen()) {
        return;
    }
    const uint64_t timestamp = timeline.toTimestamp(value);
    std::lock_guard<std::mutex> readerLock(readerMutex);
    if (!sourceState.reader()->seekTo(timestamp)) {
        qDebug() << "seek time err.";
        return;
    }
    {
        std::lock_guard<std::mutex> labelLock(labelMutex);
        ui->label_time->setText(QString::fromStdString(positionText(timestamp)));
    }
    playPosition = timestamp;
    seekShown(timestamp);
    paintFromReadPosition();
    if (!sourceState.flowing()) {
        emit triggerEventsToShow();
    }
}

void MainWidget::on_slider_time_sliderMoved(int position) {
    if (!recordingOpen()) {
        return;
    }
    const uint64_t timestamp = timeline.toTimestamp(position);
    std::lock_guard<std::mutex> readerLock(readerMutex);
    if (!sourceState.reader()->seekTo(timestamp)) {
        return;
    }
    {
        std::lock_guard<std::mutex> labelLock(labelMutex);
        ui->label_time->setText(QString::fromStdString(positionText(timestamp)));
    }
    playPosition = timestamp;
    seekShown(timestamp);
    if (!sourceState.flowing()) {
        paintFromReadPosition();
        emit triggerEventsToShow();
    }
}

void MainWidget::on_pb_prv_clicked() {
    stepBackward();
}

void MainWidget::stepBackward() {
    if (!recordingOpen()) {
        return;
    }
    std::lock_guard<std::mutex> readerLock(readerMutex);
    const uint64_t begin = sourceState.beginTime();
    const uint64_t slice = accumulationTime;
    const uint64_t position = playPosition;
    const bool fullSliceBack = position >= begin && position - begin >= slice;
    playPosition = fullSliceBack ? position - slice : begin;
    if (!sourceState.reader()->seekTo(playPosition)) {
        return;
    }
    seekShown(playPosition);
    {
        std::lock_guard<std::mutex> labelLock(labelMutex);
        showPosition(playPosition);
    }
    if (!sourceState.flowing()) {
        paintFromReadPosition();
        emit triggerEventsToShow();
    }
}

void MainWidget::on_pb_next_clicked() {
    stepForward();
}

void MainWidget::stepForward() {
    if (!recordingOpen()) {
        return;
    }
    std::lock_guard<std::mutex> readerLock(readerMutex);
    const auto slice = sourceState.reader()->readEventsFor(accumulationTime);
    if (!slice) {
        return;
    }
    paintSlice(*slice);
    playPosition += accumulationTime;
    seekShown(playPosition);
    emit triggerEventsToShow();
    std::lock_guard<std::mutex> labelLock(labelMutex);
    showPosition(playPosition);
}

void MainWidget::on_pb_stop_clicked() {
    stopAndRewind();
}

void MainWidget::stopAndRewind() {
    if (!recordingOpen()) {
        return;
    }
    sourceState.pause();
    showSourceState();
    const uint64_t begin = sourceState.beginTime();
    sourceState.reader()->seekTo(begin);
    playPosition = begin;
    seekShown(begin);
    showPosition(begin);
    emit triggerEventsToShow();
}
