// Streams a simulated camera at about 20 million events per second for a minute while recording,
// the viewer's live thread fetching batches meanwhile. Then checks the file against the camera's
// own figures: event count and checksum must agree exactly, nothing may be lost.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "korvane/DvsCameraManager.h"
#include "korvane/RawFileReader.h"
#include "korvane/SimulatedCameraControl.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int soakSeconds = 60;
constexpr int streamSeconds = 10;
// Slices the file is read back in; a second at full rate is about 330 MB of events.
constexpr std::uint64_t readSlice = 1000000;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double processCpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

struct FileFigures {
    std::uint64_t events = 0;  // the reader's count, what `ostrel-raw info` prints
    std::uint64_t decoded = 0;
    std::uint64_t checksum = korvane::simulation::checksumSeed;
    double spanSeconds = 0.0;
    double readSeconds = 0.0;
};

FileFigures readBack(const std::string& path) {
    FileFigures figures;
    const Clock::time_point start = Clock::now();
    std::unique_ptr<korvane::RawFileReader> reader = korvane::RawFileReader::open(path);
    if (!reader || !reader->loadFile()) {
        return figures;
    }
    const korvane::RawFileInfo& info = reader->info();
    figures.events = info.events;
    figures.spanSeconds = static_cast<double>(info.lastTimestamp - info.firstTimestamp) * 1e-6;
    for (std::uint64_t from = info.firstTimestamp; from <= info.lastTimestamp; from += readSlice) {
        const auto events = reader->readEventsAt(from, readSlice);
        if (!events) {
            break;
        }
        figures.decoded += events->size();
        figures.checksum =
            korvane::simulation::checksumEvents(figures.checksum, events->data(), events->size());
    }
    figures.readSeconds = secondsSince(start);
    return figures;
}

void BM_CameraSoak(benchmark::State& state) {
    for (auto _ : state) {
        korvane::DvsCameraManager manager;
        std::shared_ptr<korvane::DvsCamera> camera =
            manager.openCamera(manager.getCameraDescs().front().serial);
        const std::shared_ptr<korvane::CameraTool> tool =
            camera->getTool(korvane::ToolType::Biases);
        // About 12 million edge events and 8.3 million noise events per second.
        tool->setParam("contrast_on", -100);
        tool->setParam("contrast_off", -100);
        tool->setParam("refractory", -100);
        tool->setParam("bandwidth", 0);
        tool->setParam("noise", 90);
        camera->setTimeInterval(33333);
        camera->startStream();

        std::atomic<bool> live{true};
        std::atomic<std::uint64_t> fetched{0};
        std::thread liveThread([&] {
            std::vector<korvane::Event2D> batch;
            while (live.load()) {
                camera->fetchEvents(batch);
                fetched += batch.size();
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            }
        });
        std::this_thread::sleep_for(std::chrono::seconds(1));

        // Streaming alone: CPU time per second of sensor time is what real time needs of the
        // producer, whatever else the machine is running.
        korvane::simulation::BatchSpan spanBefore;
        korvane::simulation::lastBatchSpan(*camera, spanBefore);
        const double streamCpuBefore = processCpuSeconds();
        std::this_thread::sleep_for(std::chrono::seconds(streamSeconds));
        korvane::simulation::BatchSpan spanAfter;
        korvane::simulation::lastBatchSpan(*camera, spanAfter);
        const double producerCores = (processCpuSeconds() - streamCpuBefore) /
                                     (static_cast<double>(spanAfter.end - spanBefore.end) * 1e-6);

        const std::string path =
            (std::filesystem::temp_directory_path() /
             ("ostrel_soak_" + std::to_string(Clock::now().time_since_epoch().count()) + ".raw"))
                .string();
        std::uint64_t producedBefore = 0;
        korvane::simulation::producedEvents(*camera, producedBefore);
        const double cpuBefore = processCpuSeconds();
        const Clock::time_point recordingStart = Clock::now();
        camera->startRecording(path);
        std::this_thread::sleep_for(std::chrono::seconds(soakSeconds));
        const Clock::time_point stopStart = Clock::now();
        const bool complete = camera->stopRecording();
        const double stopSeconds = secondsSince(stopStart);
        const double recordingSeconds =
            std::chrono::duration<double>(stopStart - recordingStart).count();
        const double recordingCpu = processCpuSeconds() - cpuBefore;

        live = false;
        liveThread.join();
        korvane::simulation::RecordingFigures figures;
        korvane::simulation::recordingFigures(*camera, figures);
        camera.reset();

        const FileFigures file = readBack(path);
        std::filesystem::remove(path);
        const double pipelineCores = recordingCpu / file.spanSeconds;

        const std::uint64_t lost =
            figures.producedEvents > file.decoded ? figures.producedEvents - file.decoded : 0;
        const bool agree = complete && figures.producedEvents == figures.writtenEvents &&
                           figures.writtenEvents == file.events && file.events == file.decoded &&
                           figures.checksum == file.checksum;
        std::printf(
            "soak: %d s recording, camera produced %llu events, file holds %llu (info) / %llu "
            "(decoded), lost %llu, checksum %s\n"
            "soak: produced %.2f Mev/s of sensor time (%.2f Mev/s of wall time), written %.2f "
            "Mev/s; file spans %.3f s of %.3f s recorded\n"
            "soak: stopRecording took %.1f ms; writer peak buffer %zu bytes, sensor-to-writer "
            "queue peak %zu bytes; reading back took %.1f s\n"
            "soak: CPU per second of sensor time: %.2f cores streaming, %.2f cores streaming "
            "and recording\n",
            soakSeconds, static_cast<unsigned long long>(figures.producedEvents),
            static_cast<unsigned long long>(file.events),
            static_cast<unsigned long long>(file.decoded), static_cast<unsigned long long>(lost),
            figures.checksum == file.checksum ? "matches" : "DIFFERS",
            static_cast<double>(file.decoded) / file.spanSeconds * 1e-6,
            static_cast<double>(figures.producedEvents) / recordingSeconds * 1e-6,
            static_cast<double>(figures.writtenEvents) / recordingSeconds * 1e-6, file.spanSeconds,
            recordingSeconds, stopSeconds * 1e3, figures.writerPeakBufferBytes,
            figures.peakQueueBytes, file.readSeconds, producerCores, pipelineCores);

        state.counters["produced_Mev_per_s"] =
            static_cast<double>(figures.producedEvents) / recordingSeconds * 1e-6;
        state.counters["written_Mev_per_s"] =
            static_cast<double>(figures.writtenEvents) / recordingSeconds * 1e-6;
        state.counters["lost_events"] = static_cast<double>(lost);
        state.counters["stop_recording_ms"] = stopSeconds * 1e3;
        state.counters["writer_peak_buffer_bytes"] =
            static_cast<double>(figures.writerPeakBufferBytes);
        state.counters["queue_peak_bytes"] = static_cast<double>(figures.peakQueueBytes);
        state.counters["producer_cores"] = producerCores;
        state.counters["recording_cores"] = pipelineCores;
        if (!agree) {
            state.SkipWithError("the recording does not hold exactly the produced events");
        }
    }
}

BENCHMARK(BM_CameraSoak)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
