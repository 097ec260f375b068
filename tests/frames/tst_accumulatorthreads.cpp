#include <QPixmap>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "pipeline/EventFrameAccumulator.h"

using korvane::Event2D;

namespace {

const QRgb background = qRgb(112, 112, 112);
const QRgb positive = qRgb(191, 188, 180);
const QRgb negative = qRgb(64, 61, 51);

// Paints every pixel of rows [firstRow, lastRow) exactly once, one row per call.
void paintRows(EventFrameAccumulator& accumulator, int firstRow, int lastRow, quint8 polarity,
               std::atomic<int>& producersLeft) {
    std::vector<Event2D> row(1280);
    for (int y = firstRow; y < lastRow; ++y) {
        for (int x = 0; x < 1280; ++x) {
            row[x] = Event2D(quint16(x), quint16(y), polarity, 0);
        }
        accumulator.addEvents(row.data(), row.data() + row.size());
        // Spread the painting over many takes.
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    producersLeft.fetch_sub(1);
}

struct FrameCount {
    int painted = 0;
    int wrongColour = 0;
};

// Top half may only hold positive pixels, bottom half only negative ones.
FrameCount countFrame(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    FrameCount count;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const QRgb expected = y < 360 ? positive : negative;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x] | 0xff000000u;
            if (pixel == expected) {
                ++count.painted;
            } else if (pixel != background) {
                ++count.wrongColour;
            }
        }
    }
    return count;
}

}  // namespace

class TestAccumulatorThreads : public QObject {
    Q_OBJECT

private slots:
    void paintWhileTaking();
};

// Every event lands in exactly one frame: none lost and none shown twice while two producers
// paint and the GUI thread takes frames.
void TestAccumulatorThreads::paintWhileTaking() {
    EventFrameAccumulator accumulator;
    std::atomic<int> producersLeft{2};
    std::thread top(paintRows, std::ref(accumulator), 0, 360, quint8(1), std::ref(producersLeft));
    std::thread bottom(paintRows, std::ref(accumulator), 360, 720, quint8(0),
                       std::ref(producersLeft));

    FrameCount total;
    int frames = 0;
    bool last = false;
    while (!last) {
        last = producersLeft.load() == 0;
        QPixmap pixmap;
        accumulator.takeFrame(pixmap);
        const FrameCount count = countFrame(pixmap);
        total.painted += count.painted;
        total.wrongColour += count.wrongColour;
        ++frames;
    }
    top.join();
    bottom.join();

    QCOMPARE(total.wrongColour, 0);
    QCOMPARE(total.painted, 1280 * 720);
    QVERIFY(frames >= 1);
}

QTEST_MAIN(TestAccumulatorThreads)
#include "tst_accumulatorthreads.moc"
