#pragma once

#include <memory>
#include <string>
#include <vector>

// Each command takes the words after its name and returns the process exit status.
int infoCommand(const std::vector<std::string>& words);
int dumpCommand(const std::vector<std::string>& words);
int generateCommand(const std::vector<std::string>& words);

// Writes "ostrel-raw: message" as one line on stderr; returns the failure status.
int failWith(const std::string& message);

namespace korvane {
class RawFileReader;
}

// Opens and loads a recording; on failure returns an empty pointer with error set.
std::unique_ptr<korvane::RawFileReader> openRecording(const std::string& path, std::string& error);
