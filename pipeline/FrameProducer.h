#pragma once

#include <memory>

#include "korvane/DvsCamera.h"

// The threads that turn the open source into frames, as SourceState starts and stops them. The
// main window implements it: it owns the threads and what they paint into.
class FrameProducer {
public:
    virtual ~FrameProducer() = default;

    // Both start a thread; at most one runs, and only after stopFrames joined the previous one.
    virtual void startLive(std::shared_ptr<korvane::DvsCamera> camera) = 0;
    virtual void startPlayback() = 0;
    // Stops and joins whichever thread runs; nothing when none does.
    virtual void stopFrames() = 0;
};
