#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Accumulation-time text ("33.333ms", "250us", any case) to microseconds; 0 without unit or number.
uint64_t parseTimeToUs(const QString& text);

// The text with "ms" appended unless it already ends in "ms" or "us": a bare 5 means 5 ms.
QString completeTimeUnit(const QString& text);

// More than 0 and at most one second.
bool isAcceptableTimeUs(uint64_t us);

// The frame rate a typed or listed text stands for: a base-10 integer the receivers can
// divide by and keep in 16 bits (1 to 65535), or nothing.
std::optional<uint32_t> parseFrameRate(const QString& text);
