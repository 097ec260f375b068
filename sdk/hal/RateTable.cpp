#include "RateTable.h"

#include <algorithm>
#include <limits>

namespace korvane {

RateTable::RateTable(EventRate& rate, const EventRateOptions& options)
    : rate(rate),
      maxBins(options.maxBins != 0 ? options.maxBins : std::numeric_limits<std::uint64_t>::max()),
      mayWiden(options.widen) {
    rate.binUs = std::max<std::uint64_t>(options.binUs, 1);
    rate.firstBinStart = 0;
    rate.bins.clear();
}

RateBin* RateTable::binFor(std::uint64_t time, std::uint64_t& start, std::uint64_t& width) {
    while (!overflow && binsWith(time / rate.binUs) > maxBins) {
        if (mayWiden && rate.binUs <= std::numeric_limits<std::uint64_t>::max() / 2) {
            widen();
        } else {
            overflow = true;
        }
    }
    if (overflow) {
        start = 0;
        width = std::numeric_limits<std::uint64_t>::max();
        return &spare;
    }
    const std::uint64_t index = time / rate.binUs;
    const std::uint64_t first = rate.firstBinStart / rate.binUs;
    if (rate.bins.empty()) {
        rate.bins.resize(1);
        rate.firstBinStart = index * rate.binUs;
    } else if (index < first) {
        rate.bins.insert(rate.bins.begin(), first - index, RateBin());
        rate.firstBinStart = index * rate.binUs;
    } else if (index - first >= rate.bins.size()) {
        rate.bins.resize(index - first + 1);
    }
    start = index * rate.binUs;
    width = rate.binUs;
    return &rate.bins[index - rate.firstBinStart / rate.binUs];
}

std::uint64_t RateTable::binsWith(std::uint64_t index) const {
    if (rate.bins.empty()) {
        return 1;
    }
    const std::uint64_t first = rate.firstBinStart / rate.binUs;
    const std::uint64_t last = first + rate.bins.size() - 1;
    return std::max(last, index) - std::min(first, index) + 1;
}

// Bins 2k and 2k + 1 of the old width make bin k of the new one.
void RateTable::widen() {
    const std::uint64_t first = rate.firstBinStart / rate.binUs;
    std::vector<RateBin> wider;
    if (!rate.bins.empty()) {
        wider.resize((first + rate.bins.size() - 1) / 2 - first / 2 + 1);
    }
    for (std::size_t i = 0; i < rate.bins.size(); ++i) {
        RateBin& into = wider[(first + i) / 2 - first / 2];
        into.events += rate.bins[i].events;
        into.positive += rate.bins[i].positive;
        into.triggers += rate.bins[i].triggers;
    }
    rate.binUs *= 2;
    rate.firstBinStart = first / 2 * rate.binUs;
    rate.bins.swap(wider);
}

}  // namespace korvane
