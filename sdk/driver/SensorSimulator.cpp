#include "SensorSimulator.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

// Pixels whose centre x + 0.5 lies in (lo, hi], rounded without a library call.
void coveredPixels(float lo, float hi, int& begin, int& end) {
    constexpr float right = static_cast<float>(Scene::width);
    begin = static_cast<int>(std::clamp(lo, 0.0f, right) + 0.5f);
    end = std::max(begin, static_cast<int>(std::clamp(hi, 0.0f, right) + 0.5f));
}

bool covers(int begin, int end, int x) {
    return x >= begin && x < end;
}

}  // namespace

SensorSimulator::SensorSimulator(SceneKind sceneKind, std::uint64_t seed)
    : scene(sceneKind, seed),
      reference(static_cast<std::size_t>(width) * height),
      blindUntil(static_cast<std::size_t>(width) * height, 0),
      random(seed * 0x9e3779b97f4a7c15ULL + 1) {
    settings.scene = sceneKind;
    for (std::size_t i = 0; i < lagTable.size(); ++i) {
        const double q = (static_cast<double>(i) + 0.5) / static_cast<double>(lagTable.size());
        // Beyond 99 % the front end has settled as far as any threshold can tell.
        lagTable[i] = static_cast<float>(std::min(-std::log(1.0 - q), -std::log(0.01)));
    }
    // Pixels start balanced at the light they see, each a little off so they do not fire in step.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int top = -1;
            for (int shape = 0; shape < scene.shapeCount(); ++shape) {
                const ShapeRows& rows = scene.currentRows(shape);
                if (y >= rows.rowBegin && y < rows.rowEnd) {
                    int begin = 0;
                    int end = 0;
                    coveredPixels(rows.lo[y], rows.hi[y], begin, end);
                    top = covers(begin, end, x) ? shape : top;
                }
            }
            reference[static_cast<std::size_t>(y) * width + x] =
                levelAt(top, x, y) + (random.unit() - 0.5f) * settings.thresholdOn;
        }
    }
}

void SensorSimulator::applySettings(const SensorSettings& newSettings) {
    if (newSettings.scene != scene.kind()) {
        scene.setKind(newSettings.scene);
    }
    settings = newSettings;
}

void SensorSimulator::restartAt(std::uint64_t timestamp) {
    const std::uint64_t boundary =
        (timestamp + stepMicroseconds - 1) / stepMicroseconds * stepMicroseconds;
    stepBegin = std::max(stepBegin, boundary);
    for (auto& slot : pending) {
        slot.clear();
    }
}

void SensorSimulator::step(std::vector<Event2D>& events) {
    scene.advance(static_cast<double>(stepMicroseconds) * 1e-6 * settings.motionSpeed);
    scanEdges();
    addNoise();
    collectStep(events);
    stepBegin += stepMicroseconds;
}

void SensorSimulator::scanEdges() {
    int first = height;
    int last = 0;
    for (int shape = 0; shape < scene.shapeCount(); ++shape) {
        for (const ShapeRows* rows : {&scene.previousRows(shape), &scene.currentRows(shape)}) {
            if (rows->rowBegin < rows->rowEnd) {
                first = std::min(first, rows->rowBegin);
                last = std::max(last, rows->rowEnd);
            }
        }
    }
    for (int y = first; y < last; ++y) {
        scanRow(y);
    }
}

void SensorSimulator::scanRow(int y) {
    spans.clear();
    for (int shape = 0; shape < scene.shapeCount(); ++shape) {
        const ShapeRows& before = scene.previousRows(shape);
        const ShapeRows& after = scene.currentRows(shape);
        RowSpan span{shape, 0, 0, 0, 0};
        if (y >= before.rowBegin && y < before.rowEnd) {
            coveredPixels(before.lo[y], before.hi[y], span.beforeBegin, span.beforeEnd);
        }
        if (y >= after.rowBegin && y < after.rowEnd) {
            coveredPixels(after.lo[y], after.hi[y], span.afterBegin, span.afterEnd);
        }
        if (span.beforeBegin < span.beforeEnd || span.afterBegin < span.afterEnd) {
            spans.push_back(span);
        }
    }
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const RowSpan span = spans[i];
        if (span.beforeBegin == span.afterBegin && span.beforeEnd == span.afterEnd) {
            continue;
        }
        const bool hadRow = span.beforeBegin < span.beforeEnd;
        const bool hasRow = span.afterBegin < span.afterEnd;
        if (hadRow && hasRow) {
            const ShapeRows& before = scene.previousRows(span.shape);
            const ShapeRows& after = scene.currentRows(span.shape);
            scanRange(y, span.shape, std::min(span.beforeBegin, span.afterBegin),
                      std::max(span.beforeBegin, span.afterBegin), before.lo[y], after.lo[y]);
            scanRange(y, span.shape, std::min(span.beforeEnd, span.afterEnd),
                      std::max(span.beforeEnd, span.afterEnd), before.hi[y], after.hi[y]);
        } else if (hadRow) {
            scanRange(y, span.shape, span.beforeBegin, span.beforeEnd, 0.0f, 0.0f);
        } else {
            scanRange(y, span.shape, span.afterBegin, span.afterEnd, 0.0f, 0.0f);
        }
    }
}

// Pixels in [from, to) that the shape's edge may have crossed, the edge moving from edgeBefore to
// edgeAfter; equal edges mean the row itself was entered or left.
void SensorSimulator::scanRange(int y, int shape, int from, int to, float edgeBefore,
                                float edgeAfter) {
    const bool sideways = edgeBefore != edgeAfter;
    const float rowFraction = sideways ? 0.0f : verticalFraction(shape, y);
    for (int x = from; x < to; ++x) {
        int topBefore = -1;
        int topAfter = -1;
        for (std::size_t j = spans.size(); j-- > 0;) {
            const RowSpan& other = spans[j];
            if (topBefore < 0 && covers(other.beforeBegin, other.beforeEnd, x)) {
                topBefore = other.shape;
            }
            if (topAfter < 0 && covers(other.afterBegin, other.afterEnd, x)) {
                topAfter = other.shape;
            }
        }
        // The topmost shape involved owns the change; a pixel two edges crossed counts once.
        if (std::max(topBefore, topAfter) != shape) {
            continue;
        }
        const float before = levelAt(topBefore, x, y);
        const float after = levelAt(topAfter, x, y);
        if (before == after) {
            continue;
        }
        float fraction = rowFraction;
        if (sideways) {
            fraction = (static_cast<float>(x) + 0.5f - edgeBefore) / (edgeAfter - edgeBefore);
        }
        fraction = std::clamp(fraction, 0.0f, 0.999f);
        const auto offset =
            static_cast<std::uint64_t>(fraction * static_cast<float>(stepMicroseconds));
        changePixel(x, y, stepBegin + offset, before, after);
    }
}

// When during the step the shape's top or bottom passed the row's centre line.
float SensorSimulator::verticalFraction(int shape, int y) const {
    const ShapeRows& before = scene.previousRows(shape);
    const ShapeRows& after = scene.currentRows(shape);
    const float centre = static_cast<float>(y) + 0.5f;
    const bool nearTop = centre < (after.top + after.bottom + before.top + before.bottom) / 4.0f;
    const float from = nearTop ? before.top : before.bottom;
    const float to = nearTop ? after.top : after.bottom;
    return from == to ? 0.5f : (centre - from) / (to - from);
}

// The light at the pixel went from before to after at time crossing. The front end follows it
// exponentially, and every threshold it passes is an event unless the pixel is still refractory;
// a pixel that recovers late fires at once and takes the light of that moment as its reference.
void SensorSimulator::changePixel(int x, int y, std::uint64_t crossing, float before, float after) {
    const std::size_t pixel = static_cast<std::size_t>(y) * width + x;
    const bool rising = after > before;
    const float sign = rising ? 1.0f : -1.0f;
    const float threshold = rising ? settings.thresholdOn : settings.thresholdOff;
    const float size = (after - before) * sign;
    const float inverseSize = 1.0f / size;
    const float tau = settings.photoreceptorTauMicroseconds;
    const std::uint32_t pixelBits = static_cast<std::uint32_t>(x) |
                                    (static_cast<std::uint32_t>(y) << yShift) |
                                    (static_cast<std::uint32_t>(rising) << polarityShift);

    // Distances from the reference, measured in the direction of the change.
    float start = (before - reference[pixel]) * sign;
    float remaining = (after - reference[pixel]) * sign;
    std::uint64_t readyAt = blindUntil[pixel];
    while (remaining >= threshold) {
        const float progress = (threshold - start) * inverseSize;
        std::uint64_t time = crossing;
        if (progress > 0.0f) {
            const int index = std::min(static_cast<int>(progress * 1024.0f), 1023);
            time += static_cast<std::uint32_t>(static_cast<int>(tau * lagTable[index]));
        }
        float moved = threshold;
        if (time < readyAt) {
            time = readyAt;
            const float elapsed = static_cast<float>(time - crossing);
            const float seen = start + size * (1.0f - std::exp(-elapsed / tau));
            moved = std::clamp(seen, threshold, remaining);
        }
        start -= moved;
        remaining -= moved;
        readyAt = time + settings.refractoryMicroseconds;
        schedule(pixelBits, time);
    }
    reference[pixel] = after - remaining * sign;
    blindUntil[pixel] = readyAt;
}

void SensorSimulator::addNoise() {
    const double expected =
        settings.noiseRatePerPixel * width * height * static_cast<double>(stepMicroseconds) * 1e-6 +
        noiseCarry;
    const auto count = static_cast<std::uint64_t>(expected);
    noiseCarry = expected - static_cast<double>(count);
    std::vector<std::uint32_t>& slot = pending[(stepBegin / stepMicroseconds) % pendingSteps];
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t draw = random.next();
        const auto x = static_cast<std::uint32_t>(((draw & 0xffffffULL) * width) >> 24);
        const auto y = static_cast<std::uint32_t>((((draw >> 24) & 0xffffffULL) * height) >> 24);
        const auto offset =
            static_cast<std::uint32_t>((((draw >> 48) & 0x7fffULL) * stepMicroseconds) >> 15);
        slot.push_back(x | (y << yShift) | (offset << offsetShift) |
                       (static_cast<std::uint32_t>(draw >> 63) << polarityShift));
    }
}

// Counting sort on the microsecond within the step; stable, so each microsecond keeps row order.
void SensorSimulator::collectStep(std::vector<Event2D>& events) {
    std::vector<std::uint32_t>& slot = pending[(stepBegin / stepMicroseconds) % pendingSteps];
    histogram.fill(0);
    for (const std::uint32_t entry : slot) {
        ++histogram[(entry >> offsetShift) + 1];
    }
    for (std::size_t i = 1; i < histogram.size(); ++i) {
        histogram[i] += histogram[i - 1];
    }
    events.resize(slot.size());
    const bool flip = settings.flipX;
    for (const std::uint32_t entry : slot) {
        const std::uint32_t offset = entry >> offsetShift;
        Event2D& placed = events[histogram[offset]++];
        const std::uint32_t x = entry & 0x7ffU;
        placed.x = static_cast<std::uint16_t>(flip ? width - 1U - x : x);
        placed.y = static_cast<std::uint16_t>((entry >> yShift) & 0x3ffU);
        placed.polarity = static_cast<std::uint8_t>((entry >> polarityShift) & 1U);
        placed.timestamp = stepBegin + offset;
    }
    slot.clear();
}

float SensorSimulator::levelAt(int shape, int x, int y) const {
    return shape < 0 ? scene.backgroundLevel(x, y) : scene.shapeLevel(shape);
}

}  // namespace korvane
