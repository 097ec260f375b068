#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "korvane/CameraTool.h"
#include "korvane/Event2D.h"
#include "korvane/ToolType.h"

namespace korvane {

// An opened camera. fetchEvents may run on one thread while the others run on another.
class DvsCamera {
public:
    virtual ~DvsCamera() = default;

    virtual bool isConnected() = 0;
    // Length of one batch in microseconds.
    virtual void setTimeInterval(std::uint64_t microseconds) = 0;
    virtual bool startStream() = 0;
    virtual bool stopStream() = 0;
    // Replaces the vector's contents with the newest completed batch, or leaves it empty.
    virtual void fetchEvents(std::vector<Event2D>& events) = 0;
    virtual void releaseEventHandle(std::uint32_t handle) = 0;
    virtual bool startRecording(std::string path) = 0;
    virtual bool stopRecording() = 0;
    virtual std::shared_ptr<CameraTool> getTool(ToolType type) = 0;
};

}  // namespace korvane
