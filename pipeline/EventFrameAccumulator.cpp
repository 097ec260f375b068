#include "pipeline/EventFrameAccumulator.h"

#include <QPixmap>
#include <cstring>

namespace {

struct PixelBytes {
    uchar rgb[3];
};

// The bytes QImage::setPixel stores in an RGB888 image for this colour.
PixelBytes pixelBytes(const QColor& color) {
    const QRgb rgb = color.rgb();
    return {{uchar(qRed(rgb)), uchar(qGreen(rgb)), uchar(qBlue(rgb))}};
}

// Counts running through one addEvents call; kept in registers by the loop.
struct Tally {
    std::uint64_t positive = 0;
    std::uint64_t skipped = 0;
};

// No branch on the polarity; the only branch is the bounds check, which real streams almost
// never take. The polarity picks the colour and is counted with the same index.
inline void paintEvent(uchar* base, std::size_t bytesPerLine, unsigned width, unsigned height,
                       const PixelBytes colors[2], const korvane::Event2D& event, Tally& tally) {
    const unsigned x = event.x;
    const unsigned y = event.y;
    if (x >= width || y >= height) {
        ++tally.skipped;
        return;
    }
    const unsigned polarity = event.polarity != 0;
    tally.positive += polarity;
    std::memcpy(base + y * bytesPerLine + x * 3, colors[polarity].rgb, 3);
}

// Repaints every pixel of one palette's colour in the other palette's colour.
void recolour(QImage& image, const PixelBytes from[3], const PixelBytes to[3]) {
    for (int y = 0; y < image.height(); ++y) {
        uchar* pixel = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, pixel += 3) {
            for (int k = 0; k < 3; ++k) {
                if (std::memcmp(pixel, from[k].rgb, 3) == 0) {
                    std::memcpy(pixel, to[k].rgb, 3);
                    break;
                }
            }
        }
    }
}

}  // namespace

EventFrameAccumulator::EventFrameAccumulator(QSize size, const FramePalette& palette)
    : width(size.width()),
      height(size.height()),
      backgroundColor(palette.background),
      positiveColor(palette.positive),
      negativeColor(palette.negative) {
    canvas = backgroundImage();
    snapshot = backgroundImage();
}

// Lock held, or nobody else yet.
QImage EventFrameAccumulator::backgroundImage() const {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(backgroundColor.rgb());
    return image;
}

void EventFrameAccumulator::addEvents(const korvane::Event2D* first, const korvane::Event2D* last) {
    std::lock_guard<std::mutex> lock(mutex);
    const PixelBytes colors[2] = {pixelBytes(negativeColor), pixelBytes(positiveColor)};
    // The canvas is never shared while painting (takeFrame swaps in a fresh one), so bits()
    // does not copy.
    uchar* const base = canvas.bits();
    const std::size_t bytesPerLine = std::size_t(canvas.bytesPerLine());
    const unsigned w = unsigned(width);
    const unsigned h = unsigned(height);
    Tally tally;
    const korvane::Event2D* event = first;
    // Four independent events per round keep more cache misses in flight.
    for (; last - event >= 4; event += 4) {
        paintEvent(base, bytesPerLine, w, h, colors, event[0], tally);
        paintEvent(base, bytesPerLine, w, h, colors, event[1], tally);
        paintEvent(base, bytesPerLine, w, h, colors, event[2], tally);
        paintEvent(base, bytesPerLine, w, h, colors, event[3], tally);
    }
    for (; event != last; ++event) {
        paintEvent(base, bytesPerLine, w, h, colors, *event, tally);
    }
    canvasCounts.events += std::uint64_t(last - first) - tally.skipped;
    canvasCounts.positive += tally.positive;
}

void EventFrameAccumulator::takeFrame(QPixmap& out) {
    out = QPixmap::fromImage(takeImage());
}

QImage EventFrameAccumulator::takeImage() {
    // Allocated and filled before locking so producers wait only for the swap.
    QSize size;
    QRgb background = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        size = QSize(width, height);
        background = backgroundColor.rgb();
    }
    QImage frame(size, QImage::Format_RGB888);
    frame.fill(background);
    QImage retired;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (size != QSize(width, height) || background != backgroundColor.rgb()) {
            frame = backgroundImage();  // resized or recoloured in between
        }
        retired.swap(snapshot);
        snapshot = canvas;
        canvas.swap(frame);
        snapshotCounts = canvasCounts;
        canvasCounts = FrameCounts();
    }
    // frame now shares the painted buffer with snapshot; only this thread touches either.
    return frame;
}

QImage EventFrameAccumulator::lastFrame() const {
    std::lock_guard<std::mutex> lock(mutex);
    return snapshot;
}

FrameCounts EventFrameAccumulator::lastFrameCounts() const {
    std::lock_guard<std::mutex> lock(mutex);
    return snapshotCounts;
}

QSize EventFrameAccumulator::size() const {
    std::lock_guard<std::mutex> lock(mutex);
    return {width, height};
}

FramePalette EventFrameAccumulator::palette() const {
    std::lock_guard<std::mutex> lock(mutex);
    FramePalette current;
    current.background = backgroundColor;
    current.positive = positiveColor;
    current.negative = negativeColor;
    return current;
}

void EventFrameAccumulator::resize(QSize size) {
    std::lock_guard<std::mutex> lock(mutex);
    if (size == QSize(width, height)) {
        return;
    }
    width = size.width();
    height = size.height();
    canvas = backgroundImage();
    snapshot = backgroundImage();
    canvasCounts = FrameCounts();
    snapshotCounts = FrameCounts();
}

void EventFrameAccumulator::setPalette(const FramePalette& palette) {
    std::lock_guard<std::mutex> lock(mutex);
    if (palette.background == backgroundColor && palette.positive == positiveColor &&
        palette.negative == negativeColor) {
        return;
    }
    const PixelBytes from[3] = {pixelBytes(backgroundColor), pixelBytes(positiveColor),
                                pixelBytes(negativeColor)};
    const PixelBytes to[3] = {pixelBytes(palette.background), pixelBytes(palette.positive),
                              pixelBytes(palette.negative)};
    recolour(canvas, from, to);
    recolour(snapshot, from, to);
    backgroundColor = palette.background;
    positiveColor = palette.positive;
    negativeColor = palette.negative;
}
