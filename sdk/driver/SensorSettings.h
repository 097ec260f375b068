#pragma once

#include <cstdint>

namespace korvane {

enum class SceneKind : std::uint8_t { Shapes = 0, Windmill = 1 };

// The sensor's physics as the simulator uses it, derived from the bias values.
struct SensorSettings {
    float thresholdOn = 0.25f;   // log-intensity rise per positive event
    float thresholdOff = 0.25f;  // log-intensity fall per negative event
    std::uint32_t refractoryMicroseconds = 100;
    float photoreceptorTauMicroseconds = 50.0f;  // low-pass time constant of the front end
    double noiseRatePerPixel = 0.0;              // background events per pixel and second
    float motionSpeed = 1.0f;                    // scene time per sensor time
    bool flipX = false;
    SceneKind scene = SceneKind::Shapes;
};

// Contrast bias in [-100, 100] to a threshold in log-intensity units, 1/32 to 2, 0.25 at 0.
float thresholdFromBias(int bias);
// Refractory bias in [-100, 100] to a dead time of 2 us to 5 ms, 100 us at 0.
std::uint32_t refractoryFromBias(int bias);
// Bandwidth bias in [-100, 100] to the front end's cut-off, 100 Hz to 102.4 kHz, 3.2 kHz at 0.
double cutoffHertzFromBias(int bias);
float tauMicrosecondsFromCutoff(double cutoffHertz);
// Noise bias counts tenths of a hertz per pixel; a narrow front end filters most of it out.
double noiseRateFromBiases(int noiseBias, double cutoffHertz);

}  // namespace korvane
