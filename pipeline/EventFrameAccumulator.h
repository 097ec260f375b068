#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <mutex>

#include "korvane/Event2D.h"
#include "pipeline/FramePalette.h"

class QPixmap;

// Paints events onto a canvas of a fixed size (the viewer's is 1280 x 720); taking a frame hands
// over the canvas and clears it. Producers on any thread paint; one thread takes. The mutex is
// the innermost lock.
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

private:
    QImage backgroundImage() const;

    const int width;
    const int height;
    QImage canvas;
    QImage snapshot;
    std::mutex mutex;
    const QColor backgroundColor;
    const QColor positiveColor;
    const QColor negativeColor;
};
