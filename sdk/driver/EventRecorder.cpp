#include "EventRecorder.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "korvane/SimulatedCameraControl.h"

namespace korvane {

namespace {

// The C library's reason for the last failed file call, thread-safe unlike strerror.
std::string describeError(int error) {
    return error != 0 ? std::generic_category().message(error) : "the file could not be written";
}

}  // namespace

std::unique_ptr<EventRecorder> EventRecorder::start(const std::string& path, std::uint16_t width,
                                                    std::uint16_t height, const std::string& serial,
                                                    std::string* failure) {
    std::unique_ptr<EventRecorder> recorder(new EventRecorder());
    errno = 0;
    if (!recorder->writer.open(path, width, height, serial)) {
        if (failure != nullptr) {
            *failure = describeError(errno);
        }
        return nullptr;
    }
    recorder->totals.checksum = simulation::checksumSeed;
    recorder->totals.fileBytes = recorder->writer.bytesWritten();
    recorder->startedAt = std::chrono::steady_clock::now();
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
    errno = 0;
    const bool closed = writer.close();
    const int error = errno;
    std::lock_guard<std::mutex> lock(queueMutex);
    totals.writerPeakBufferBytes = writer.peakBufferBytes();
    totals.fileBytes = writer.bytesWritten();
    finishedAt = std::chrono::steady_clock::now();
    if (!closed) {
        noteFailure(error);
    }
    closedCleanly = !totals.failed;
    finished = true;
    return closedCleanly;
}

EventRecorder::Figures EventRecorder::figures() const {
    std::lock_guard<std::mutex> lock(queueMutex);
    Figures figures = totals;
    figures.queuedEvents = queueBytes / sizeof(Event2D);
    const auto until = finished ? finishedAt : std::chrono::steady_clock::now();
    figures.elapsedUs = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(until - startedAt).count());
    return figures;
}

// The writing thread: takes chunks in order until closing and the queue is empty. When nothing
// comes for a while, what was written goes to the disk.
void EventRecorder::run() {
    std::unique_lock<std::mutex> lock(queueMutex);
    for (;;) {
        if (!queued.wait_for(lock, flushPeriod, [&] { return closing || !queue.empty(); })) {
            flushQuietFile(lock);
            continue;
        }
        if (queue.empty()) {
            return;
        }
        writeChunk(lock);
    }
}

// Writing thread, lock held; the file is written with the lock released.
void EventRecorder::writeChunk(std::unique_lock<std::mutex>& lock) {
    std::vector<Event2D> chunk = std::move(queue.front());
    queue.pop_front();
    const bool writing = !totals.failed;
    std::uint64_t checksum = totals.checksum;
    lock.unlock();

    errno = 0;
    const bool written = writing && writer.write(chunk.data(), chunk.size());
    const int error = errno;
    const std::uint64_t fileBytes = writer.bytesWritten();
    if (written) {
        checksum = simulation::checksumEvents(checksum, chunk.data(), chunk.size());
    }

    lock.lock();
    if (written) {
        totals.events += chunk.size();
        totals.checksum = checksum;
        totals.fileBytes = fileBytes;
        unflushed = true;
    } else if (writing) {
        noteFailure(error);
    }
    queueBytes -= chunk.size() * sizeof(Event2D);
    spareBuffers.push_back(std::move(chunk));
    drained.notify_all();
}

// Writing thread, lock held.
void EventRecorder::flushQuietFile(std::unique_lock<std::mutex>& lock) {
    if (!unflushed || totals.failed) {
        return;
    }
    unflushed = false;
    lock.unlock();
    errno = 0;
    const bool flushed = writer.flush();
    const int error = errno;
    const std::uint64_t fileBytes = writer.bytesWritten();
    lock.lock();
    totals.fileBytes = fileBytes;
    if (!flushed) {
        noteFailure(error);
    }
}

// Lock held. The first reason is kept: later ones follow from it.
void EventRecorder::noteFailure(int error) {
    if (!totals.failed) {
        totals.failure = describeError(error);
    }
    totals.failed = true;
}

}  // namespace korvane
