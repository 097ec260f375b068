#pragma once

#include <QSize>
#include <cstdint>

#include "korvane/DvsFileReader.h"
#include "korvane/RawFileInfo.h"

// The canvas for a sensor of width x height: the sensor's own size, or the usual 1280 x 720 when
// the size is unknown (0) or larger than a recording can be (2048).
QSize canvasSizeFor(std::uint32_t width, std::uint32_t height);

// Header and counts of an opened recording; false for a reader that cannot tell. The counts are
// complete once it is loaded, and stay as they are while it plays.
bool recordingInfo(const korvane::DvsFileReader* reader, korvane::RawFileInfo& info);
// The canvas for a recording: its sensor's size when the header gives it.
QSize recordingCanvasSize(const korvane::RawFileInfo& info);
