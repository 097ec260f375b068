#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "FastRandom.h"
#include "Scene.h"
#include "SensorSettings.h"
#include "korvane/Event2D.h"

namespace korvane {

// Turns a moving scene into sensor events one time step at a time, the way a pixel does it: each
// pixel remembers the log-intensity of its last event and fires whenever the light has moved a
// threshold away from it, through a low-pass front end and a refractory period. Background noise
// comes on top. Only pixels an edge crossed during the step are visited, so the cost follows the
// event rate rather than the sensor size. Not thread-safe: one thread drives it.
class SensorSimulator {
public:
    static constexpr std::uint16_t width = Scene::width;
    static constexpr std::uint16_t height = Scene::height;
    static constexpr std::uint64_t stepMicroseconds = 1000;

    SensorSimulator(SceneKind scene, std::uint64_t seed);

    void applySettings(const SensorSettings& settings);
    // Moves the clock to the first step boundary at or after timestamp and forgets events that
    // were due later: the sensor was not running in between.
    void restartAt(std::uint64_t timestamp);
    std::uint64_t nextStepBegin() const { return stepBegin; }
    // Simulates [nextStepBegin, nextStepBegin + stepMicroseconds) and replaces events with that
    // step's events in time order.
    void step(std::vector<Event2D>& events);

private:
    // Up to this many steps ahead an event can be due (front-end lag plus refractory period).
    static constexpr std::size_t pendingSteps = 32;
    // A pending event in 32 bits: x in bits 0-10, y in 11-20, polarity in 21, the microsecond
    // within its step in 22-31.
    static constexpr std::uint32_t yShift = 11;
    static constexpr std::uint32_t polarityShift = 21;
    static constexpr std::uint32_t offsetShift = 22;

    struct RowSpan {
        int shape;
        int beforeBegin, beforeEnd;  // covered pixels [begin, end) before and after the step
        int afterBegin, afterEnd;
    };

    void scanEdges();
    void scanRow(int y);
    void scanRange(int y, int shape, int from, int to, float edgeBefore, float edgeAfter);
    void changePixel(int x, int y, std::uint64_t crossing, float before, float after);
    void addNoise();
    void schedule(std::uint32_t pixelBits, std::uint64_t time) {
        time = std::min(time, stepBegin + pendingSteps * stepMicroseconds - 1);
        const std::uint64_t stepIndex = time / stepMicroseconds;
        const auto offset = static_cast<std::uint32_t>(time - stepIndex * stepMicroseconds);
        pending[stepIndex % pendingSteps].push_back(pixelBits | (offset << offsetShift));
    }
    void collectStep(std::vector<Event2D>& events);
    float levelAt(int shape, int x, int y) const;
    float verticalFraction(int shape, int y) const;

    Scene scene;
    SensorSettings settings;
    std::vector<float> reference;  // log-intensity at each pixel's last event
    std::vector<std::uint64_t> blindUntil;  // end of each pixel's refractory period
    std::array<std::vector<std::uint32_t>, pendingSteps> pending;
    std::array<std::uint32_t, stepMicroseconds + 1> histogram{};
    std::vector<RowSpan> spans;
    std::array<float, 1024> lagTable{};  // -ln(1 - q), the front end's time to cover q of a step
    FastRandom random;
    std::uint64_t stepBegin = 0;
    double noiseCarry = 0.0;
};

}  // namespace korvane
