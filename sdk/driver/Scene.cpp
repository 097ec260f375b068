#include "Scene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "FastRandom.h"

namespace korvane {

namespace {

constexpr float pi = 3.14159265f;
constexpr std::size_t maxCorners = 8;

float wave(float phase, bool bounce) {
    return bounce ? (2.0f / pi) * std::asin(std::sin(phase)) : std::sin(phase);
}

std::uint64_t mix(std::uint64_t value) {
    value ^= value >> 33;
    value *= 0xff51afd7ed558ccdULL;
    value ^= value >> 33;
    value *= 0xc4ceb9fe1a85ec53ULL;
    return value ^ (value >> 33);
}

// Smooth value noise in [0, 1) with lattice points every `spacing` pixels.
float valueNoise(int x, int y, int spacing, std::uint64_t seed) {
    const auto lattice = [seed](int ix, int iy) {
        const std::uint64_t key =
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(ix)) << 32) |
            static_cast<std::uint32_t>(iy);
        return static_cast<float>(mix(key ^ seed) >> 40) / 16777216.0f;
    };
    const int ix = x / spacing;
    const int iy = y / spacing;
    float fx = static_cast<float>(x % spacing) / static_cast<float>(spacing);
    float fy = static_cast<float>(y % spacing) / static_cast<float>(spacing);
    fx = fx * fx * (3.0f - 2.0f * fx);
    fy = fy * fy * (3.0f - 2.0f * fy);
    const float top = lattice(ix, iy) + (lattice(ix + 1, iy) - lattice(ix, iy)) * fx;
    const float bottom = lattice(ix, iy + 1) + (lattice(ix + 1, iy + 1) - lattice(ix, iy + 1)) * fx;
    return top + (bottom - top) * fy;
}

std::vector<float> regularPolygon(int corners, float radius) {
    std::vector<float> outline;
    for (int i = 0; i < corners; ++i) {
        const float angle = 2.0f * pi * static_cast<float>(i) / static_cast<float>(corners);
        outline.push_back(radius * std::cos(angle));
        outline.push_back(radius * std::sin(angle));
    }
    return outline;
}

std::vector<float> rectangle(float halfWidth, float halfHeight) {
    return {-halfWidth, -halfHeight, halfWidth,  -halfHeight,
            halfWidth,  halfHeight,  -halfWidth, halfHeight};
}

}  // namespace

Scene::Scene(SceneKind kind, std::uint64_t seed) : sceneKind(kind) {
    levelOfIntensity[0] = 0.0f;
    for (int i = 1; i < 256; ++i) {
        levelOfIntensity[i] = std::log(static_cast<float>(i));
    }
    buildBackground(seed);
    buildShapes();
}

void Scene::setKind(SceneKind kind) {
    sceneKind = kind;
    buildShapes();
}

void Scene::advance(double sceneSeconds) {
    time += sceneSeconds;
    std::swap(before, now);
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        rasterise(shapes[i], now[i]);
    }
}

void Scene::buildBackground(std::uint64_t seed) {
    background.resize(static_cast<std::size_t>(width) * height);
    FastRandom grain(seed ^ 0x5eedULL);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float value = 40.0f + 110.0f * valueNoise(x, y, 160, seed) +
                                45.0f * valueNoise(x, y, 40, seed + 1) +
                                18.0f * valueNoise(x, y, 9, seed + 2) + 8.0f * grain.unit();
            background[static_cast<std::size_t>(y) * width + x] =
                static_cast<std::uint8_t>(std::clamp(value, 20.0f, 235.0f));
        }
    }
}

void Scene::buildShapes() {
    shapes.clear();
    if (sceneKind == SceneKind::Shapes) {
        addPolygon(rectangle(75.0f, 75.0f), 235,
                   {380, 260, 260, 150, 0.9f, 1.3f, 0.0f, 1.0f, false, 0.0f, 1.4f});
        addPolygon(rectangle(150.0f, 16.0f), 125,
                   {640, 560, 420, 90, 0.7f, 1.7f, 2.0f, 0.0f, false, 0.5f, -0.9f});
        addDisc(70.0f, 16, {640, 360, 540, 270, 1.1f, 1.6f, 0.3f, 0.9f, true, 0.0f, 0.0f});
        addPolygon(regularPolygon(3, 105.0f), 225,
                   {900, 330, 300, 230, 0.8f, 1.0f, 1.5f, 2.5f, false, 0.0f, -1.9f});
        addPolygon(regularPolygon(6, 85.0f), 28,
                   {300, 480, 220, 180, 1.2f, 0.7f, 3.0f, 0.4f, true, 0.2f, 1.1f});
    } else {
        const Motion hubMotion{640, 340, 20, 12, 0.5f, 0.7f, 0.0f, 0.0f, false, 0.0f, 1.3f};
        addPolygon(rectangle(290.0f, 20.0f), 20, hubMotion);
        Motion crossing = hubMotion;
        crossing.angle0 = pi / 2.0f;
        addPolygon(rectangle(290.0f, 20.0f), 20, crossing);
        addDisc(42.0f, 240, hubMotion);
        addDisc(48.0f, 230, {640, 360, 570, 300, 1.4f, 2.1f, 0.0f, 1.2f, true, 0.0f, 0.0f});
        addPolygon(rectangle(45.0f, 45.0f), 24,
                   {640, 650, 520, 30, 1.0f, 2.2f, 0.0f, 0.0f, true, 0.0f, 2.6f});
    }
    before.assign(shapes.size(), ShapeRows{});
    now.assign(shapes.size(), ShapeRows{});
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        rasterise(shapes[i], now[i]);
        before[i] = now[i];
    }
}

void Scene::addPolygon(std::vector<float> outline, std::uint8_t intensity, const Motion& motion) {
    outline.resize(std::min(outline.size(), 2 * maxCorners));
    shapes.push_back(Shape{std::move(outline), 0.0f, levelOfIntensity[intensity], motion});
}

void Scene::addDisc(float radius, std::uint8_t intensity, const Motion& motion) {
    shapes.push_back(Shape{{}, radius, levelOfIntensity[intensity], motion});
}

void Scene::rasterise(const Shape& shape, ShapeRows& rows) const {
    if (rows.lo.empty()) {
        rows.lo.assign(height, 0.0f);
        rows.hi.assign(height, 0.0f);
    }
    const Motion& m = shape.motion;
    const float t = static_cast<float>(time);
    const float centreX = m.baseX + m.amplitudeX * wave(m.rateX * t + m.phaseX, m.bounce);
    const float centreY = m.baseY + m.amplitudeY * wave(m.rateY * t + m.phaseY, m.bounce);

    std::array<float, 2 * maxCorners> corners;
    const std::size_t count = shape.outline.size();
    if (shape.outline.empty()) {
        rows.top = centreY - shape.radius;
        rows.bottom = centreY + shape.radius;
    } else {
        const float angle = m.angle0 + m.spin * t;
        const float c = std::cos(angle);
        const float s = std::sin(angle);
        rows.top = 1e9f;
        rows.bottom = -1e9f;
        for (std::size_t i = 0; i < shape.outline.size(); i += 2) {
            const float x = shape.outline[i];
            const float y = shape.outline[i + 1];
            corners[i] = centreX + c * x - s * y;
            corners[i + 1] = centreY + s * x + c * y;
            rows.top = std::min(rows.top, corners[i + 1]);
            rows.bottom = std::max(rows.bottom, corners[i + 1]);
        }
    }

    // Rows whose centre line y + 0.5 lies inside [top, bottom).
    const int first = std::clamp(static_cast<int>(std::ceil(rows.top - 0.5f)), 0, height);
    const int last = std::clamp(static_cast<int>(std::ceil(rows.bottom - 0.5f)), 0, height);
    rows.rowBegin = first;
    rows.rowEnd = std::max(first, last);

    if (shape.outline.empty()) {
        const float radiusSquared = shape.radius * shape.radius;
        for (int y = rows.rowBegin; y < rows.rowEnd; ++y) {
            const float dy = static_cast<float>(y) + 0.5f - centreY;
            const float half = std::sqrt(std::max(0.0f, radiusSquared - dy * dy));
            rows.lo[y] = centreX - half;
            rows.hi[y] = centreX + half;
        }
        return;
    }

    for (int y = rows.rowBegin; y < rows.rowEnd; ++y) {
        rows.lo[y] = 1e9f;
        rows.hi[y] = -1e9f;
    }
    for (std::size_t i = 0; i < count; i += 2) {
        const float x0 = corners[i];
        const float y0 = corners[i + 1];
        const float x1 = corners[(i + 2) % count];
        const float y1 = corners[(i + 3) % count];
        if (y0 == y1) {
            continue;
        }
        const float upper = std::min(y0, y1);
        const float lower = std::max(y0, y1);
        const int from = std::clamp(static_cast<int>(std::ceil(upper - 0.5f)), 0, height);
        const int to = std::clamp(static_cast<int>(std::ceil(lower - 0.5f)), 0, height);
        const float slope = (x1 - x0) / (y1 - y0);
        for (int y = from; y < to; ++y) {
            const float x = x0 + (static_cast<float>(y) + 0.5f - y0) * slope;
            rows.lo[y] = std::min(rows.lo[y], x);
            rows.hi[y] = std::max(rows.hi[y], x);
        }
    }
    // A row the outline only grazes can miss one side; it covers nothing.
    for (int y = rows.rowBegin; y < rows.rowEnd; ++y) {
        if (rows.lo[y] > rows.hi[y]) {
            rows.lo[y] = rows.hi[y] = 0.0f;
        }
    }
}

}  // namespace korvane
