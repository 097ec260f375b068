#pragma once

#include <string>

#include "korvane/DvsCamera.h"

namespace korvane {

// What became of a camera's recording. startRecording and a failing disk only answer with a
// bool; this tells the viewer why, and whether a recording still runs.
struct RecordingStatus {
    bool active = false;  // a recording runs and everything so far reached its file
    bool failed = false;  // the last recording could not start, or stopped taking events
    std::string reason;   // why, when failed
};

// False for a camera that cannot tell.
bool recordingStatus(DvsCamera& camera, RecordingStatus& status);

}  // namespace korvane
