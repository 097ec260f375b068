#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// The words after a command: positional arguments, options with a value and plain flags.
class ToolArguments {
public:
    // False with error set when an option is unknown or lacks its value.
    bool parse(const std::vector<std::string>& words, const std::set<std::string>& valueOptions,
               const std::set<std::string>& flags);

    const std::vector<std::string>& positional() const { return positionals; }
    bool has(const std::string& option) const;
    // False with error set when the option's value is not a plain unsigned decimal.
    bool number(const std::string& option, std::uint64_t fallback, std::uint64_t& value);
    // The same for a value that, when given, must be more than 0.
    bool positive(const std::string& option, std::uint64_t fallback, std::uint64_t& value);
    // False with error set when the value is not a finite decimal number above 0.
    bool positiveReal(const std::string& option, double fallback, double& value);
    // The option's value, or fallback when it is not given.
    std::string text(const std::string& option, const std::string& fallback = {}) const;
    const std::string& error() const { return message; }

private:
    std::vector<std::string> positionals;
    std::map<std::string, std::string> values;
    std::string message;
};

// Plain unsigned decimal that fits 64 bits; no sign, spaces or suffix.
bool parseUnsigned(const std::string& text, std::uint64_t& value);
