#include "SimulatedCamera.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace korvane {

const char* const SimulatedCamera::pluginName = "korvane-simulator";

SimulatedCamera::SimulatedCamera(const SimulatedSensorModel& model)
    : serial(model.serial),
      openedAt(std::chrono::steady_clock::now()),
      biases(std::make_shared<BiasTool>(model.scene, model.biasDefaults)),
      simulator(model.scene, model.seed) {
    producer = std::thread(&SimulatedCamera::produce, this);
}

SimulatedCamera::~SimulatedCamera() {
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        stopping = true;
    }
    wake.notify_all();
    producer.join();
    stopRecording();
}

bool SimulatedCamera::isConnected() {
    return connected.load();
}

void SimulatedCamera::setTimeInterval(std::uint64_t microseconds) {
    interval.store(BatchAssembler::clampInterval(microseconds));
}

bool SimulatedCamera::startStream() {
    if (!connected.load()) {
        return false;
    }
    {
        std::lock_guard<std::mutex> batchLock(batchMutex);
        if (!streamOpen) {
            streamOpen = true;
            streamFrom = sensorTimeNow();
            batches.stop();
        }
        std::lock_guard<std::mutex> stateLock(stateMutex);
        streamOn = true;
    }
    wake.notify_all();
    return true;
}

bool SimulatedCamera::stopStream() {
    bool wasOpen = false;
    {
        std::lock_guard<std::mutex> batchLock(batchMutex);
        wasOpen = streamOpen;
        streamOpen = false;
        batches.stop();
        std::lock_guard<std::mutex> stateLock(stateMutex);
        streamOn = false;
    }
    wake.notify_all();
    return wasOpen;
}

void SimulatedCamera::fetchEvents(std::vector<Event2D>& events) {
    std::lock_guard<std::mutex> lock(batchMutex);
    if (!streamOpen || !connected.load()) {
        events.clear();
        return;
    }
    batches.take(events);
}

// No handle is ever handed out, so there is nothing to release.
void SimulatedCamera::releaseEventHandle(std::uint32_t) {}

bool SimulatedCamera::startRecording(std::string path) {
    if (!connected.load()) {
        std::lock_guard<std::mutex> recordLock(recordMutex);
        lastFailure = "the camera is not connected";
        return false;
    }
    std::error_code error;
    const std::string absolutePath = std::filesystem::absolute(path, error).string();
    {
        // Opening the file again would truncate it under the running recording, however its
        // path is spelt.
        std::lock_guard<std::mutex> recordLock(recordMutex);
        if (recorder && std::filesystem::equivalent(recordingPath, path, error)) {
            lastFailure = "the camera is already recording into this file";
            return false;
        }
    }
    std::string failure;
    std::unique_ptr<EventRecorder> fresh = EventRecorder::start(
        path, SensorSimulator::width, SensorSimulator::height, serial, &failure);
    if (!fresh) {
        std::lock_guard<std::mutex> recordLock(recordMutex);
        lastFailure = failure;
        return false;
    }
    // A recording already running hands over between two steps, so the files meet without a gap.
    std::unique_ptr<EventRecorder> previous;
    std::uint64_t previousProduced = 0;
    {
        std::lock_guard<std::mutex> recordLock(recordMutex);
        previous = std::move(recorder);
        previousProduced = producedWhileRecording;
        recorder = std::move(fresh);
        recordingPath = absolutePath;
        lastFailure.clear();
        producedWhileRecording = 0;
        anyRecording = true;
        std::lock_guard<std::mutex> stateLock(stateMutex);
        recordOn = true;
    }
    wake.notify_all();
    if (previous) {
        previous->finish();
        std::lock_guard<std::mutex> recordLock(recordMutex);
        lastFigures = figuresOf(*previous);
        lastFigures.producedEvents = previousProduced;
    }
    return true;
}

bool SimulatedCamera::stopRecording() {
    std::unique_ptr<EventRecorder> finishing;
    std::uint64_t finishingProduced = 0;
    {
        std::lock_guard<std::mutex> recordLock(recordMutex);
        finishing = std::move(recorder);
        finishingProduced = producedWhileRecording;
        std::lock_guard<std::mutex> stateLock(stateMutex);
        recordOn = false;
    }
    if (!finishing) {
        return false;
    }
    const bool complete = finishing->finish();
    std::lock_guard<std::mutex> recordLock(recordMutex);
    lastFigures = figuresOf(*finishing);
    lastFigures.producedEvents = finishingProduced;
    lastFailure = finishing->figures().failure;
    return complete;
}

std::shared_ptr<CameraTool> SimulatedCamera::getTool(ToolType type) {
    return type == ToolType::Biases ? biases : nullptr;
}

void SimulatedCamera::setConnected(bool isNowConnected) {
    {
        std::lock_guard<std::mutex> batchLock(batchMutex);
        // A batch cannot span the time the cable was out.
        batches.stop();
        streamFrom = sensorTimeNow();
        std::lock_guard<std::mutex> stateLock(stateMutex);
        if (!isNowConnected) {
            disconnections.fetch_add(1);
        }
        connected.store(isNowConnected);
    }
    wake.notify_all();
}

bool SimulatedCamera::recordingFigures(simulation::RecordingFigures& figures) {
    std::lock_guard<std::mutex> lock(recordMutex);
    if (recorder) {
        figures = figuresOf(*recorder);
        figures.producedEvents = producedWhileRecording;
        return true;
    }
    figures = lastFigures;
    return anyRecording;
}

simulation::BatchSpan SimulatedCamera::lastBatchSpan() {
    std::lock_guard<std::mutex> lock(batchMutex);
    return {batches.takenBegin(), batches.takenEnd(), batches.takenSequence()};
}

RecordingStatus SimulatedCamera::recordingStatus() {
    std::lock_guard<std::mutex> lock(recordMutex);
    RecordingStatus status;
    if (recorder) {
        const EventRecorder::Figures figures = recorder->figures();
        status.active = !figures.failed;
        status.failed = figures.failed;
        status.reason = figures.failure;
        status.elapsedUs = figures.elapsedUs;
        status.fileBytes = figures.fileBytes;
        status.eventsWritten = figures.events;
        status.queuedEvents = figures.queuedEvents;
    } else {
        status.failed = !lastFailure.empty();
        status.reason = lastFailure;
    }
    return status;
}

simulation::RecordingFigures SimulatedCamera::figuresOf(const EventRecorder& source) const {
    const EventRecorder::Figures figures = source.figures();
    simulation::RecordingFigures result;
    result.writtenEvents = figures.events;
    result.checksum = figures.checksum;
    result.peakQueueBytes = figures.peakQueueBytes;
    result.writerPeakBufferBytes = figures.writerPeakBufferBytes;
    result.failed = figures.failed;
    return result;
}

std::uint64_t SimulatedCamera::sensorTimeNow() const {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now() - openedAt)
                                          .count());
}

// The producer thread. Idle while nobody streams or records; when it starts again the sensor
// clock has moved on, so timestamps keep rising across the pause.
void SimulatedCamera::produce() {
    std::vector<Event2D> events;
    bool running = false;
    std::uint64_t appliedVersion = 0;
    simulator.applySettings(biases->settings());
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(stateMutex);
            wake.wait(lock, [this] { return stopping || wanted(); });
            if (stopping) {
                return;
            }
        }
        if (!running) {
            simulator.restartAt(sensorTimeNow());
            running = true;
        }
        const std::uint64_t version = biases->version();
        if (version != appliedVersion) {
            simulator.applySettings(biases->settings());
            appliedVersion = version;
        }
        const std::uint64_t disconnectionsBefore = disconnections.load();
        const std::uint64_t begin = simulator.nextStepBegin();
        simulator.step(events);
        const std::uint64_t end = simulator.nextStepBegin();
        // A step's events exist once its time has passed. If the sensor was stopped or
        // unplugged meanwhile, they never happened.
        if (!paceUntil(end, disconnectionsBefore)) {
            running = false;
            continue;
        }
        deliver(events, begin, end);
    }
}

// Waits until the sensor clock reaches sensorTime; false when stopped, no longer wanted or
// unplugged since the step began.
bool SimulatedCamera::paceUntil(std::uint64_t sensorTime, std::uint64_t disconnectionsBefore) {
    std::unique_lock<std::mutex> lock(stateMutex);
    const auto interrupted = [&] {
        return stopping || !wanted() || disconnections.load() != disconnectionsBefore;
    };
    wake.wait_until(lock, openedAt + std::chrono::microseconds(sensorTime), interrupted);
    return !interrupted();
}

void SimulatedCamera::deliver(const std::vector<Event2D>& events, std::uint64_t begin,
                              std::uint64_t end) {
    produced.fetch_add(events.size(), std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> lock(batchMutex);
        if (streamOpen && connected.load() && (batches.isStarted() || begin >= streamFrom)) {
            if (!batches.isStarted()) {
                batches.start(begin, interval.load());
            }
            batches.setInterval(interval.load());
            batches.append(events.data(), events.size(), end);
        }
    }
    std::lock_guard<std::mutex> lock(recordMutex);
    if (recorder) {
        recorder->push(events.data(), events.size());
        producedWhileRecording += events.size();
    }
}

}  // namespace korvane
