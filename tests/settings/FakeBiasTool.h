#pragma once

#include <climits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "korvane/CameraTool.h"

// A bias tool that lists the given parameters, holds their values and records every write;
// it refuses integer values above refuseAbove and keeps what it had.
class FakeBiasTool : public korvane::CameraTool {
public:
    FakeBiasTool() : korvane::CameraTool("Biases") {}

    void addParam(const std::string& name, korvane::ToolParameterType type, int min = 0,
                  int max = 0, int value = 0) {
        params.push_back({name, "", type});
        if (type == korvane::ToolParameterType::Int) {
            ranges[name] = {min, max, 0, ""};
            values[name] = value;
        }
    }
    // Listed as an integer parameter, but its description cannot be fetched.
    void addParamWithoutInfo(const std::string& name) {
        params.push_back({name, "", korvane::ToolParameterType::Int});
    }

    std::vector<korvane::BasicParameterInfo> getAllParamInfo() override { return params; }
    bool getParamInfo(std::string name, korvane::IntParameterInfo& info) override {
        const auto found = ranges.find(name);
        if (found == ranges.end()) {
            return false;
        }
        info = found->second;
        return true;
    }

    bool getParam(std::string, std::string&) override { return false; }
    bool getParam(std::string, bool&) override { return false; }
    bool getParam(std::string, float&) override { return false; }
    bool getParam(std::string name, int& value) override {
        const auto found = values.find(name);
        if (found == values.end()) {
            return false;
        }
        value = found->second;
        return true;
    }

    bool setParam(std::string, const std::string&) override { return otherWrite(); }
    bool setParam(std::string, const bool&) override { return otherWrite(); }
    bool setParam(std::string, const float&) override { return otherWrite(); }
    bool setParam(std::string name, const int& value) override {
        intWrites.emplace_back(name, value);
        if (value > refuseAbove) {
            return false;
        }
        values[name] = value;
        return true;
    }

    std::vector<std::pair<std::string, int>> intWrites;
    int otherWrites = 0;
    int refuseAbove = INT_MAX;

private:
    bool otherWrite() {
        ++otherWrites;
        return false;
    }

    std::vector<korvane::BasicParameterInfo> params;
    std::map<std::string, korvane::IntParameterInfo> ranges;
    std::map<std::string, int> values;
};
