#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace korvane {

struct GeneratedRecording {
    bool ok = false;
    std::string error;  // why it failed, one line
    std::uint64_t events = 0;
    std::uint64_t checksum = 0;      // simulation::checksumEvents over the events written
    std::uint64_t endTimestamp = 0;  // the stream covers [0, endTimestamp) microseconds
};

// Writes `seconds` of a simulated camera's stream to an EVT 3.0 recording at path, as fast as the
// machine allows rather than in real time. serial names the camera (empty: the first one listed);
// biases are NAME=VALUE pairs for its bias tool, values as text: a whole number, a decimal, 1/0
// or true/false, or an option's name.
GeneratedRecording generateRecording(
    const std::string& path, double seconds, const std::string& serial,
    const std::vector<std::pair<std::string, std::string>>& biases);

}  // namespace korvane
