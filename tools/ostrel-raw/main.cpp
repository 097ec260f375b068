#include <cstdio>
#include <string>
#include <vector>

#include "RawCommands.h"

namespace {

const char* const usage =
    "Usage: ostrel-raw COMMAND FILE [OPTIONS]\n"
    "Reads, cuts, converts, counts and films EVT 3.0 and EVT 2.0 .raw event recordings.\n"
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
    "  cut IN OUT     write the events and triggers of one time span to a new recording\n"
    "    --from US        first timestamp in microseconds (default: 0)\n"
    "    --duration US    length of the span in microseconds (default: to the end)\n"
    "    --format F       evt3 (default) or evt2\n"
    "  convert IN OUT --format F   write the whole recording in encoding F (evt3 or evt2)\n"
    "  rate FILE      print \"t_us,events,positive,negative,triggers\", one line per bin of\n"
    "                 time from the first to the last item\n"
    "    --bin US         bin length in microseconds (default: 10000)\n"
    "    --plot OUT.png   also draw positive and negative events per second over time\n"
    "  video IN OUT.mp4   paint the recording as the viewer does and encode it as H.264 MP4\n"
    "    --from US        first timestamp (default: the first event)\n"
    "    --duration US    span to film (default: to the last event)\n"
    "    --fps N          frames per second of the video (default: 30)\n"
    "    --speed X        recording seconds per video second (default: 1; 0.1 is slow motion)\n"
    "    --accumulation US  time painted into each frame (default: one frame's step)\n"
    "    --palette NAME   default, dark or blue-orange (colour-blind safe)\n"
    "  generate OUT --seconds S   write S seconds of a simulated camera to OUT, faster\n"
    "                 than real time\n"
    "    --camera SERIAL  which camera (default: the first one listed)\n"
    "    --bias NAME=VALUE  set a bias of its bias tool; may be given several times\n"
    "  --help         print this text\n"
    "\n"
    "A missing file, a file that is not a recording or a bad option prints one line on\n"
    "stderr and exits with status 1; success exits with 0. Loading writes a one-line summary\n"
    "of the decoding problems found to stderr. Output files are written under a temporary\n"
    "name and renamed when complete; cut, convert and video show their progress on stderr\n"
    "when it is a terminal.\n";

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
    if (command == "cut") {
        return cutCommand(words);
    }
    if (command == "convert") {
        return convertCommand(words);
    }
    if (command == "rate") {
        return rateCommand(words);
    }
    if (command == "video") {
        return videoCommand(words);
    }
    if (command.empty()) {
        return failWith("missing command (see ostrel-raw --help)");
    }
    return failWith("unknown command \"" + command + "\" (see ostrel-raw --help)");
}
