#include "ToolArguments.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

bool ToolArguments::parse(const std::vector<std::string>& words,
                          const std::set<std::string>& valueOptions,
                          const std::set<std::string>& flags) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.size() < 2 || word.compare(0, 2, "--") != 0) {
            positionals.push_back(word);
        } else if (flags.count(word) != 0) {
            values[word] = std::string();
        } else if (valueOptions.count(word) != 0) {
            if (i + 1 >= words.size()) {
                message = "option " + word + " needs a value";
                return false;
            }
            values[word] = words[++i];
        } else {
            message = "unknown option " + word;
            return false;
        }
    }
    return true;
}

bool ToolArguments::has(const std::string& option) const {
    return values.count(option) != 0;
}

bool ToolArguments::number(const std::string& option, std::uint64_t fallback,
                           std::uint64_t& value) {
    const auto found = values.find(option);
    if (found == values.end()) {
        value = fallback;
        return true;
    }
    if (!parseUnsigned(found->second, value)) {
        message = "option " + option + " needs a whole number, not \"" + found->second + "\"";
        return false;
    }
    return true;
}

bool ToolArguments::positive(const std::string& option, std::uint64_t fallback,
                             std::uint64_t& value) {
    if (!number(option, fallback, value)) {
        return false;
    }
    if (has(option) && value == 0) {
        message = "option " + option + " must be more than 0";
        return false;
    }
    return true;
}

bool ToolArguments::positiveReal(const std::string& option, double fallback, double& value) {
    const auto found = values.find(option);
    if (found == values.end()) {
        value = fallback;
        return true;
    }
    const std::string& text = found->second;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value) || value <= 0) {
        message = "option " + option + " needs a number above 0, not \"" + text + "\"";
        return false;
    }
    return true;
}

std::string ToolArguments::text(const std::string& option, const std::string& fallback) const {
    const auto found = values.find(option);
    return found != values.end() ? found->second : fallback;
}

bool parseUnsigned(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return false;
    }
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}
