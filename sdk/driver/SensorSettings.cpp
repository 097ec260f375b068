#include "SensorSettings.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

constexpr double pi = 3.14159265358979323846;
// Above this cut-off the front end passes all of the noise.
constexpr double fullNoiseCutoffHertz = 3200.0;

}  // namespace

float thresholdFromBias(int bias) {
    const int clamped = std::clamp(bias, -100, 100);
    return 0.25f * std::exp2(static_cast<float>(clamped) * 3.0f / 100.0f);
}

double cutoffHertzFromBias(int bias) {
    const int clamped = std::clamp(bias, 0, 255);
    return 100.0 * std::exp2(static_cast<double>(clamped) / 32.0);
}

float tauMicrosecondsFromCutoff(double cutoffHertz) {
    return static_cast<float>(1.0e6 / (2.0 * pi * cutoffHertz));
}

double noiseRateFromBiases(int noiseBias, double cutoffHertz) {
    const double rate = 0.1 * std::max(noiseBias, 0);
    return rate * std::min(1.0, cutoffHertz / fullNoiseCutoffHertz);
}

}  // namespace korvane
