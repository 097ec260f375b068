#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvane {

// Items of one bin of time. Negative events are events - positive.
struct RateBin {
    std::uint64_t events = 0;
    std::uint64_t positive = 0;
    std::uint64_t triggers = 0;
};

// A recording's events and trigger edges per bin of time. Bins start at multiples of binUs and
// run without gaps from the earliest to the latest bin holding an item; none when there is none.
struct EventRate {
    std::uint64_t binUs = 0;
    std::uint64_t firstBinStart = 0;
    std::vector<RateBin> bins;
};

struct EventRateOptions {
    std::uint64_t binUs = 10000;  // more than 0
    // 0: no limit. Past it the bins double in width as often as needed when widen is set, and
    // the count fails otherwise.
    std::size_t maxBins = 0;
    bool widen = false;
};

// Called after each block of data with the share done (0 to 1) and the counts so far; returning
// false stops the count.
using EventRateProgress = std::function<bool(double done, const EventRate& soFar)>;

// Counts the recording at path in one pass over its data, with the decoding of RawFileReader, so
// the bins add up to its info() counts. False with error set when path is no recording, a read
// fails, the bins would pass maxBins without widen, or progress stopped the count.
bool countEventRate(const std::string& path, const EventRateOptions& options, EventRate& rate,
                    std::string& error, const EventRateProgress& progress = {});

}  // namespace korvane
