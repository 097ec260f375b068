#pragma once

#include <cstdint>

#include "korvane/EventRate.h"

namespace korvane {

// The bins of an EventRate, grown on demand around the times counted and widened when allowed.
class RateTable {
public:
    RateTable(EventRate& rate, const EventRateOptions& options);

    // The bin of time, whose range [start, start + width) is given back. After the bins would
    // have passed the limit without widening, a spare bin outside the table with the widest range.
    RateBin* binFor(std::uint64_t time, std::uint64_t& start, std::uint64_t& width);
    bool overflowed() const { return overflow; }

private:
    // Bins needed to hold both index and the present ones.
    std::uint64_t binsWith(std::uint64_t index) const;
    void widen();

    EventRate& rate;
    std::uint64_t maxBins;
    bool mayWiden;
    bool overflow = false;
    RateBin spare;
};

}  // namespace korvane
