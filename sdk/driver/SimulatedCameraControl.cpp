#include "korvane/SimulatedCameraControl.h"

#include "SimulatedCamera.h"

namespace korvane::simulation {

namespace {

constexpr std::uint64_t fnvPrime = 0x100000001b3ULL;

SimulatedCamera* simulated(DvsCamera& camera) {
    return dynamic_cast<SimulatedCamera*>(&camera);
}

}  // namespace

std::uint64_t checksumEvents(std::uint64_t checksum, const Event2D* events, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const Event2D& event = events[i];
        const std::uint64_t place = static_cast<std::uint64_t>(event.x) |
                                    (static_cast<std::uint64_t>(event.y) << 16) |
                                    (static_cast<std::uint64_t>(event.polarity != 0) << 32);
        checksum = (checksum ^ place) * fnvPrime;
        checksum = (checksum ^ event.timestamp) * fnvPrime;
    }
    return checksum;
}

bool setConnected(DvsCamera& camera, bool connected) {
    SimulatedCamera* target = simulated(camera);
    if (target == nullptr) {
        return false;
    }
    target->setConnected(connected);
    return true;
}

bool recordingFigures(DvsCamera& camera, RecordingFigures& figures) {
    SimulatedCamera* target = simulated(camera);
    return target != nullptr && target->recordingFigures(figures);
}

bool lastBatchSpan(DvsCamera& camera, BatchSpan& span) {
    SimulatedCamera* target = simulated(camera);
    if (target == nullptr) {
        return false;
    }
    span = target->lastBatchSpan();
    return true;
}

bool producedEvents(DvsCamera& camera, std::uint64_t& count) {
    SimulatedCamera* target = simulated(camera);
    if (target == nullptr) {
        return false;
    }
    count = target->producedEvents();
    return true;
}

}  // namespace korvane::simulation
