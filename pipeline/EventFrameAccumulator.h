#pragma once

#include <QColor>
#include <QImage>
#include <mutex>

#include "korvane/Event2D.h"

class QPixmap;

// Paints events onto a fixed 1280 x 720 canvas; taking a frame hands over the canvas and clears it.
// Producers on any thread paint, the GUI thread takes. The mutex is the innermost lock.
class EventFrameAccumulator {
public:
    static constexpr int canvasWidth = 1280;
    static constexpr int canvasHeight = 720;

    EventFrameAccumulator();

    // Any thread; callers may hold readerMutex. Events outside the canvas are skipped.
    void addEvents(const korvane::Event2D* first, const korvane::Event2D* last);
    // GUI thread only. The lock is held only to swap the buffers; the conversion runs unlocked.
    void takeFrame(QPixmap& out);

private:
    QImage backgroundImage() const;

    QImage canvas;
    QImage snapshot;
    std::mutex mutex;
    const QColor backgroundColor{112, 112, 112, 255};
    const QColor positiveColor{191, 188, 180, 255};
    const QColor negativeColor{64, 61, 51, 255};
};
