#pragma once

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QHash>
#include <QImage>

// How many pixels of each colour a frame holds, alpha left out.
inline QHash<QRgb, int> colourCounts(const QImage& frame) {
    const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            ++counts[line[x] | 0xff000000u];
        }
    }
    return counts;
}

// Pixels of a frame that are not the default palette's background.
inline int eventPixels(const QImage& frame) {
    return frame.width() * frame.height() - colourCounts(frame).value(qRgb(0x70, 0x70, 0x70));
}

// The frame the window's view shows now.
inline QImage shownFrame(const QWidget* window) {
    for (QGraphicsItem* item : window->findChild<QGraphicsView*>()->scene()->items()) {
        if (auto* pixmapItem = dynamic_cast<QGraphicsPixmapItem*>(item)) {
            return pixmapItem->pixmap().toImage();
        }
    }
    return {};
}
