#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "korvane/CameraTool.h"

// A bias tool that lists the given parameters and records every write.
class FakeBiasTool : public korvane::CameraTool {
public:
    FakeBiasTool() : korvane::CameraTool("Biases") {}

    void addParam(const std::string& name, korvane::ToolParameterType type, int min = 0,
                  int max = 0) {
        params.push_back({name, "", type});
        if (type == korvane::ToolParameterType::Int) {
            ranges[name] = {min, max, 0, ""};
        }
    }
    // Listed as an integer parameter, but its description cannot be fetched.
    void addParamWithoutInfo(const std::string& name) {
        params.push_back({name, "", korvane::ToolParameterType::Int});
    }

    std::vector<korvane::BasicParameterInfo> getAllParamInfo() override { return params; }
    bool getParamInfo(const std::string& name, korvane::IntParameterInfo& info) override {
        const auto found = ranges.find(name);
        if (found == ranges.end()) {
            return false;
        }
        info = found->second;
        return true;
    }

    bool getParam(const std::string&, std::string&) override { return false; }
    bool getParam(const std::string&, bool&) override { return false; }
    bool getParam(const std::string&, float&) override { return false; }
    bool getParam(const std::string&, int&) override { return false; }

    bool setParam(const std::string&, const std::string&) override { return otherWrite(); }
    bool setParam(const std::string&, bool) override { return otherWrite(); }
    bool setParam(const std::string&, float) override { return otherWrite(); }
    bool setParam(const std::string& name, int value) override {
        intWrites.emplace_back(name, value);
        return true;
    }

    std::vector<std::pair<std::string, int>> intWrites;
    int otherWrites = 0;

private:
    bool otherWrite() {
        ++otherWrites;
        return false;
    }

    std::vector<korvane::BasicParameterInfo> params;
    std::map<std::string, korvane::IntParameterInfo> ranges;
};
