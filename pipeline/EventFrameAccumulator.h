#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <cstdint>
#include <mutex>

#include "korvane/Event2D.h"
#include "pipeline/FramePalette.h"

class QPixmap;

// What was painted into one frame.
struct FrameCounts {
    std::uint64_t events = 0;  // events painted, those outside the canvas left out
    std::uint64_t positive = 0;
};

// Paints events onto a canvas (the viewer's is 1280 x 720 unless the sensor is of another size);
// taking a frame hands over the canvas and clears it. Producers on any thread paint; one thread
// takes. The mutex is the innermost lock.
class EventFrameAccumulator {
public:
    static constexpr QSize defaultSize{1280, 720};

    explicit EventFrameAccumulator(QSize size = defaultSize,
                                   const FramePalette& palette = FramePalette::standard());

    // Any thread; callers may hold readerMutex. Events outside the canvas are skipped.
    void addEvents(const korvane::Event2D* first, const korvane::Event2D* last);
    // GUI thread only. The lock is held only to swap the buffers; the conversion runs unlocked.
    void takeFrame(QPixmap& out);
    // The same without a pixmap, for any one taking thread (no GUI needed).
    QImage takeImage();

    // The frame last taken, pixel for pixel, and what was painted into it.
    QImage lastFrame() const;
    FrameCounts lastFrameCounts() const;
    QSize size() const;
    FramePalette palette() const;

    // Another size starts the canvas and the last frame over as background; the viewer calls it
    // between sources, when nothing paints.
    void resize(QSize size);
    // Pixels of the old colours take the new ones, in the canvas and in the last frame, so the
    // frame shown can be recoloured at once.
    void setPalette(const FramePalette& palette);

private:
    QImage backgroundImage() const;

    int width;
    int height;
    QImage canvas;
    QImage snapshot;
    FrameCounts canvasCounts;
    FrameCounts snapshotCounts;
    mutable std::mutex mutex;
    QColor backgroundColor;
    QColor positiveColor;
    QColor negativeColor;
};
