#include "pipeline/formatTimestamp.h"

#include <cinttypes>
#include <cstdio>

std::string formatTimestamp(uint64_t us) {
    const uint64_t minutes = us / 60000000;
    const uint64_t seconds = us / 1000000 % 60;
    const uint64_t micro = us % 1000000;
    char text[48];
    std::snprintf(text, sizeof text, "%02" PRIu64 ":%02" PRIu64 ":%06" PRIu64, minutes, seconds,
                  micro);
    return text;
}
