#pragma once

#include <memory>
#include <utility>

#include "korvane/DvsCamera.h"

// A camera that only hands out the given tool (which may be empty).
class FakeCamera : public korvane::DvsCamera {
public:
    explicit FakeCamera(std::shared_ptr<korvane::CameraTool> tool) : tool(std::move(tool)) {}

    bool isConnected() override { return true; }
    void setTimeInterval(std::uint64_t) override {}
    bool startStream() override { return true; }
    bool stopStream() override { return true; }
    void fetchEvents(std::vector<korvane::Event2D>& events) override { events.clear(); }
    void releaseEventHandle(std::uint32_t) override {}
    bool startRecording(std::string) override { return false; }
    bool stopRecording() override { return false; }
    std::shared_ptr<korvane::CameraTool> getTool(korvane::ToolType) override {
        ++getToolCalls;
        return tool;
    }

    int getToolCalls = 0;

private:
    std::shared_ptr<korvane::CameraTool> tool;
};
