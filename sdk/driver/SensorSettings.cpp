#include "SensorSettings.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

constexpr double pi = 3.14159265358979323846;
// The cut-off at bias 0; from there up the front end passes all of the noise.
constexpr double fullNoiseCutoffHertz = 3200.0;

}  // namespace

float thresholdFromBias(int bias) {
    const int clamped = std::clamp(bias, -100, 100);
    return 0.25f * std::exp2(static_cast<float>(clamped) * 3.0f / 100.0f);
}

std::uint32_t refractoryFromBias(int bias) {
    const double clamped = std::clamp(bias, -100, 100);
    return static_cast<std::uint32_t>(std::lround(100.0 * std::pow(50.0, clamped / 100.0)));
}

double cutoffHertzFromBias(int bias) {
    const double clamped = std::clamp(bias, -100, 100);
    return fullNoiseCutoffHertz * std::exp2(5.0 * clamped / 100.0);
}

float tauMicrosecondsFromCutoff(double cutoffHertz) {
    return static_cast<float>(1.0e6 / (2.0 * pi * cutoffHertz));
}

double noiseRateFromBiases(int noiseBias, double cutoffHertz) {
    const double rate = 0.1 * std::max(noiseBias, 0);
    return rate * std::min(1.0, cutoffHertz / fullNoiseCutoffHertz);
}

}  // namespace korvane
