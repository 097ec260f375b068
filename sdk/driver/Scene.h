#pragma once

#include <cstdint>
#include <vector>

#include "SensorSettings.h"

namespace korvane {

// Where one shape lies on each sensor row: pixel x is covered when lo < x + 0.5 <= hi.
struct ShapeRows {
    std::vector<float> lo;
    std::vector<float> hi;
    int rowBegin = 0;  // rows outside [rowBegin, rowEnd) are not covered
    int rowEnd = 0;
    float top = 0.0f;  // highest and lowest point of the outline
    float bottom = 0.0f;
};

// A textured background with flat shapes moving and turning over it. Later shapes lie on top.
// The background never moves, so only the shapes' edges change the light a pixel sees.
class Scene {
public:
    static constexpr int width = 1280;
    static constexpr int height = 720;

    Scene(SceneKind kind, std::uint64_t seed);

    SceneKind kind() const { return sceneKind; }
    // Replaces the shapes; they appear where they are without a sweep.
    void setKind(SceneKind kind);
    // Moves scene time on and rasterises the shapes there; the previous rows stay readable.
    void advance(double sceneSeconds);

    int shapeCount() const { return static_cast<int>(shapes.size()); }
    const ShapeRows& previousRows(int shape) const { return before[shape]; }
    const ShapeRows& currentRows(int shape) const { return now[shape]; }
    // Natural logarithm of the light, the quantity a pixel's front end follows.
    float shapeLevel(int shape) const { return shapes[shape].level; }
    float backgroundLevel(int x, int y) const {
        return levelOfIntensity[background[static_cast<std::size_t>(y) * width + x]];
    }

private:
    struct Motion {
        float baseX, baseY;
        float amplitudeX, amplitudeY;
        float rateX, rateY;  // radians of the path per scene second
        float phaseX, phaseY;
        bool bounce;  // a triangle wave instead of a sine: straight runs that turn at the walls
        float angle0, spin;
    };
    struct Shape {
        std::vector<float> outline;  // x, y pairs around the centre, convex; empty for a disc
        float radius;
        float level;
        Motion motion;
    };

    void buildBackground(std::uint64_t seed);
    void buildShapes();
    void addPolygon(std::vector<float> outline, std::uint8_t intensity, const Motion& motion);
    void addDisc(float radius, std::uint8_t intensity, const Motion& motion);
    void rasterise(const Shape& shape, ShapeRows& rows) const;
    void rasteriseAll();

    SceneKind sceneKind;
    double time = 0.0;
    std::vector<std::uint8_t> background;
    float levelOfIntensity[256];
    std::vector<Shape> shapes;
    std::vector<ShapeRows> before;
    std::vector<ShapeRows> now;
};

}  // namespace korvane
