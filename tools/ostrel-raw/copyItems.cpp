#include "copyItems.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "korvane/RawFileScanner.h"
#include "korvane/RawFileWriter.h"

namespace {

// Batches in flight: enough to keep both threads busy, few enough to keep memory small.
constexpr int batchesInFlight = 3;

// Full batches go from the decoding thread to the writing one; emptied ones come back for reuse.
class BatchQueue {
public:
    BatchQueue() : spare(batchesInFlight) {}

    // Decoding thread: an emptied batch to fill.
    korvane::RawBatch takeSpare() {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return !spare.empty(); });
        korvane::RawBatch batch = std::move(spare.front());
        spare.pop_front();
        return batch;
    }
    void putFull(korvane::RawBatch&& batch) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            full.push_back(std::move(batch));
        }
        changed.notify_all();
    }
    void finish() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            finished = true;
        }
        changed.notify_all();
    }

    // Writing thread: false once the decoding thread has finished and nothing is left.
    bool takeFull(korvane::RawBatch& batch) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return !full.empty() || finished; });
        if (full.empty()) {
            return false;
        }
        batch = std::move(full.front());
        full.pop_front();
        return true;
    }
    void putSpare(korvane::RawBatch&& batch) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            spare.push_back(std::move(batch));
        }
        changed.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<korvane::RawBatch> spare;
    std::deque<korvane::RawBatch> full;
    bool finished = false;
};

// Events up to each trigger edge, the edge, then the rest.
bool writeBatch(const korvane::RawBatch& batch, korvane::RawFileWriter& writer) {
    bool ok = true;
    std::size_t written = 0;
    for (const auto& [before, trigger] : batch.triggers) {
        ok = writer.write(batch.events.data() + written, before - written) && ok;
        ok = writer.writeTrigger(trigger) && ok;
        written = before;
    }
    return writer.write(batch.events.data() + written, batch.events.size() - written) && ok;
}

}  // namespace

bool copyItems(korvane::RawFileScanner& scanner, korvane::RawFileWriter& writer,
               const CopyProgress& progress) {
    BatchQueue queue;
    std::atomic<bool> writeFailed{false};
    std::thread writing([&] {
        korvane::RawBatch batch;
        while (queue.takeFull(batch)) {
            if (!writeFailed && !writeBatch(batch, writer)) {
                writeFailed = true;
            }
            queue.putSpare(std::move(batch));
        }
    });
    std::uint64_t events = 0;
    const double total = static_cast<double>(scanner.dataBytes());
    while (!writeFailed) {
        korvane::RawBatch batch = queue.takeSpare();
        if (!scanner.next(batch)) {
            break;
        }
        events += batch.events.size();
        queue.putFull(std::move(batch));
        if (progress) {
            progress(total > 0 ? static_cast<double>(scanner.bytesDone()) / total : 1.0, events);
        }
    }
    queue.finish();
    writing.join();
    return !writeFailed;
}
