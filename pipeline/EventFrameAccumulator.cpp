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

// No branch on the polarity; the only branch is the bounds check, which real streams almost
// never take.
inline void paintEvent(uchar* base, std::size_t bytesPerLine, unsigned width, unsigned height,
                       const PixelBytes colors[2], const korvane::Event2D& event) {
    const unsigned x = event.x;
    const unsigned y = event.y;
    if (x >= width || y >= height) {
        return;
    }
    std::memcpy(base + y * bytesPerLine + x * 3, colors[event.polarity != 0].rgb, 3);
}

}  // namespace

// The colours are declared after the images, so the images are filled here, not in the
// initialiser list.
EventFrameAccumulator::EventFrameAccumulator(QSize size, const FramePalette& palette)
    : width(size.width()),
      height(size.height()),
      backgroundColor(palette.background),
      positiveColor(palette.positive),
      negativeColor(palette.negative) {
    canvas = backgroundImage();
    snapshot = backgroundImage();
}

QImage EventFrameAccumulator::backgroundImage() const {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(backgroundColor.rgb());
    return image;
}

void EventFrameAccumulator::addEvents(const korvane::Event2D* first, const korvane::Event2D* last) {
    const PixelBytes colors[2] = {pixelBytes(negativeColor), pixelBytes(positiveColor)};
    std::lock_guard<std::mutex> lock(mutex);
    // The canvas is never shared while painting (takeFrame swaps in a fresh one), so bits()
    // does not copy.
    uchar* const base = canvas.bits();
    const std::size_t bytesPerLine = std::size_t(canvas.bytesPerLine());
    const unsigned w = unsigned(width);
    const unsigned h = unsigned(height);
    const korvane::Event2D* event = first;
    // Four independent events per round keep more cache misses in flight.
    for (; last - event >= 4; event += 4) {
        paintEvent(base, bytesPerLine, w, h, colors, event[0]);
        paintEvent(base, bytesPerLine, w, h, colors, event[1]);
        paintEvent(base, bytesPerLine, w, h, colors, event[2]);
        paintEvent(base, bytesPerLine, w, h, colors, event[3]);
    }
    for (; event != last; ++event) {
        paintEvent(base, bytesPerLine, w, h, colors, *event);
    }
}

void EventFrameAccumulator::takeFrame(QPixmap& out) {
    out = QPixmap::fromImage(takeImage());
}

QImage EventFrameAccumulator::takeImage() {
    // Allocated and filled before locking so producers wait only for the swap.
    QImage frame = backgroundImage();
    QImage retired;
    {
        std::lock_guard<std::mutex> lock(mutex);
        retired.swap(snapshot);
        snapshot = canvas;
        canvas.swap(frame);
    }
    // frame now shares the painted buffer with snapshot; only this thread touches either.
    return frame;
}
