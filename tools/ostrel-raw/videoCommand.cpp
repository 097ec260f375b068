// video: a recording painted frame by frame with the viewer's accumulator, encoded as H.264 MP4.
#include <QStringList>
#include <cmath>
#include <string>
#include <vector>

#include "OutputFile.h"
#include "ProgressLine.h"
#include "RawCommands.h"
#include "ToolArguments.h"
#include "VideoEncoder.h"
#include "korvane/RawFileReader.h"
#include "pipeline/EventFrameAccumulator.h"
#include "pipeline/FramePalette.h"

namespace {

// Which slice of the recording each frame shows.
struct FrameTimes {
    std::uint64_t from = 0;
    double stepUs = 0;           // recording time between frames
    std::uint64_t accumulation;  // 0: from one frame's start to the next one's
    std::uint64_t frames = 0;

    std::uint64_t start(std::uint64_t frame) const {
        return from + static_cast<std::uint64_t>(std::llround(static_cast<double>(frame) * stepUs));
    }
    std::uint64_t length(std::uint64_t frame) const {
        return accumulation != 0 ? accumulation : start(frame + 1) - start(frame);
    }
};

struct VideoRequest {
    std::string input;
    std::string output;
    FramePalette palette;
    std::uint64_t fps = 30;
    FrameTimes times;
};

bool parseVideo(const std::vector<std::string>& words, VideoRequest& request, std::uint64_t& from,
                std::uint64_t& duration, double& speed, std::string& error) {
    ToolArguments arguments;
    if (!arguments.parse(
            words, {"--from", "--duration", "--accumulation", "--fps", "--speed", "--palette"},
            {})) {
        error = arguments.error();
        return false;
    }
    if (arguments.positional().size() != 2) {
        error = "video takes IN and OUT.mp4 (see ostrel-raw --help)";
        return false;
    }
    request.input = arguments.positional()[0];
    request.output = arguments.positional()[1];
    if (!arguments.number("--from", 0, from) || !arguments.positive("--duration", 0, duration) ||
        !arguments.positive("--accumulation", 0, request.times.accumulation) ||
        !arguments.positive("--fps", 30, request.fps) ||
        !arguments.positiveReal("--speed", 1.0, speed)) {
        error = arguments.error();
        return false;
    }
    if (request.fps > 1000) {
        error = "option --fps must be at most 1000";
        return false;
    }
    const QString palette = QString::fromStdString(arguments.text("--palette", "default"));
    if (!FramePalette::byName(palette, request.palette)) {
        QStringList names;
        for (const FramePalette& known : FramePalette::all()) {
            names << known.name;
        }
        error = "unknown palette \"" + palette.toStdString() + "\" (" +
                names.join(", ").toStdString() + ")";
        return false;
    }
    if (!arguments.has("--from")) {
        from = ~std::uint64_t{0};
    }
    return true;
}

// The span asked for, or from the first to the last event.
bool frameTimes(korvane::RawFileReader& reader, std::uint64_t from, std::uint64_t duration,
                double speed, VideoRequest& request, std::string& error) {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (!reader.getBeginTime(first) || !reader.getEndTime(last)) {
        error = request.input + ": no events to film";
        return false;
    }
    FrameTimes& times = request.times;
    times.from = from != ~std::uint64_t{0} ? from : first;
    if (duration == 0) {
        duration = last >= times.from ? last - times.from + 1 : 0;
    }
    times.stepUs = 1e6 * speed / static_cast<double>(request.fps);
    times.frames =
        static_cast<std::uint64_t>(std::ceil(static_cast<double>(duration) / times.stepUs - 1e-9));
    if (times.frames == 0) {
        error = "nothing to film after the last event";
        return false;
    }
    return true;
}

int filmRecording(const VideoRequest& request, korvane::RawFileReader& reader, OutputFile& output) {
    VideoEncoder encoder;
    std::string error;
    const QSize size = EventFrameAccumulator::defaultSize;
    if (!encoder.open(output.temporaryPath(), size.width(), size.height(),
                      static_cast<int>(request.fps), error)) {
        return failWith(error);
    }
    EventFrameAccumulator accumulator(size, request.palette);
    const FrameTimes& times = request.times;
    std::uint64_t events = 0;
    {
        ProgressLine progress;
        for (std::uint64_t frame = 0; frame < times.frames; ++frame) {
            if (const auto slice = reader.readEventsAt(times.start(frame), times.length(frame))) {
                accumulator.addEvents(slice->data(), slice->data() + slice->size());
                events += slice->size();
            }
            if (!encoder.addFrame(accumulator.takeImage(), error)) {
                return failWith(error);
            }
            progress.update(static_cast<double>(frame + 1) / times.frames, events);
        }
    }
    if (!encoder.finish(error) || !output.commit(error)) {
        return failWith(error);
    }
    std::printf("wrote %s: %llu frames at %llu fps, %llu events\n", request.output.c_str(),
                static_cast<unsigned long long>(times.frames),
                static_cast<unsigned long long>(request.fps),
                static_cast<unsigned long long>(events));
    return 0;
}

}  // namespace

// video IN OUT.mp4 [--from US] [--duration US] [--accumulation US] [--fps N] [--speed X]
//                  [--palette NAME]
int videoCommand(const std::vector<std::string>& words) {
    VideoRequest request;
    std::uint64_t from = 0;
    std::uint64_t duration = 0;
    double speed = 1.0;
    std::string error;
    if (!parseVideo(words, request, from, duration, speed, error)) {
        return failWith(error);
    }
    OutputFile output(request.output);
    if (!checkInput(request.input, error) || !output.check(request.input, error)) {
        return failWith(error);
    }
    const auto reader = openRecording(request.input, error);
    if (!reader || !frameTimes(*reader, from, duration, speed, request, error)) {
        return failWith(error);
    }
    return filmRecording(request, *reader, output);
}

bool mediaCommandsBuilt() {
    return true;
}
