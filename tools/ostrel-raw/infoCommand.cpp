#include <cstdio>
#include <string>

#include "RawCommands.h"
#include "ToolArguments.h"
#include "korvane/RawFileReader.h"
#include "korvane/RawFileReport.h"

int infoCommand(const std::vector<std::string>& words) {
    ToolArguments arguments;
    if (!arguments.parse(words, {}, {})) {
        return failWith(arguments.error());
    }
    if (arguments.positional().size() != 1) {
        return failWith("info takes one FILE (see ostrel-raw --help)");
    }
    std::string error;
    const auto reader = openRecording(arguments.positional().front(), error);
    if (!reader) {
        return failWith(error);
    }
    for (const auto& [key, value] : korvane::rawFileReport(reader->info())) {
        std::printf("%s: %s\n", key.c_str(), value.c_str());
    }
    return 0;
}
