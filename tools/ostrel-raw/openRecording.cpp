#include <filesystem>
#include <system_error>

#include "RawCommands.h"
#include "korvane/RawFileReader.h"

bool checkInput(const std::string& path, std::string& error) {
    std::error_code code;
    const auto status = std::filesystem::status(path, code);
    if (!std::filesystem::exists(status)) {
        error = path + ": no such file";
        return false;
    }
    if (std::filesystem::is_directory(status)) {
        error = path + ": is a directory";
        return false;
    }
    return true;
}

std::unique_ptr<korvane::RawFileReader> openRecording(const std::string& path, std::string& error) {
    if (!checkInput(path, error)) {
        return nullptr;
    }
    auto reader = korvane::RawFileReader::open(path);
    if (!reader) {
        error = path + ": not a readable EVT 3.0 or EVT 2.0 recording";
        return nullptr;
    }
    if (!reader->loadFile()) {
        error = path + ": read error";
        return nullptr;
    }
    return reader;
}
