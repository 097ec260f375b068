#pragma once

#include <cstdint>
#include <string>

#include "korvane/DvsCamera.h"

namespace korvane {

// What became of a camera's recording. startRecording and a failing disk only answer with a
// bool; this tells why, whether a recording still runs, and how far it got.
struct RecordingStatus {
    bool active = false;  // a recording runs and everything so far reached its file
    bool failed = false;  // the last recording could not start, or stopped taking events
    std::string reason;   // why, when failed

    // How far the recording that runs now got; 0 when none runs.
    std::uint64_t elapsedUs = 0;      // since it started
    std::uint64_t fileBytes = 0;      // handed to the file, header included
    std::uint64_t eventsWritten = 0;  // events encoded into the file
    std::uint64_t queuedEvents = 0;   // handed to the recorder, not yet written
};

// Implemented by the cameras that can tell.
class RecordingReporter {
public:
    virtual ~RecordingReporter() = default;
    virtual RecordingStatus recordingStatus() = 0;
};

// False for a camera that cannot tell.
inline bool recordingStatus(DvsCamera& camera, RecordingStatus& status) {
    auto* reporter = dynamic_cast<RecordingReporter*>(&camera);
    if (reporter == nullptr) {
        return false;
    }
    status = reporter->recordingStatus();
    return true;
}

}  // namespace korvane
