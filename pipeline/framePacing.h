#pragma once

#include <cstdint>

// Milliseconds the live loop waits after a pass; a rate of 0 keeps the previous period.
uint32_t livePeriodMs(uint16_t frameRate, uint32_t previousPeriodMs);

// Microseconds the playback position advances per tick; a rate of 0 keeps the previous step.
uint64_t playbackStepUs(uint64_t playbackFrameRate, uint64_t previousStepUs);
