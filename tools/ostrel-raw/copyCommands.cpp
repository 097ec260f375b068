// cut and convert: a window of a recording, or all of it, written anew in either encoding.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "OutputFile.h"
#include "ProgressLine.h"
#include "RawCommands.h"
#include "ToolArguments.h"
#include "korvane/RawFileReader.h"
#include "korvane/RawFileWriter.h"

namespace {

constexpr std::uint64_t noEnd = std::numeric_limits<std::uint64_t>::max();

struct CopyRequest {
    std::string input;
    std::string output;
    korvane::RawWriterOptions options;
    std::uint64_t from = 0;
    std::uint64_t end = noEnd;
    // Header lines that say where the copy came from.
    std::vector<std::pair<std::string, std::string>> origin;
};

bool parseFormat(const std::string& name, korvane::RawFormat& format, std::string& error) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "evt3" || lower == "evt2") {
        format = lower == "evt3" ? korvane::RawFormat::Evt3 : korvane::RawFormat::Evt2;
        return true;
    }
    error = "unknown format \"" + name + "\" (evt3 or evt2)";
    return false;
}

bool sameKey(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The source's header lines, with this copy's origin instead of an earlier one.
std::vector<std::pair<std::string, std::string>> headerEntries(const korvane::RawFileInfo& info,
                                                               const CopyRequest& request) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& entry : info.headerEntries) {
        const bool replaced =
            std::any_of(request.origin.begin(), request.origin.end(),
                        [&](const auto& own) { return sameKey(own.first, entry.first); });
        if (!replaced) {
            entries.push_back(entry);
        }
    }
    entries.insert(entries.end(), request.origin.begin(), request.origin.end());
    return entries;
}

// The header's size, or when it gives none the extent of the events found by loading.
bool sensorSize(const korvane::RawFileInfo& info, const std::string& path, std::uint16_t& width,
                std::uint16_t& height, std::string& error) {
    std::uint32_t w = info.width;
    std::uint32_t h = info.height;
    if (!info.geometryFromHeader) {
        const auto reader = openRecording(path, error);
        if (!reader) {
            return false;
        }
        w = reader->info().width;
        h = reader->info().height;
    }
    width = static_cast<std::uint16_t>(std::clamp<std::uint32_t>(w, 1, 2048));
    height = static_cast<std::uint16_t>(std::clamp<std::uint32_t>(h, 1, 2048));
    return true;
}

int copyRecording(CopyRequest request) {
    std::string error;
    OutputFile output(request.output);
    if (!checkInput(request.input, error) || !output.check(request.input, error)) {
        return failWith(error);
    }
    const auto source = korvane::RawFileReader::open(request.input);
    if (!source) {
        return failWith(request.input + ": not a readable EVT 3.0 or EVT 2.0 recording");
    }
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    if (!sensorSize(source->info(), request.input, width, height, error)) {
        return failWith(error);
    }
    request.options.headerEntries = headerEntries(source->info(), request);
    request.options.keepEarlierTimes = true;
    korvane::RawFileWriter writer;
    if (!writer.open(output.temporaryPath(), width, height, request.options)) {
        return failWith(request.output + ": cannot be written");
    }
    bool copied = false;
    {
        ProgressLine progress;
        copied = writer.copyFrom(request.input, request.from, request.end, [&](double done) {
            progress.update(done, writer.eventsWritten());
            return true;
        });
    }
    if (!writer.close()) {
        return failWith(request.output + ": write error");
    }
    if (!copied) {
        return failWith(request.input + ": read error");
    }
    if (!output.commit(error)) {
        return failWith(error);
    }
    std::printf("wrote %s: %llu events, %llu triggers, %s\n", request.output.c_str(),
                static_cast<unsigned long long>(writer.eventsWritten()),
                static_cast<unsigned long long>(writer.triggersWritten()),
                request.options.format == korvane::RawFormat::Evt3 ? "EVT 3.0" : "EVT 2.0");
    if (writer.clampedEvents() != 0 || writer.skippedEvents() != 0) {
        std::fprintf(stderr,
                     "ostrel-raw: %llu items moved to an earlier neighbour's time, %llu left out "
                     "(trigger ids beyond the encoding)\n",
                     static_cast<unsigned long long>(writer.clampedEvents()),
                     static_cast<unsigned long long>(writer.skippedEvents()));
    }
    return 0;
}

bool parseCopy(const std::vector<std::string>& words, const std::set<std::string>& options,
               const char* command, ToolArguments& arguments, CopyRequest& request,
               std::string& error) {
    if (!arguments.parse(words, options, {})) {
        error = arguments.error();
        return false;
    }
    if (arguments.positional().size() != 2) {
        error = std::string(command) + " takes IN and OUT (see ostrel-raw --help)";
        return false;
    }
    request.input = arguments.positional()[0];
    request.output = arguments.positional()[1];
    return parseFormat(arguments.text("--format", "evt3"), request.options.format, error);
}

std::string fileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

}  // namespace

int cutCommand(const std::vector<std::string>& words) {
    ToolArguments arguments;
    CopyRequest request;
    std::string error;
    std::uint64_t duration = 0;
    if (!parseCopy(words, {"--from", "--duration", "--format"}, "cut", arguments, request, error)) {
        return failWith(error);
    }
    if (!arguments.number("--from", 0, request.from) ||
        !arguments.positive("--duration", noEnd, duration)) {
        return failWith(arguments.error());
    }
    request.end = duration > noEnd - request.from ? noEnd : request.from + duration;
    request.origin = {{"cut_from", fileName(request.input)},
                      {"cut_start_us", std::to_string(request.from)},
                      {"cut_duration_us", arguments.has("--duration") ? std::to_string(duration)
                                                                      : std::string("to the end")}};
    return copyRecording(request);
}

int convertCommand(const std::vector<std::string>& words) {
    ToolArguments arguments;
    CopyRequest request;
    std::string error;
    if (!parseCopy(words, {"--format"}, "convert", arguments, request, error)) {
        return failWith(error);
    }
    if (!arguments.has("--format")) {
        return failWith("convert needs --format evt3 or --format evt2");
    }
    request.origin = {{"converted_from", fileName(request.input)}};
    return copyRecording(request);
}
