#pragma once

#include <string>
#include <utility>
#include <vector>

#include "korvane/BasicParameterInfo.h"
#include "korvane/IntParameterInfo.h"

namespace korvane {

// A named set of camera parameters (the bias tool is the one the viewer uses).
class CameraTool {
public:
    explicit CameraTool(std::string name) : toolName(std::move(name)) {}
    virtual ~CameraTool() = default;
    CameraTool(const CameraTool&) = delete;
    CameraTool& operator=(const CameraTool&) = delete;

    const std::string& name() const { return toolName; }

    virtual std::vector<BasicParameterInfo> getAllParamInfo() = 0;
    virtual bool getParamInfo(std::string name, IntParameterInfo& info) = 0;

    virtual bool getParam(std::string name, std::string& value) = 0;
    virtual bool getParam(std::string name, bool& value) = 0;
    virtual bool getParam(std::string name, float& value) = 0;
    virtual bool getParam(std::string name, int& value) = 0;

    virtual bool setParam(std::string name, const std::string& value) = 0;
    virtual bool setParam(std::string name, const bool& value) = 0;
    virtual bool setParam(std::string name, const float& value) = 0;
    virtual bool setParam(std::string name, const int& value) = 0;

private:
    std::string toolName;
};

}  // namespace korvane
