#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "korvane/DvsCamera.h"
#include "korvane/DvsFileReader.h"
#include "pipeline/FrameProducer.h"
#include "pipeline/RecordingLoad.h"
#include "pipeline/SourceMode.h"

// Which source the window has open (none, a camera, a recording), whether frames flow from it,
// and whether the camera records and into which file: the one place that decides. The window's
// flows ask for a transition, then show flowing() on Play and recording() on Record.
// GUI thread only.
//
// A camera that was not streaming stays open when a recording is opened; it can still record.
class SourceState {
public:
    // What a click on Record leads to.
    enum class RecordStep { Refused, Stopped, AskForPath };

    explicit SourceState(FrameProducer& producer);
    SourceState(const SourceState&) = delete;
    SourceState& operator=(const SourceState&) = delete;

    SourceMode mode() const { return sourceMode; }
    bool flowing() const { return framesFlow; }
    bool recording() const { return !recordingFile.empty(); }
    const std::string& recordingPath() const { return recordingFile; }
    const std::shared_ptr<korvane::DvsCamera>& camera() const { return openedCamera; }
    korvane::DvsFileReader* reader() const { return openedReader.get(); }
    std::uint64_t beginTime() const { return range.begin; }
    std::uint64_t endTime() const { return range.end; }
    bool cameraUsable() const;

    // Opening: the flows stop the frames first (pause) and start them after (play). A camera
    // replaced or released stops its recording.
    void openCamera(std::shared_ptr<korvane::DvsCamera> camera);
    void openRecording(std::unique_ptr<korvane::DvsFileReader> reader, const RecordingLoad& load);
    // A failed open leaves no source at all.
    void failOpen();
    void releaseCamera();
    void dropRecording();

    // The Play button: starts or stops the frames of the open source.
    void togglePlay();
    void play();
    void pause();

    RecordStep recordClicked();
    // Empty when the camera now records into path, else what to tell the user.
    std::string startRecording(const std::string& path);
    void stopRecording();
    // Called now and then: empty while all is well, else what stopped and why.
    std::string check();

    void setCameraInterval(std::uint64_t microseconds);
    // The window closes: nothing flows, records or stays open.
    void close();

private:
    void startStream();
    void stopStream();
    void loseCamera();
    void endRecording();

    FrameProducer& producer;
    SourceMode sourceMode = SourceMode::None;
    std::shared_ptr<korvane::DvsCamera> openedCamera;
    std::unique_ptr<korvane::DvsFileReader> openedReader;
    RecordingLoad range;
    bool framesFlow = false;
    std::string recordingFile;
    std::uint64_t cameraInterval = 33333;
};
