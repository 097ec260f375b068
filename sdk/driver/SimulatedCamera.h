#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BatchAssembler.h"
#include "BiasTool.h"
#include "EventRecorder.h"
#include "SensorSimulator.h"
#include "SimulatedSensorModel.h"
#include "korvane/DvsCamera.h"
#include "korvane/RecordingStatus.h"
#include "korvane/SimulatedCameraControl.h"

namespace korvane {

// A simulated event camera. Its producer thread runs the sensor in real time while the camera
// streams or records: each step's events go to the batch being filled and to the recording.
// fetchEvents may run on one thread while any other thread uses the rest; releasing the last
// owner stops the producer and completes a recording still running.
// Lock order: batchMutex or recordMutex before stateMutex; EventRecorder's own lock comes last.
class SimulatedCamera final : public DvsCamera, public RecordingReporter {
public:
    static const char* const pluginName;

    explicit SimulatedCamera(const SimulatedSensorModel& model);
    ~SimulatedCamera() override;
    SimulatedCamera(const SimulatedCamera&) = delete;
    SimulatedCamera& operator=(const SimulatedCamera&) = delete;

    bool isConnected() override;
    void setTimeInterval(std::uint64_t microseconds) override;
    bool startStream() override;
    bool stopStream() override;
    void fetchEvents(std::vector<Event2D>& events) override;
    void releaseEventHandle(std::uint32_t handle) override;
    bool startRecording(std::string path) override;
    bool stopRecording() override;
    std::shared_ptr<CameraTool> getTool(ToolType type) override;

    // Hooks behind SimulatedCameraControl.h.
    void setConnected(bool connected);
    bool recordingFigures(simulation::RecordingFigures& figures);
    simulation::BatchSpan lastBatchSpan();
    RecordingStatus recordingStatus() override;
    std::uint64_t producedEvents() const { return produced.load(std::memory_order_relaxed); }

private:
    void produce();
    // Called with stateMutex held.
    bool wanted() const { return connected.load() && (streamOn || recordOn); }
    bool paceUntil(std::uint64_t sensorTime, std::uint64_t disconnectionsBefore);
    void deliver(const std::vector<Event2D>& events, std::uint64_t begin, std::uint64_t end);
    std::uint64_t sensorTimeNow() const;
    simulation::RecordingFigures figuresOf(const EventRecorder& recorder) const;

    const std::string serial;
    const std::chrono::steady_clock::time_point openedAt;
    const std::shared_ptr<BiasTool> biases;
    SensorSimulator simulator;  // producer thread only

    std::atomic<bool> connected{true};
    std::atomic<std::uint64_t> disconnections{0};  // a step spanning one never happened
    std::atomic<std::uint64_t> interval{33333};
    std::atomic<std::uint64_t> produced{0};

    std::mutex stateMutex;  // what the producer waits on
    std::condition_variable wake;
    bool stopping = false;
    bool streamOn = false;
    bool recordOn = false;

    std::mutex batchMutex;
    bool streamOpen = false;
    std::uint64_t streamFrom = 0;  // the first batch starts with the first step from here on
    BatchAssembler batches;

    std::mutex recordMutex;
    std::unique_ptr<EventRecorder> recorder;
    std::string recordingPath;  // absolute
    std::string lastFailure;    // why the last recording did not start or failed
    std::uint64_t producedWhileRecording = 0;
    bool anyRecording = false;
    simulation::RecordingFigures lastFigures;

    std::thread producer;
};

}  // namespace korvane
