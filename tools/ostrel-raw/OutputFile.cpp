#include "OutputFile.h"

#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

OutputFile::OutputFile(std::string path)
    : finalPath(std::move(path)),
      temporary(finalPath + ".part" + std::to_string(static_cast<long>(getpid()))) {}

OutputFile::~OutputFile() {
    if (!committed) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
    }
}

bool OutputFile::check(const std::string& inputPath, std::string& error) const {
    std::error_code code;
    const fs::path target(finalPath);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, code)) {
        error = finalPath + ": no such folder " + folder.string();
        return false;
    }
    if (fs::is_directory(target, code)) {
        error = finalPath + ": is a folder";
        return false;
    }
    if (fs::exists(target, code) && fs::equivalent(target, inputPath, code)) {
        error = finalPath + ": is the input; write to another file";
        return false;
    }
    return true;
}

bool OutputFile::commit(std::string& error) {
    std::error_code code;
    fs::rename(temporary, finalPath, code);
    if (code) {
        error = finalPath + ": " + code.message();
        return false;
    }
    committed = true;
    return true;
}
