#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace korvane {

// A thread that runs one job at a time for its owner, who goes on with other work meanwhile and
// then waits for the job: lets one read use two cores. The thread starts with the first job and
// is joined on destruction.
class HelperThread {
public:
    HelperThread() = default;
    ~HelperThread();
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Hands over job; the previous one must have been waited for. Runs it at once, on the
    // calling thread, when no thread can be started.
    void start(std::function<void()> job);
    // Returns once the job has run, rethrowing what it threw.
    void wait();

private:
    void run();
    // Runs the pending job with the lock released; returns with it held and the job done.
    void runJob(std::unique_lock<std::mutex>& lock);

    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> job;
    std::exception_ptr failure;
    bool busy = false;
    bool stopping = false;
    std::thread thread;
};

}  // namespace korvane
