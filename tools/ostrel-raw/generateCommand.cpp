#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "RawCommands.h"
#include "korvane/DvsCameraManager.h"
#include "korvane/RecordingGenerator.h"

namespace {

std::string knownSerials() {
    std::string serials;
    korvane::DvsCameraManager manager;
    for (const korvane::CameraDescription& camera : manager.getCameraDescs()) {
        serials += (serials.empty() ? "" : ", ") + camera.serial;
    }
    return serials;
}

bool parseSeconds(const std::string& text, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(seconds);
}

}  // namespace

// generate OUT.raw --seconds S [--camera SERIAL] [--bias NAME=VALUE ...]; --bias may repeat.
int generateCommand(const std::vector<std::string>& words) {
    std::string output;
    std::string secondsText;
    std::string serial;
    std::vector<std::pair<std::string, std::string>> biases;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.compare(0, 2, "--") != 0) {
            if (!output.empty()) {
                return failWith("generate takes one OUT file (see ostrel-raw --help)");
            }
            output = word;
            continue;
        }
        if (word != "--seconds" && word != "--camera" && word != "--bias") {
            return failWith("unknown option " + word);
        }
        if (i + 1 >= words.size()) {
            return failWith("option " + word + " needs a value");
        }
        const std::string& value = words[++i];
        if (word == "--seconds") {
            secondsText = value;
        } else if (word == "--camera") {
            serial = value;
        } else {
            const std::size_t equals = value.find('=');
            if (equals == std::string::npos || equals == 0) {
                return failWith("option --bias needs NAME=VALUE, not \"" + value + "\"");
            }
            biases.emplace_back(value.substr(0, equals), value.substr(equals + 1));
        }
    }
    if (output.empty()) {
        return failWith("generate needs an OUT file (see ostrel-raw --help)");
    }
    double seconds = 0.0;
    if (secondsText.empty()) {
        return failWith("generate needs --seconds S");
    }
    if (!parseSeconds(secondsText, seconds)) {
        return failWith("option --seconds needs a number, not \"" + secondsText + "\"");
    }
    const korvane::GeneratedRecording result =
        korvane::generateRecording(output, seconds, serial, biases);
    if (!result.ok) {
        const bool badSerial = result.error.find("serial") != std::string::npos;
        return failWith(result.error + (badSerial ? " (cameras: " + knownSerials() + ")" : ""));
    }
    std::printf("wrote %s: %llu events over %llu us\n", output.c_str(),
                static_cast<unsigned long long>(result.events),
                static_cast<unsigned long long>(result.endTimestamp));
    return 0;
}
