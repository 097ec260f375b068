#pragma once

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>

// Gathers CSV lines and hands them to stdout in large pieces.
class CsvOut {
public:
    ~CsvOut() { flush(); }

    void number(std::uint64_t value, char after) {
        if (text.size() > 60000) {
            flush();
        }
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        text.append(digits, result.ptr);
        text.push_back(after);
    }

    void flush() {
        std::fwrite(text.data(), 1, text.size(), stdout);
        text.clear();
    }

private:
    std::string text;
};
