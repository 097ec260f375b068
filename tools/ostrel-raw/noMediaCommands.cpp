// Stand-ins for a build without Qt Charts and FFmpeg: the commands that need them refuse.
#include "RawCommands.h"

bool mediaCommandsBuilt() {
    return false;
}

int videoCommand(const std::vector<std::string>&) {
    return failWith("video needs ostrel-raw built with FFmpeg and Qt (OSTREL_MEDIA_TOOLS)");
}

bool writeRatePlot(const korvane::EventRate&, const std::string&, const std::string&,
                   std::string& error) {
    error = "plots need ostrel-raw built with Qt Charts (OSTREL_MEDIA_TOOLS)";
    return false;
}
