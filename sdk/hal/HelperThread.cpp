#include "HelperThread.h"

#include <system_error>
#include <utility>

namespace korvane {

HelperThread::~HelperThread() {
    if (!thread.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    thread.join();
}

void HelperThread::start(std::function<void()> next) {
    std::unique_lock<std::mutex> lock(mutex);
    job = std::move(next);
    failure = nullptr;
    busy = true;
    if (!thread.joinable()) {
        try {
            thread = std::thread(&HelperThread::run, this);
        } catch (const std::system_error&) {
            runJob(lock);
            return;
        }
    }
    lock.unlock();
    changed.notify_all();
}

void HelperThread::wait() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return !busy; });
    if (failure) {
        std::rethrow_exception(std::exchange(failure, nullptr));
    }
}

void HelperThread::run() {
    std::unique_lock<std::mutex> lock(mutex);
    while (true) {
        changed.wait(lock, [this] { return busy || stopping; });
        if (!busy) {
            return;
        }
        runJob(lock);
        changed.notify_all();
    }
}

void HelperThread::runJob(std::unique_lock<std::mutex>& lock) {
    const std::function<void()> current = std::move(job);
    lock.unlock();
    std::exception_ptr thrown;
    try {
        current();
    } catch (...) {
        thrown = std::current_exception();
    }
    lock.lock();
    failure = thrown;
    busy = false;
}

}  // namespace korvane
