#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "CsvOut.h"
#include "OutputFile.h"
#include "RawCommands.h"
#include "ToolArguments.h"
#include "korvane/EventRate.h"

namespace {

// About 46 hours of 10 ms bins, in 400 MB.
constexpr std::size_t maxBins = std::size_t{1} << 24;

void printRate(const korvane::EventRate& rate) {
    CsvOut out;
    std::fputs("t_us,events,positive,negative,triggers\n", stdout);
    std::uint64_t start = rate.firstBinStart;
    for (const korvane::RateBin& bin : rate.bins) {
        out.number(start, ',');
        out.number(bin.events, ',');
        out.number(bin.positive, ',');
        out.number(bin.events - bin.positive, ',');
        out.number(bin.triggers, '\n');
        start += rate.binUs;
    }
}

}  // namespace

// rate IN [--bin US] [--plot OUT.png]
int rateCommand(const std::vector<std::string>& words) {
    ToolArguments arguments;
    if (!arguments.parse(words, {"--bin", "--plot"}, {})) {
        return failWith(arguments.error());
    }
    if (arguments.positional().size() != 1) {
        return failWith("rate takes one FILE (see ostrel-raw --help)");
    }
    korvane::EventRateOptions options;
    options.maxBins = maxBins;
    if (!arguments.positive("--bin", options.binUs, options.binUs)) {
        return failWith(arguments.error());
    }
    const std::string input = arguments.positional().front();
    const std::string plotPath = arguments.text("--plot");
    OutputFile plot(plotPath);
    std::string error;
    if (!checkInput(input, error) || (arguments.has("--plot") && !plot.check(input, error))) {
        return failWith(error);
    }
    if (arguments.has("--plot") && !mediaCommandsBuilt()) {
        return failWith("--plot needs ostrel-raw built with Qt Charts (OSTREL_MEDIA_TOOLS)");
    }
    korvane::EventRate rate;
    if (!korvane::countEventRate(input, options, rate, error)) {
        return failWith(error);
    }
    printRate(rate);
    if (arguments.has("--plot")) {
        std::fflush(stdout);
        const std::string title = std::filesystem::path(input).filename().string();
        if (!writeRatePlot(rate, title, plot.temporaryPath(), error) || !plot.commit(error)) {
            return failWith(error);
        }
    }
    return 0;
}
