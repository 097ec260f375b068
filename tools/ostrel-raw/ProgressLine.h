#pragma once

#include <chrono>
#include <cstdint>

// A progress line on standard error, rewritten in place a few times a second, only when standard
// error is a terminal: share done, events per second and time left.
class ProgressLine {
public:
    ProgressLine();
    // Ends the line, so what follows starts on a fresh one.
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // done is the share from 0 to 1; events the number handled so far.
    void update(double done, std::uint64_t events);

private:
    using Clock = std::chrono::steady_clock;

    bool terminal = false;
    bool shown = false;
    Clock::time_point started;
    Clock::time_point lastShown;
};
