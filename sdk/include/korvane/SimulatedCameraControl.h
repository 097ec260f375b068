#pragma once

#include <cstddef>
#include <cstdint>

#include "korvane/DvsCamera.h"
#include "korvane/Event2D.h"

// Test and benchmark hooks into the SDK's simulated cameras. The viewer never includes this file;
// a real camera answers false to every call.
namespace korvane::simulation {

constexpr std::uint64_t checksumSeed = 0xcbf29ce484222325ULL;

// Order-sensitive checksum of events, polarity counted as 0 or 1. Start from checksumSeed and
// pass the running value back in to continue over the next chunk.
std::uint64_t checksumEvents(std::uint64_t checksum, const Event2D* events, std::size_t count);

// Acts as if the camera's cable was pulled (false) or plugged back in (true).
bool setConnected(DvsCamera& camera, bool connected);

struct RecordingFigures {
    std::uint64_t producedEvents = 0;  // events the sensor produced while recording
    std::uint64_t writtenEvents = 0;   // events that reached the file writer
    std::uint64_t checksum = 0;        // checksumEvents over the written events
    std::size_t peakQueueBytes = 0;    // largest backlog between sensor and writer
    std::size_t writerPeakBufferBytes = 0;
    bool failed = false;  // the file could not take everything
};
// Figures of the recording running now, else of the last one stopped; false when none ran.
bool recordingFigures(DvsCamera& camera, RecordingFigures& figures);

struct BatchSpan {
    std::uint64_t begin = 0;  // the batch covers [begin, end)
    std::uint64_t end = 0;
    std::uint64_t sequence = 0;  // batches completed by then; consecutive means none passed over
};
// Span of the batch the last non-empty fetchEvents handed out.
bool lastBatchSpan(DvsCamera& camera, BatchSpan& span);

// Events produced since the camera was opened, fetched or not.
bool producedEvents(DvsCamera& camera, std::uint64_t& count);

}  // namespace korvane::simulation
