#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "korvane/RecordingStatus.h"

// What the information overlay over the frame tells.
struct OverlayFigures {
    double rate = 0;  // events per second, smoothed
    double positiveShare = 0;
    std::uint64_t frameEvents = 0;  // in the frame shown
    std::uint64_t accumulationUs = 0;
    std::uint32_t frameRate = 0;

    bool recordingOpen = false;
    QString fileName;
    QString encoding;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint64_t positionUs = 0;  // from the recording's start
    std::uint64_t durationUs = 0;
    std::uint64_t skippedWords = 0;
    std::uint64_t droppedEvents = 0;

    bool recording = false;
    korvane::RecordingStatus recorder;
};

// The overlay's lines: the rate and the frame always, the open recording and the camera's
// recording when there are.
QStringList overlayLines(const OverlayFigures& figures);
// 12345678 reads 12,345,678.
QString groupedNumber(std::uint64_t value);
