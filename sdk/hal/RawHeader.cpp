#include "RawHeader.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace korvane {

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Plain decimal within 1..2048 (11-bit sensor coordinates); 0 otherwise.
std::uint32_t parseDimension(const std::string& text) {
    const std::string digits = trimmed(text);
    if (digits.empty() || digits.size() > 5) {
        return 0;
    }
    std::uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return 0;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value <= 2048 ? value : 0;
}

RawEncoding encodingFromName(const std::string& name) {
    const std::string key = lowered(trimmed(name));
    if (key == "evt3" || key == "evt3.0" || key == "3.0" || key == "3") {
        return RawEncoding::Evt3;
    }
    if (key == "evt2" || key == "evt2.0" || key == "2.0" || key == "2") {
        return RawEncoding::Evt2;
    }
    return RawEncoding::Unknown;
}

// "EVT3;height=720;width=1280": encoding first, then named fields in any order.
void applyFormat(const std::string& value, RawHeader& header) {
    std::vector<std::string> fields;
    std::size_t begin = 0;
    while (begin <= value.size()) {
        const auto end = std::min(value.find(';', begin), value.size());
        fields.push_back(value.substr(begin, end - begin));
        begin = end + 1;
    }
    header.encoding = encodingFromName(fields.front());
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const auto equals = fields[i].find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string name = lowered(trimmed(fields[i].substr(0, equals)));
        const std::uint32_t number = parseDimension(fields[i].substr(equals + 1));
        if (name == "width") {
            width = number;
        } else if (name == "height") {
            height = number;
        }
    }
    if (width != 0 && height != 0) {
        header.width = width;
        header.height = height;
    }
}

void applyGeometry(const std::string& value, RawHeader& header) {
    const std::string text = lowered(value);
    const auto cross = text.find('x');
    if (cross == std::string::npos) {
        return;
    }
    const std::uint32_t width = parseDimension(text.substr(0, cross));
    const std::uint32_t height = parseDimension(text.substr(cross + 1));
    if (width != 0 && height != 0) {
        header.width = width;
        header.height = height;
    }
}

void applyPluginName(const std::string& value, RawHeader& header) {
    const std::string name = lowered(value);
    if (name.find("gen41") != std::string::npos || name.find("imx636") != std::string::npos) {
        header.width = 1280;
        header.height = 720;
    } else if (name.find("gen3") != std::string::npos) {
        header.width = 640;
        header.height = 480;
    }
}

void interpret(RawHeader& header) {
    const std::string format = header.value("format");
    if (!format.empty()) {
        applyFormat(format, header);
    } else {
        header.encoding = encodingFromName(header.value("evt"));
    }
    if (header.width == 0) {
        applyGeometry(header.value("geometry"), header);
    }
    if (header.width == 0) {
        applyPluginName(header.value("plugin_name"), header);
    }
}

}  // namespace

bool RawHeader::parse(const char* data, std::size_t size, bool atEndOfFile, RawHeader& header) {
    header = RawHeader();
    std::size_t pos = 0;
    bool ended = false;
    while (pos + 1 < size && data[pos] == '%' && data[pos + 1] == ' ') {
        const char* newline = static_cast<const char*>(std::memchr(data + pos, '\n', size - pos));
        if (newline == nullptr && !atEndOfFile) {
            return false;
        }
        const std::size_t lineEnd = newline ? static_cast<std::size_t>(newline - data) : size;
        std::string line(data + pos + 2, lineEnd - pos - 2);
        pos = newline ? lineEnd + 1 : size;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (lowered(line) == "end") {
            ended = true;
            break;
        }
        const auto space = line.find(' ');
        std::string key = line.substr(0, space);
        std::string value = space == std::string::npos ? std::string() : line.substr(space + 1);
        if (!key.empty()) {
            header.entries.emplace_back(std::move(key), std::move(value));
        }
    }
    // Without `% end`, one more byte may still start another header line.
    if (!ended && pos + 1 >= size && !atEndOfFile) {
        return false;
    }
    header.dataOffset = pos;
    interpret(header);
    return true;
}

std::string RawHeader::value(const std::string& key) const {
    const std::string wanted = lowered(key);
    for (const auto& entry : entries) {
        if (lowered(entry.first) == wanted) {
            return entry.second;
        }
    }
    return {};
}

}  // namespace korvane
