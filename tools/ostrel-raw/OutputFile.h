#pragma once

#include <string>

// An output written under a temporary name beside its final one and renamed only when complete,
// so a failed or interrupted command never leaves a half-written file under the final name.
class OutputFile {
public:
    explicit OutputFile(std::string finalPath);
    // Removes the temporary file unless it was committed.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False with a message for the user when the final path cannot be written: its folder is
    // missing, it is a folder, or it is the input.
    bool check(const std::string& inputPath, std::string& error) const;
    const std::string& temporaryPath() const { return temporary; }
    // Renames the temporary file to the final path.
    bool commit(std::string& error);

private:
    std::string finalPath;
    std::string temporary;
    bool committed = false;
};
