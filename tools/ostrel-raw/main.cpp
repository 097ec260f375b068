#include <cstdio>
#include <string>
#include <vector>

#include "RawCommands.h"

namespace {

const char* const usage =
    "Usage: ostrel-raw COMMAND FILE [OPTIONS]\n"
    "Reads EVT 3.0 and EVT 2.0 .raw event recordings.\n"
    "\n"
    "Commands:\n"
    "  info FILE      print key: value lines: format, width, height, events, positive,\n"
    "                 negative, triggers, first/last/min/max_timestamp_us, duration_us,\n"
    "                 min/max_x, min/max_y, event_rate_hz, skipped_words, dropped_events,\n"
    "                 the detailed damage counts, then the header keys as header_<key>\n"
    "  dump FILE      print \"t,x,y,p\", then one event per line in file order\n"
    "    --from US        first timestamp in microseconds (default: the first event)\n"
    "    --duration US    length of the time span in microseconds (default: to the end)\n"
    "    --limit N        print at most N lines after the title line\n"
    "    --triggers       print \"t,id,value\" trigger lines instead of events\n"
    "  generate OUT --seconds S   write S seconds of a simulated camera to OUT, faster\n"
    "                 than real time\n"
    "    --camera SERIAL  which camera (default: the first one listed)\n"
    "    --bias NAME=VALUE  set a bias of its bias tool; may be given several times\n"
    "  --help         print this text\n"
    "\n"
    "A missing file, a file that is not a recording or a bad option prints one line on\n"
    "stderr and exits with status 1; success exits with 0. Loading writes a one-line summary\n"
    "of the decoding problems found to stderr.\n";

}  // namespace

int failWith(const std::string& message) {
    std::fprintf(stderr, "ostrel-raw: %s\n", message.c_str());
    return 1;
}

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + (argc > 1 ? 2 : argc), argv + argc);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(usage, stdout);
        return 0;
    }
    if (command == "info") {
        return infoCommand(words);
    }
    if (command == "dump") {
        return dumpCommand(words);
    }
    if (command == "generate") {
        return generateCommand(words);
    }
    if (command.empty()) {
        return failWith("missing command (see ostrel-raw --help)");
    }
    return failWith("unknown command \"" + command + "\" (see ostrel-raw --help)");
}
