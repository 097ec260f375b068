#include "pipeline/framePacing.h"

uint32_t livePeriodMs(uint16_t frameRate, uint32_t previousPeriodMs) {
    return frameRate == 0 ? previousPeriodMs : 1000u / frameRate;
}

uint64_t playbackStepUs(uint64_t playbackFrameRate, uint64_t previousStepUs) {
    return playbackFrameRate == 0 ? previousStepUs : 1000000u / playbackFrameRate;
}
