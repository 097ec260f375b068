#include "BiasTool.h"

#include <cmath>

namespace korvane {

namespace {

const char* const sceneNames[] = {"shapes", "windmill"};

}  // namespace

const char* const BiasTool::toolName = "Biases";

BiasTool::BiasTool(SceneKind defaultScene,
                   const std::vector<std::pair<std::string, int>>& intDefaults)
    : CameraTool(toolName) {
    addInt("contrast_on",
           "Brightness rise that makes one positive event; higher values give fewer events", -100,
           100, "");
    addInt("contrast_off",
           "Brightness fall that makes one negative event; higher values give fewer events", -100,
           100, "");
    addInt("refractory", "Time a pixel stays blind after each event, from 2 us to 5 ms", -100, 100,
           "");
    addInt("bandwidth",
           "Front-end cut-off: lower values answer fast edges later and filter noise out", -100,
           100, "");
    addInt("noise", "Background events per pixel and second", 0, 255, "0.1 Hz");
    for (const auto& [name, value] : intDefaults) {
        if (Parameter* parameter = find(name, ToolParameterType::Int)) {
            parameter->intInfo.defaultValue = parameter->intInfo.constraintValue(value);
            parameter->intValue = parameter->intInfo.defaultValue;
        }
    }

    Parameter speed{};
    speed.basic = {"motion_speed", "How fast the scene moves, 1 being its natural pace",
                   ToolParameterType::Float};
    speed.floatInfo = {0.0f, 4.0f, 1.0f, "x"};
    speed.floatValue = 1.0f;
    parameters.push_back(speed);

    Parameter flip{};
    flip.basic = {"flip_x", "Mirror the picture left to right", ToolParameterType::Bool};
    flip.boolInfo.defaultValue = false;
    flip.boolValue = false;
    parameters.push_back(flip);

    Parameter scene{};
    scene.basic = {"scene", "What the sensor looks at", ToolParameterType::Enum};
    scene.enumInfo.options.assign(std::begin(sceneNames), std::end(sceneNames));
    scene.enumInfo.defaultValue = sceneNames[static_cast<int>(defaultScene)];
    scene.enumValue = scene.enumInfo.defaultValue;
    parameters.push_back(scene);
}

void BiasTool::addInt(const char* name, const char* description, int min, int max,
                      const char* unit) {
    Parameter parameter{};
    parameter.basic = {name, description, ToolParameterType::Int};
    parameter.intInfo = {min, max, 0, unit};
    parameter.intValue = 0;
    parameters.push_back(parameter);
}

std::vector<BasicParameterInfo> BiasTool::getAllParamInfo() {
    std::lock_guard<std::mutex> lock(valuesMutex);
    std::vector<BasicParameterInfo> all;
    all.reserve(parameters.size());
    for (const Parameter& parameter : parameters) {
        all.push_back(parameter.basic);
    }
    return all;
}

bool BiasTool::getParamInfo(std::string name, IntParameterInfo& info) {
    std::lock_guard<std::mutex> lock(valuesMutex);
    const Parameter* parameter = find(name, ToolParameterType::Int);
    if (parameter == nullptr) {
        return false;
    }
    info = parameter->intInfo;
    return true;
}

bool BiasTool::getParam(std::string name, std::string& value) {
    std::lock_guard<std::mutex> lock(valuesMutex);
    const Parameter* parameter = find(name, ToolParameterType::Enum);
    if (parameter == nullptr) {
        return false;
    }
    value = parameter->enumValue;
    return true;
}

bool BiasTool::getParam(std::string name, bool& value) {
    std::lock_guard<std::mutex> lock(valuesMutex);
    const Parameter* parameter = find(name, ToolParameterType::Bool);
    if (parameter == nullptr) {
        return false;
    }
    value = parameter->boolValue;
    return true;
}

bool BiasTool::getParam(std::string name, float& value) {
    std::lock_guard<std::mutex> lock(valuesMutex);
    const Parameter* parameter = find(name, ToolParameterType::Float);
    if (parameter == nullptr) {
        return false;
    }
    value = parameter->floatValue;
    return true;
}

bool BiasTool::getParam(std::string name, int& value) {
    std::lock_guard<std::mutex> lock(valuesMutex);
    const Parameter* parameter = find(name, ToolParameterType::Int);
    if (parameter == nullptr) {
        return false;
    }
    value = parameter->intValue;
    return true;
}

bool BiasTool::setParam(std::string name, const std::string& value) {
    std::lock_guard<std::mutex> lock(valuesMutex);
    Parameter* parameter = find(name, ToolParameterType::Enum);
    if (parameter == nullptr) {
        return false;
    }
    for (const std::string& option : parameter->enumInfo.options) {
        if (option == value) {
            parameter->enumValue = value;
            changed();
            return true;
        }
    }
    return false;
}

bool BiasTool::setParam(std::string name, const bool& value) {
    std::lock_guard<std::mutex> lock(valuesMutex);
    Parameter* parameter = find(name, ToolParameterType::Bool);
    if (parameter == nullptr) {
        return false;
    }
    parameter->boolValue = value;
    changed();
    return true;
}

bool BiasTool::setParam(std::string name, const float& value) {
    std::lock_guard<std::mutex> lock(valuesMutex);
    Parameter* parameter = find(name, ToolParameterType::Float);
    // NaN would pass the clamp untouched.
    if (parameter == nullptr || std::isnan(value)) {
        return false;
    }
    parameter->floatValue = parameter->floatInfo.constraintValue(value);
    changed();
    return true;
}

bool BiasTool::setParam(std::string name, const int& value) {
    std::lock_guard<std::mutex> lock(valuesMutex);
    Parameter* parameter = find(name, ToolParameterType::Int);
    if (parameter == nullptr) {
        return false;
    }
    parameter->intValue = parameter->intInfo.constraintValue(value);
    changed();
    return true;
}

SensorSettings BiasTool::settings() const {
    std::lock_guard<std::mutex> lock(valuesMutex);
    SensorSettings result;
    result.thresholdOn = thresholdFromBias(intValue("contrast_on"));
    result.thresholdOff = thresholdFromBias(intValue("contrast_off"));
    result.refractoryMicroseconds = refractoryFromBias(intValue("refractory"));
    const double cutoff = cutoffHertzFromBias(intValue("bandwidth"));
    result.photoreceptorTauMicroseconds = tauMicrosecondsFromCutoff(cutoff);
    result.noiseRatePerPixel = noiseRateFromBiases(intValue("noise"), cutoff);
    result.motionSpeed = find("motion_speed", ToolParameterType::Float)->floatValue;
    result.flipX = find("flip_x", ToolParameterType::Bool)->boolValue;
    const std::string& scene = find("scene", ToolParameterType::Enum)->enumValue;
    result.scene = scene == sceneNames[1] ? SceneKind::Windmill : SceneKind::Shapes;
    return result;
}

const BiasTool::Parameter* BiasTool::find(const std::string& name, ToolParameterType type) const {
    for (const Parameter& parameter : parameters) {
        if (parameter.basic.name == name) {
            return parameter.basic.type == type ? &parameter : nullptr;
        }
    }
    return nullptr;
}

BiasTool::Parameter* BiasTool::find(const std::string& name, ToolParameterType type) {
    return const_cast<Parameter*>(static_cast<const BiasTool*>(this)->find(name, type));
}

int BiasTool::intValue(const char* name) const {
    return find(name, ToolParameterType::Int)->intValue;
}

void BiasTool::changed() {
    changes.fetch_add(1, std::memory_order_release);
}

}  // namespace korvane
