#include "ProgressLine.h"

#include <cstdio>

#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds showEvery(250);

}  // namespace

ProgressLine::ProgressLine()
    : terminal(isatty(fileno(stderr)) != 0), started(Clock::now()), lastShown(started) {}

ProgressLine::~ProgressLine() {
    if (shown) {
        std::fputc('\n', stderr);
    }
}

void ProgressLine::update(double done, std::uint64_t events) {
    const Clock::time_point now = Clock::now();
    if (!terminal || now - lastShown < showEvery) {
        return;
    }
    lastShown = now;
    shown = true;
    const double seconds = std::chrono::duration<double>(now - started).count();
    const double left = done > 0 ? seconds * (1 - done) / done : 0;
    std::fprintf(stderr, "\r%5.1f %%  %7.1f M events/s  %4.0f s left ", 100 * done,
                 seconds > 0 ? events / seconds / 1e6 : 0.0, left);
    std::fflush(stderr);
}
