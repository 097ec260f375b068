#include "framework/shadowTile.h"

#include <QColor>
#include <algorithm>
#include <cmath>
#include <cstdlib>

int shadowAlpha(int depth, int width) {
    // 3.14, not pi: at some widths pi moves an alpha by one, and the tile keeps its known look.
    double v = (1.0 - std::cos(static_cast<double>(depth) / width * 3.14 * 0.5)) * depth * 4.0;
    if (depth == width) {
        v *= 1.2;
    }
    return static_cast<int>(std::fabs(v)) & 0xFF;
}

namespace {

QRgb shadowPixel(int depth, int width) {
    return qRgba(0, 0, 0, shadowAlpha(depth, width));
}

int cornerDepth(int x, int y, const QPoint& corner, int width) {
    const double distance = std::hypot(x - corner.x(), y - corner.y());
    return width - std::min(static_cast<int>(distance), width);
}

void fillCorner(QImage& image, int left, int top, const QPoint& corner, int width) {
    for (int y = top; y < top + width; ++y) {
        for (int x = left; x < left + width; ++x) {
            image.setPixel(x, y, shadowPixel(cornerDepth(x, y, corner, width), width));
        }
    }
}

}  // namespace

QImage makeShadowImage(int width) {
    const int w = width;
    const int side = 2 * w + 10;
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(QColor(Qt::black));

    for (int along = w; along < side - w; ++along) {
        for (int depth = 1; depth <= w; ++depth) {
            const QRgb pixel = shadowPixel(depth, w);
            image.setPixel(depth - 1, along, pixel);
            image.setPixel(side - depth, along, pixel);
            image.setPixel(along, depth - 1, pixel);
            image.setPixel(along, side - depth, pixel);
        }
    }

    fillCorner(image, 0, 0, QPoint(w, w), w);
    fillCorner(image, side - w, 0, QPoint(side - w, w), w);
    fillCorner(image, 0, side - w, QPoint(w, side - w), w);
    fillCorner(image, side - w, side - w, QPoint(side - w, side - w), w);
    return image;
}

void splitRect(const QRect& rect, int width, QRect out[9]) {
    const int l = rect.left();
    const int t = rect.top();
    const int w = rect.width();
    const int h = rect.height();
    const int b = width;
    out[0] = QRect(l, t, b, b);
    out[1] = QRect(l + b, t, w - 2 * b, b);
    out[2] = QRect(l + w - b, t, b, b);
    out[3] = QRect(l, t + b, b, h - 2 * b);
    out[4] = QRect(l + b, t + b, w - 2 * b, h - 2 * b);
    out[5] = QRect(l + w - b, t + b, b, h - 2 * b);
    out[6] = QRect(l, t + h - b, b, b);
    out[7] = QRect(l + b, t + h - b, w - 2 * b, b);
    out[8] = QRect(l + w - b, t + h - b, b, b);
}
