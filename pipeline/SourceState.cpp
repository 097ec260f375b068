#include "pipeline/SourceState.h"

#include <QtDebug>

#include "korvane/RecordingStatus.h"

namespace {

// Handed to releaseEventHandle when the stream stops; the cameras need no particular value.
const uint32_t liveHandle = 0;

}  // namespace

SourceState::SourceState(FrameProducer& producer) : producer(producer) {}

bool SourceState::cameraUsable() const {
    return openedCamera && openedCamera->isConnected();
}

void SourceState::openCamera(std::shared_ptr<korvane::DvsCamera> camera) {
    releaseCamera();
    openedReader.reset();
    openedCamera = std::move(camera);
    sourceMode = SourceMode::LiveCamera;
}

void SourceState::openRecording(std::unique_ptr<korvane::DvsFileReader> reader,
                                const RecordingLoad& load) {
    openedReader = std::move(reader);
    range = load;
    sourceMode = SourceMode::RecordingFile;
}

void SourceState::failOpen() {
    pause();
    releaseCamera();
    dropRecording();
    range = RecordingLoad();
    sourceMode = SourceMode::None;
}

void SourceState::releaseCamera() {
    if (!openedCamera) {
        return;
    }
    if (sourceMode == SourceMode::LiveCamera && framesFlow) {
        stopStream();
    }
    endRecording();
    openedCamera.reset();
}

void SourceState::dropRecording() {
    if (sourceMode == SourceMode::RecordingFile && framesFlow) {
        pause();
    }
    openedReader.reset();
}

// The Play action: the mode decides, never what the button shows.
void SourceState::togglePlay() {
    switch (sourceMode) {
        case SourceMode::LiveCamera:
            if (!cameraUsable()) {
                loseCamera();
                qDebug() << "Please connect camera first.";
            } else if (framesFlow) {
                stopStream();
            } else {
                startStream();
            }
            break;
        case SourceMode::RecordingFile:
            if (!openedReader) {
                qDebug() << "Please load file first.";
            } else if (framesFlow) {
                framesFlow = false;
                producer.stopFrames();
            } else {
                framesFlow = true;
                producer.startPlayback();
            }
            break;
        case SourceMode::None:
            break;
    }
}

void SourceState::play() {
    if (!framesFlow) {
        togglePlay();
    }
}

void SourceState::pause() {
    if (framesFlow) {
        togglePlay();
    }
}

SourceState::RecordStep SourceState::recordClicked() {
    if (!cameraUsable()) {
        qDebug() << "Please connect camera first.";
        return RecordStep::Refused;
    }
    if (recording()) {
        stopRecording();
        return RecordStep::Stopped;
    }
    return RecordStep::AskForPath;
}

std::string SourceState::startRecording(const std::string& path) {
    if (!cameraUsable()) {
        return "The camera is not connected.";
    }
    if (!openedCamera->startRecording(path)) {
        korvane::RecordingStatus status;
        const bool told = korvane::recordingStatus(*openedCamera, status) && !status.reason.empty();
        return "Recording did not start: " + (told ? status.reason : "the camera refused.");
    }
    recordingFile = path;
    return {};
}

void SourceState::stopRecording() {
    qDebug() << "stop recording";
    endRecording();
}

std::string SourceState::check() {
    if (!openedCamera) {
        return {};
    }
    const bool inUse = recording() || (sourceMode == SourceMode::LiveCamera && framesFlow);
    if (inUse && !openedCamera->isConnected()) {
        loseCamera();
        return "The camera was disconnected.";
    }
    korvane::RecordingStatus status;
    if (recording() && korvane::recordingStatus(*openedCamera, status) && status.failed) {
        endRecording();
        return "Recording stopped: " + status.reason;
    }
    return {};
}

void SourceState::setCameraInterval(std::uint64_t microseconds) {
    cameraInterval = microseconds;
    if (openedCamera) {
        openedCamera->setTimeInterval(microseconds);
    }
}

void SourceState::close() {
    pause();
    releaseCamera();
    dropRecording();
    sourceMode = SourceMode::None;
}

void SourceState::startStream() {
    qDebug() << "start camera.";
    openedCamera->setTimeInterval(cameraInterval);
    openedCamera->startStream();
    framesFlow = true;
    producer.startLive(openedCamera);
}

// The live thread is joined before the stream stops, so no fetch is in progress then.
void SourceState::stopStream() {
    framesFlow = false;
    producer.stopFrames();
    openedCamera->releaseEventHandle(liveHandle);
    openedCamera->stopStream();
    qDebug() << "stop camera.";
}

// A camera that went away stops streaming and recording; it stays open, so that Play works
// again once it is back. A recording that plays beside it goes on.
void SourceState::loseCamera() {
    if (sourceMode == SourceMode::LiveCamera && framesFlow) {
        framesFlow = false;
        producer.stopFrames();
        if (openedCamera) {
            openedCamera->releaseEventHandle(liveHandle);
            openedCamera->stopStream();
        }
    }
    endRecording();
}

// Stopping completes the file: everything the camera wrote is in it.
void SourceState::endRecording() {
    if (recording()) {
        recordingFile.clear();
        openedCamera->stopRecording();
    }
}
