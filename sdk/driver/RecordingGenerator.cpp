#include "korvane/RecordingGenerator.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "BiasTool.h"
#include "EventRecorder.h"
#include "SensorSimulator.h"
#include "SimulatedSensorModel.h"
#include "korvane/SimulatedCameraControl.h"

namespace korvane {

namespace {

// An hour of stream is more than any sample needs, and keeps the step count in range.
constexpr double longestSeconds = 3600.0;

bool parseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool parseFloat(const std::string& text, float& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

bool parseBool(const std::string& text, bool& value) {
    if (text == "1" || text == "true") {
        value = true;
        return true;
    }
    if (text == "0" || text == "false") {
        value = false;
        return true;
    }
    return false;
}

std::string knownNames(const std::vector<BasicParameterInfo>& parameters) {
    std::string names;
    for (const BasicParameterInfo& parameter : parameters) {
        names += (names.empty() ? "" : ", ") + parameter.name;
    }
    return names;
}

// Sets one bias from its text; the error names what was wrong.
bool applyBias(BiasTool& tool, const std::string& name, const std::string& text,
               std::string& error) {
    const std::vector<BasicParameterInfo> parameters = tool.getAllParamInfo();
    for (const BasicParameterInfo& parameter : parameters) {
        if (parameter.name != name) {
            continue;
        }
        bool set = false;
        switch (parameter.type) {
            case ToolParameterType::Int: {
                int value = 0;
                set = parseInt(text, value) && tool.setParam(name, value);
                break;
            }
            case ToolParameterType::Float: {
                float value = 0.0f;
                set = parseFloat(text, value) && tool.setParam(name, value);
                break;
            }
            case ToolParameterType::Bool: {
                bool value = false;
                set = parseBool(text, value) && tool.setParam(name, value);
                break;
            }
            default:
                set = tool.setParam(name, text);
                break;
        }
        if (!set) {
            error = "bias " + name + " (" + ToolParameterTypeToString(parameter.type) +
                    ") cannot take \"" + text + "\"";
        }
        return set;
    }
    error = "unknown bias \"" + name + "\" (known: " + knownNames(parameters) + ")";
    return false;
}

}  // namespace

GeneratedRecording generateRecording(
    const std::string& path, double seconds, const std::string& serial,
    const std::vector<std::pair<std::string, std::string>>& biases) {
    GeneratedRecording result;
    if (!(seconds > 0.0 && seconds <= longestSeconds)) {
        result.error = "the length must be above 0 and at most 3600 seconds";
        return result;
    }
    const SimulatedSensorModel* sensor =
        serial.empty() ? &simulatedSensors().front() : findSimulatedSensor(serial);
    if (sensor == nullptr) {
        result.error = "no camera has the serial \"" + serial + "\"";
        return result;
    }
    BiasTool tool(sensor->scene, sensor->biasDefaults);
    for (const auto& [name, text] : biases) {
        if (!applyBias(tool, name, text, result.error)) {
            return result;
        }
    }
    std::unique_ptr<EventRecorder> recorder =
        EventRecorder::start(path, SensorSimulator::width, SensorSimulator::height, sensor->serial);
    if (!recorder) {
        result.error = "cannot create " + path;
        return result;
    }

    SensorSimulator simulator(sensor->scene, sensor->seed);
    simulator.applySettings(tool.settings());
    const auto steps = static_cast<std::uint64_t>(
        std::ceil(seconds * 1e6 / static_cast<double>(SensorSimulator::stepMicroseconds)));
    std::vector<Event2D> events;
    for (std::uint64_t i = 0; i < steps; ++i) {
        simulator.step(events);
        recorder->push(events.data(), events.size());
    }
    const bool complete = recorder->finish();
    const EventRecorder::Figures figures = recorder->figures();
    result.ok = complete;
    result.events = figures.events;
    result.checksum = figures.checksum;
    result.endTimestamp = simulator.nextStepBegin();
    if (!complete) {
        result.error = "could not write all of " + path;
    }
    return result;
}

}  // namespace korvane
