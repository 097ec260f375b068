#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "korvane/Event2D.h"
#include "korvane/RawFileWriter.h"

namespace korvane {

// Writes a stream of events to a `.raw` file on a thread of its own, so the producer waits on the
// disk only when the queue is full. Nothing handed to push is dropped unless the file fails. What
// was pushed reaches the file within a second, also when nothing follows it.
class EventRecorder {
public:
    struct Figures {
        std::uint64_t events = 0;    // events handed to the writer
        std::uint64_t checksum = 0;  // checksumEvents over those events, in order
        std::size_t peakQueueBytes = 0;
        std::size_t writerPeakBufferBytes = 0;
        std::uint64_t fileBytes = 0;     // handed to the file, header included
        std::uint64_t queuedEvents = 0;  // pushed, not yet handed to the writer
        std::uint64_t elapsedUs = 0;     // since start, until finish
        bool failed = false;
        std::string failure;  // why the file failed, when it did
    };

    // Creates the file and writes its header; empty when the file cannot be created, with the
    // reason in failure.
    static std::unique_ptr<EventRecorder> start(const std::string& path, std::uint16_t width,
                                                std::uint16_t height, const std::string& serial,
                                                std::string* failure = nullptr);
    ~EventRecorder();
    EventRecorder(const EventRecorder&) = delete;
    EventRecorder& operator=(const EventRecorder&) = delete;

    // Producer side; events in time order. Blocks while the queue is full.
    void push(const Event2D* events, std::size_t count);
    // Writes out the queue and closes the file; true when every event reached it.
    bool finish();
    Figures figures() const;

private:
    static constexpr std::size_t queueLimitBytes = 64u << 20;
    static constexpr std::chrono::milliseconds flushPeriod{500};

    EventRecorder() = default;
    void run();
    void writeChunk(std::unique_lock<std::mutex>& lock);
    void flushQuietFile(std::unique_lock<std::mutex>& lock);
    void noteFailure(int error);

    RawFileWriter writer;
    mutable std::mutex queueMutex;
    std::condition_variable queued;
    std::condition_variable drained;
    std::deque<std::vector<Event2D>> queue;
    std::vector<std::vector<Event2D>> spareBuffers;
    std::size_t queueBytes = 0;
    bool closing = false;
    bool finished = false;
    bool closedCleanly = false;
    bool unflushed = false;  // the writing thread only
    Figures totals;
    std::chrono::steady_clock::time_point startedAt;
    std::chrono::steady_clock::time_point finishedAt;
    std::thread writingThread;
};

}  // namespace korvane
