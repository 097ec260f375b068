#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "SensorSettings.h"
#include "korvane/BoolParameterInfo.h"
#include "korvane/CameraTool.h"
#include "korvane/EnumParameterInfo.h"
#include "korvane/FloatParameterInfo.h"

namespace korvane {

// The "Biases" tool of a simulated sensor. Integer biases shape the pixels (contrast thresholds,
// refractory period, front-end bandwidth, noise); a float, a bool and an enum parameter steer the
// scene. Values are clamped to their ranges. Any thread may call it; the camera's producer reads
// the values through settings().
class BiasTool final : public CameraTool {
public:
    static const char* const toolName;

    // intDefaults: start values of integer biases other than 0.
    explicit BiasTool(SceneKind defaultScene,
                      const std::vector<std::pair<std::string, int>>& intDefaults = {});

    std::vector<BasicParameterInfo> getAllParamInfo() override;
    bool getParamInfo(std::string name, IntParameterInfo& info) override;

    bool getParam(std::string name, std::string& value) override;
    bool getParam(std::string name, bool& value) override;
    bool getParam(std::string name, float& value) override;
    bool getParam(std::string name, int& value) override;

    bool setParam(std::string name, const std::string& value) override;
    bool setParam(std::string name, const bool& value) override;
    bool setParam(std::string name, const float& value) override;
    bool setParam(std::string name, const int& value) override;

    SensorSettings settings() const;
    // Goes up with every change, so a reader can tell cheaply that settings() moved.
    std::uint64_t version() const { return changes.load(std::memory_order_acquire); }

private:
    struct Parameter {
        BasicParameterInfo basic;
        IntParameterInfo intInfo;
        FloatParameterInfo floatInfo;
        BoolParameterInfo boolInfo;
        EnumParameterInfo enumInfo;
        int intValue;
        float floatValue;
        bool boolValue;
        std::string enumValue;
    };

    void addInt(const char* name, const char* description, int min, int max, const char* unit);
    // Called with valuesMutex held.
    const Parameter* find(const std::string& name, ToolParameterType type) const;
    Parameter* find(const std::string& name, ToolParameterType type);
    int intValue(const char* name) const;
    void changed();

    mutable std::mutex valuesMutex;
    std::vector<Parameter> parameters;
    std::atomic<std::uint64_t> changes{0};
};

}  // namespace korvane
