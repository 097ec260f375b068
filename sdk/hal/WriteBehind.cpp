#include "WriteBehind.h"

#include <utility>

namespace korvane {

WriteBehind::WriteBehind(std::FILE* file) : file(file), thread([this] { run(); }) {}

WriteBehind::~WriteBehind() {
    std::uint64_t ignored = 0;
    finish(ignored);
}

bool WriteBehind::hand(WordBuffer& words) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return !full; });
    if (failed) {
        return false;
    }
    std::swap(pending, words);
    words.clear();
    full = true;
    changed.notify_all();
    return true;
}

bool WriteBehind::finish(std::uint64_t& bytes) {
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return !full; });
        stopping = true;
        changed.notify_all();
    }
    if (thread.joinable()) {
        thread.join();
    }
    bytes = written;
    return !failed;
}

void WriteBehind::run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return full || stopping; });
        if (!full) {
            return;
        }
        const std::size_t size = pending.size() * sizeof(std::uint16_t);
        lock.unlock();
        const bool ok = std::fwrite(pending.data(), 1, size, file) == size;
        lock.lock();
        failed = failed || !ok;
        written += ok ? size : 0;
        full = false;
        changed.notify_all();
    }
}

}  // namespace korvane
