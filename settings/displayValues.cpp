#include "settings/displayValues.h"

#include <cmath>
#include <limits>

namespace {

const uint64_t maxTimeUs = 1000000;
const int maxFrameRate = 65535;

// Truncates toward zero; negative values wrap to their two's complement, as an unsigned
// conversion of the integer part would. Values beyond 64 bits saturate, NaN gives 0.
uint64_t truncateToUnsigned(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    const float twoTo63 = 9223372036854775808.0f;
    if (value >= 2.0f * twoTo63) {
        return std::numeric_limits<uint64_t>::max();
    }
    if (value >= 0.0f) {
        return static_cast<uint64_t>(value);
    }
    if (value < -twoTo63) {
        return static_cast<uint64_t>(std::numeric_limits<int64_t>::min());
    }
    return static_cast<uint64_t>(static_cast<int64_t>(value));
}

bool endsWithUnit(const QString& text, const char* unit) {
    return text.endsWith(QLatin1String(unit), Qt::CaseInsensitive);
}

}  // namespace

uint64_t parseTimeToUs(const QString& text) {
    if (endsWithUnit(text, "ms")) {
        const float ms = text.chopped(2).toFloat();
        return truncateToUnsigned(ms * 1000.0f);
    }
    if (endsWithUnit(text, "us")) {
        return truncateToUnsigned(text.chopped(2).toFloat());
    }
    return 0;
}

QString completeTimeUnit(const QString& text) {
    if (endsWithUnit(text, "ms") || endsWithUnit(text, "us")) {
        return text;
    }
    return text + QLatin1String("ms");
}

bool isAcceptableTimeUs(uint64_t us) {
    return us != 0 && us <= maxTimeUs;
}

std::optional<uint32_t> parseFrameRate(const QString& text) {
    bool ok = false;
    const int fps = text.toInt(&ok, 10);
    if (!ok || fps < 1 || fps > maxFrameRate) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(fps);
}
