#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>

#include "WordBuffer.h"

namespace korvane {

// Writes full buffers to a file on a thread of its own while the caller fills the next one, so
// a long copy spends no time of its own in the file system.
class WriteBehind {
public:
    explicit WriteBehind(std::FILE* file);
    // Waits for the last write.
    ~WriteBehind();
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // Waits for the write before, then takes words to write and leaves an empty buffer in their
    // place. False once a write has failed.
    bool hand(WordBuffer& words);
    // Waits for the last write; false if any failed. bytes gets what was written.
    bool finish(std::uint64_t& bytes);

private:
    void run();

    std::FILE* file;
    std::mutex mutex;
    std::condition_variable changed;
    WordBuffer pending;
    bool full = false;
    bool stopping = false;
    bool failed = false;
    std::uint64_t written = 0;
    std::thread thread;  // last: started once the rest is ready
};

}  // namespace korvane
