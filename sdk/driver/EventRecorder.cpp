#include "EventRecorder.h"

#include <algorithm>

#include "korvane/SimulatedCameraControl.h"

namespace korvane {

std::unique_ptr<EventRecorder> EventRecorder::start(const std::string& path, std::uint16_t width,
                                                    std::uint16_t height,
                                                    const std::string& serial) {
    std::unique_ptr<EventRecorder> recorder(new EventRecorder());
    if (!recorder->writer.open(path, width, height, serial)) {
        return nullptr;
    }
    recorder->totals.checksum = simulation::checksumSeed;
    recorder->writingThread = std::thread(&EventRecorder::run, recorder.get());
    return recorder;
}

EventRecorder::~EventRecorder() {
    finish();
}

void EventRecorder::push(const Event2D* events, std::size_t count) {
    if (count == 0) {
        return;
    }
    const std::size_t bytes = count * sizeof(Event2D);
    std::unique_lock<std::mutex> lock(queueMutex);
    // An empty queue always takes the chunk, however large, so a big one cannot wait forever.
    drained.wait(lock, [&] { return queueBytes == 0 || queueBytes + bytes <= queueLimitBytes; });
    std::vector<Event2D> buffer;
    if (!spareBuffers.empty()) {
        buffer.swap(spareBuffers.back());
        spareBuffers.pop_back();
    }
    buffer.assign(events, events + count);
    queue.push_back(std::move(buffer));
    queueBytes += bytes;
    totals.peakQueueBytes = std::max(totals.peakQueueBytes, queueBytes);
    queued.notify_one();
}

bool EventRecorder::finish() {
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        if (finished) {
            return closedCleanly;
        }
        closing = true;
    }
    queued.notify_one();
    if (writingThread.joinable()) {
        writingThread.join();
    }
    const bool closed = writer.close();
    std::lock_guard<std::mutex> lock(queueMutex);
    totals.writerPeakBufferBytes = writer.peakBufferBytes();
    totals.failed = totals.failed || !closed;
    closedCleanly = !totals.failed;
    finished = true;
    return closedCleanly;
}

EventRecorder::Figures EventRecorder::figures() const {
    std::lock_guard<std::mutex> lock(queueMutex);
    return totals;
}

// The writing thread: takes chunks in order until closing and the queue is empty.
void EventRecorder::run() {
    std::unique_lock<std::mutex> lock(queueMutex);
    std::uint64_t checksum = totals.checksum;
    for (;;) {
        queued.wait(lock, [&] { return closing || !queue.empty(); });
        if (queue.empty()) {
            return;
        }
        std::vector<Event2D> chunk = std::move(queue.front());
        queue.pop_front();
        const bool writing = !totals.failed;
        lock.unlock();

        const bool written = writing && writer.write(chunk.data(), chunk.size());
        if (written) {
            checksum = simulation::checksumEvents(checksum, chunk.data(), chunk.size());
        }

        lock.lock();
        if (written) {
            totals.events += chunk.size();
            totals.checksum = checksum;
        } else {
            totals.failed = true;
        }
        queueBytes -= chunk.size() * sizeof(Event2D);
        spareBuffers.push_back(std::move(chunk));
        drained.notify_all();
    }
}

}  // namespace korvane
