#include "pipeline/sensorCanvas.h"

#include "korvane/RawFileReader.h"
#include "pipeline/EventFrameAccumulator.h"

namespace {

const std::uint32_t largestSensor = 2048;

}  // namespace

QSize canvasSizeFor(std::uint32_t width, std::uint32_t height) {
    if (width == 0 || height == 0 || width > largestSensor || height > largestSensor) {
        return EventFrameAccumulator::defaultSize;
    }
    return QSize(int(width), int(height));
}

bool recordingInfo(const korvane::DvsFileReader* reader, korvane::RawFileInfo& info) {
    const auto* raw = dynamic_cast<const korvane::RawFileReader*>(reader);
    if (raw == nullptr) {
        return false;
    }
    info = raw->info();
    return true;
}

// Without a size in the header the sensor is unknown: the largest event seen says little.
QSize recordingCanvasSize(const korvane::RawFileInfo& info) {
    return info.geometryFromHeader ? canvasSizeFor(info.width, info.height)
                                   : EventFrameAccumulator::defaultSize;
}
