#include "korvane/RecordingStatus.h"

#include "SimulatedCamera.h"

namespace korvane {

bool recordingStatus(DvsCamera& camera, RecordingStatus& status) {
    auto* simulated = dynamic_cast<SimulatedCamera*>(&camera);
    if (simulated == nullptr) {
        return false;
    }
    status = simulated->recordingStatus();
    return true;
}

}  // namespace korvane
