#pragma once

#include <memory>
#include <string>
#include <vector>

// Each command takes the words after its name and returns the process exit status.
int infoCommand(const std::vector<std::string>& words);
int dumpCommand(const std::vector<std::string>& words);
int generateCommand(const std::vector<std::string>& words);
int cutCommand(const std::vector<std::string>& words);
int convertCommand(const std::vector<std::string>& words);
int rateCommand(const std::vector<std::string>& words);
// Built with FFmpeg and Qt only; otherwise it refuses.
int videoCommand(const std::vector<std::string>& words);

// Writes "ostrel-raw: message" as one line on stderr; returns the failure status.
int failWith(const std::string& message);

namespace korvane {
class RawFileReader;
struct EventRate;
}  // namespace korvane

// False with error set when path is missing or a directory.
bool checkInput(const std::string& path, std::string& error);
// Opens and loads a recording; on failure returns an empty pointer with error set.
std::unique_ptr<korvane::RawFileReader> openRecording(const std::string& path, std::string& error);

// Whether this build draws plots and makes videos (Qt Charts, FFmpeg).
bool mediaCommandsBuilt();
// Draws the rate over time into a PNG at path; false with error set.
bool writeRatePlot(const korvane::EventRate& rate, const std::string& title,
                   const std::string& path, std::string& error);
