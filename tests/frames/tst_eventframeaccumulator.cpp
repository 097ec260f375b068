#include <QPixmap>
#include <QRandomGenerator>
#include <QtTest>
#include <vector>

#include "pipeline/EventFrameAccumulator.h"

using korvane::Event2D;

namespace {

const QRgb background = qRgb(112, 112, 112);
const QRgb positive = qRgb(191, 188, 180);
const QRgb negative = qRgb(64, 61, 51);

QImage take(EventFrameAccumulator& accumulator) {
    QPixmap pixmap;
    accumulator.takeFrame(pixmap);
    return pixmap.toImage();
}

void paint(EventFrameAccumulator& accumulator, const std::vector<Event2D>& events) {
    accumulator.addEvents(events.data(), events.data() + events.size());
}

int countNot(const QImage& image, QRgb color) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixel(x, y) != color ? 1 : 0;
        }
    }
    return count;
}

}  // namespace

class TestEventFrameAccumulator : public QObject {
    Q_OBJECT

private slots:
    void emptyTakeIsBackground();
    void emptyRangePaintsNothing();
    void lastEventWins_data();
    void lastEventWins();
    void polarity_data();
    void polarity();
    void bounds_data();
    void bounds();
    void twoTakesInARow();
    void matchesSetPixel();
};

void TestEventFrameAccumulator::emptyTakeIsBackground() {
    EventFrameAccumulator accumulator;
    const QImage frame = take(accumulator);
    QCOMPARE(frame.size(), QSize(1280, 720));
    QCOMPARE(countNot(frame, background), 0);
}

void TestEventFrameAccumulator::emptyRangePaintsNothing() {
    EventFrameAccumulator accumulator;
    const Event2D event(5, 5, 1, 0);
    accumulator.addEvents(&event, &event);
    QCOMPARE(countNot(take(accumulator), background), 0);
}

void TestEventFrameAccumulator::lastEventWins_data() {
    QTest::addColumn<int>("firstPolarity");
    QTest::addColumn<int>("secondPolarity");
    QTest::addColumn<QRgb>("expected");
    QTest::newRow("positive then negative") << 1 << 0 << negative;
    QTest::newRow("negative then positive") << 0 << 1 << positive;
    QTest::newRow("negative twice") << 0 << 0 << negative;
}

void TestEventFrameAccumulator::lastEventWins() {
    QFETCH(int, firstPolarity);
    QFETCH(int, secondPolarity);
    QFETCH(QRgb, expected);
    EventFrameAccumulator accumulator;
    paint(accumulator, {Event2D(640, 360, quint8(firstPolarity), 10)});
    paint(accumulator, {Event2D(640, 360, quint8(secondPolarity), 20)});
    const QImage frame = take(accumulator);
    QCOMPARE(frame.pixel(640, 360), expected);
    QCOMPARE(countNot(frame, background), 1);
}

void TestEventFrameAccumulator::polarity_data() {
    QTest::addColumn<int>("polarity");
    QTest::addColumn<QRgb>("expected");
    QTest::newRow("0") << 0 << negative;
    QTest::newRow("1") << 1 << positive;
    QTest::newRow("2") << 2 << positive;
    QTest::newRow("255") << 255 << positive;
}

void TestEventFrameAccumulator::polarity() {
    QFETCH(int, polarity);
    QFETCH(QRgb, expected);
    EventFrameAccumulator accumulator;
    paint(accumulator, {Event2D(3, 4, quint8(polarity), 0)});
    QCOMPARE(take(accumulator).pixel(3, 4), expected);
}

void TestEventFrameAccumulator::bounds_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<bool>("painted");
    QTest::newRow("origin") << 0 << 0 << true;
    QTest::newRow("last pixel") << 1279 << 719 << true;
    QTest::newRow("x one past") << 1280 << 0 << false;
    QTest::newRow("y one past") << 0 << 720 << false;
    QTest::newRow("both past") << 1280 << 720 << false;
    QTest::newRow("largest coordinates") << 65535 << 65535 << false;
}

// The event under test sits between two good ones: the range goes on after a skipped event.
void TestEventFrameAccumulator::bounds() {
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(bool, painted);
    EventFrameAccumulator accumulator;
    paint(accumulator,
          {Event2D(10, 10, 1, 0), Event2D(quint16(x), quint16(y), 0, 1), Event2D(20, 20, 1, 2)});
    const QImage frame = take(accumulator);
    QCOMPARE(frame.pixel(10, 10), positive);
    QCOMPARE(frame.pixel(20, 20), positive);
    if (painted) {
        QCOMPARE(frame.pixel(x, y), negative);
    }
    QCOMPARE(countNot(frame, background), painted ? 3 : 2);
}

void TestEventFrameAccumulator::twoTakesInARow() {
    EventFrameAccumulator accumulator;
    paint(accumulator, {Event2D(1, 2, 1, 0), Event2D(3, 4, 0, 0)});
    QPixmap first;
    accumulator.takeFrame(first);
    QPixmap second;
    accumulator.takeFrame(second);
    QCOMPARE(countNot(second.toImage(), background), 0);

    paint(accumulator, {Event2D(1, 2, 0, 0), Event2D(7, 7, 1, 0)});
    QPixmap third;
    accumulator.takeFrame(third);
    const QImage firstImage = first.toImage();
    QCOMPARE(firstImage.pixel(1, 2), positive);
    QCOMPARE(firstImage.pixel(3, 4), negative);
    QCOMPARE(countNot(firstImage, background), 2);
    QCOMPARE(third.toImage().pixel(1, 2), negative);
}

// Painting straight into memory must give the bytes setPixel would.
void TestEventFrameAccumulator::matchesSetPixel() {
    QRandomGenerator random(42);
    std::vector<Event2D> events(200000);
    for (Event2D& event : events) {
        event = Event2D(quint16(random.bounded(1300)), quint16(random.bounded(740)),
                        quint8(random.bounded(256) < 128 ? 0 : random.bounded(1, 256)), 0);
    }
    QImage reference(1280, 720, QImage::Format_RGB888);
    reference.fill(QColor(112, 112, 112).rgb());
    for (const Event2D& event : events) {
        if (event.x < 1280 && event.y < 720) {
            reference.setPixel(
                event.x, event.y,
                event.polarity != 0 ? QColor(191, 188, 180).rgb() : QColor(64, 61, 51).rgb());
        }
    }
    EventFrameAccumulator accumulator;
    paint(accumulator, events);
    const QImage frame = take(accumulator).convertToFormat(QImage::Format_RGB888);
    QCOMPARE(frame, reference);
}

QTEST_MAIN(TestEventFrameAccumulator)
#include "tst_eventframeaccumulator.moc"
