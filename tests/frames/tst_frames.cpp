#include <QtTest>
#include <QtWidgets>
#include <atomic>
#include <climits>
#include <thread>
#include <vector>

#include "main_window/KvGraphicsView.h"
#include "main_window/KvSlider.h"
#include "main_window/MainWidget.h"
#include "main_window/ShowImageForm.h"
#include "pipeline/EventFrameAccumulator.h"
#include "support/FramePixels.h"
#include "support/ScopedWorkDir.h"

using korvane::Event2D;

namespace {

const QRgb background = qRgb(112, 112, 112);
const QRgb positive = qRgb(191, 188, 180);
const QRgb negative = qRgb(64, 61, 51);
const int noClick = INT_MIN;

// "x,y,polarity" separated by spaces.
std::vector<Event2D> parseEvents(const QString& text) {
    std::vector<Event2D> events;
    for (const QString& token : text.split(' ', Qt::SkipEmptyParts)) {
        const QStringList v = token.split(',');
        events.emplace_back(quint16(v[0].toUInt()), quint16(v[1].toUInt()), quint8(v[2].toUInt()),
                            0);
    }
    return events;
}

QImage take(EventFrameAccumulator& accumulator) {
    QPixmap pixmap;
    accumulator.takeFrame(pixmap);
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class TestFrames : public QObject {
    Q_OBJECT

private slots:
    void accumulator_data();
    void accumulator();
    void paintWhileTaking();
    void handOffFromAnotherThread();
    void wheel();
    void slider_data();
    void slider();
};

// Each "|" takes a frame; every frame taken is compared at the end, so a later paint may not
// reach a frame handed over before.
void TestFrames::accumulator_data() {
    QTest::addColumn<QString>("painted");
    QTest::addColumn<QString>("frames");
    // clang-format off
    QTest::newRow("nothing painted") << "|" << "";
    QTest::newRow("the last event wins") << "640,360,1 640,360,0 |" << "640,360,0";
    QTest::newRow("the last event wins, positive") << "640,360,0 640,360,1 |" << "640,360,1";
    QTest::newRow("any polarity but 0 is positive") << "3,4,2 |" << "3,4,1";
    QTest::newRow("corners") << "0,0,0 1279,719,0 |" << "0,0,0 1279,719,0";
    QTest::newRow("outside skipped, the rest painted") << "10,10,1 1280,0,0 0,720,0 65535,65535,0 20,20,1 |" << "10,10,1 20,20,1";
    QTest::newRow("a take starts afresh") << "1,2,1 3,4,0 | | 1,2,0 7,7,1 |" << "1,2,1 3,4,0 | | 1,2,0 7,7,1";
    // clang-format on
}

void TestFrames::accumulator() {
    QFETCH(QString, painted);
    QFETCH(QString, frames);
    EventFrameAccumulator accumulator;
    QList<QImage> taken;
    const QStringList paints = painted.split('|');
    for (int i = 0; i + 1 < paints.size(); ++i) {
        const std::vector<Event2D> events = parseEvents(paints[i]);
        accumulator.addEvents(events.data(), events.data() + events.size());
        taken << take(accumulator);
    }
    const QStringList expected = frames.split('|');
    QCOMPARE(taken.size(), expected.size());
    for (int i = 0; i < taken.size(); ++i) {
        QImage frame(1280, 720, QImage::Format_RGB32);
        frame.fill(background);
        for (const Event2D& event : parseEvents(expected[i])) {
            frame.setPixel(event.x, event.y, event.polarity ? positive : negative);
        }
        QVERIFY2(taken[i] == frame, qPrintable(QString("frame %1").arg(i)));
    }
}

// Every event lands in exactly one frame, none lost and none shown twice, while two producers
// paint and this thread takes frames.
void TestFrames::paintWhileTaking() {
    EventFrameAccumulator accumulator;
    std::atomic<int> producersLeft{2};
    const auto paintRows = [&accumulator, &producersLeft](int firstRow, quint8 polarity) {
        std::vector<Event2D> row(1280);
        for (int y = firstRow; y < firstRow + 360; ++y) {
            for (int x = 0; x < 1280; ++x) {
                row[x] = Event2D(quint16(x), quint16(y), polarity, 0);
            }
            accumulator.addEvents(row.data(), row.data() + row.size());
            // Spreads the painting over many takes.
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        --producersLeft;
    };
    std::thread top(paintRows, 0, quint8(1));
    std::thread bottom(paintRows, 360, quint8(0));
    QHash<QRgb, int> total;
    for (bool last = false; !last;) {
        last = producersLeft == 0;
        const QHash<QRgb, int> counts = colourCounts(take(accumulator));
        for (auto count = counts.cbegin(); count != counts.cend(); ++count) {
            total[count.key()] += count.value();
        }
    }
    top.join();
    bottom.join();
    total.remove(background);
    QCOMPARE(total, (QHash<QRgb, int>{{positive, 1280 * 360}, {negative, 1280 * 360}}));
}

// A producer thread's hand-off reaches the view through the GUI thread's event loop.
void TestFrames::handOffFromAnotherThread() {
    ScopedWorkDir dir;
    MainWidget window;
    window.show();
    std::thread producer([&window] {
        const Event2D event(100, 100, 0, 0);
        window.frameAccumulator().addEvents(&event, &event + 1);
        emit window.triggerEventsToShow();
    });
    producer.join();
    QCOMPARE(shownFrame(&window).pixel(100, 100), background);
    QTRY_COMPARE(shownFrame(&window).pixel(100, 100), negative);
}

// A wheel step zooms in or out; a sideways one zooms out; the wheel never scrolls the view. A
// double click fits the frame. Zoom bounds, fits and new frames are the keys' flows.
void TestFrames::wheel() {
    ShowImageForm form;
    form.resize(840, 429);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QWidget* port = form.findChild<KvGraphicsView*>()->viewport();
    const auto scale = [&form] { return form.findChild<KvGraphicsView*>()->transform().m11(); };
    const double fitted = scale();
    for (const QPoint delta : {QPoint(0, 120), QPoint(0, 120), QPoint(0, 120), QPoint(120, 0)}) {
        const QPointF at = port->rect().center();
        QWheelEvent wheel(at, port->mapToGlobal(at.toPoint()), QPoint(), delta, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(port, &wheel);
        QVERIFY(wheel.isAccepted());
    }
    QCOMPARE(scale(), fitted * 1.1 * 1.1);
    QTest::mouseDClick(port, Qt::LeftButton, {}, port->rect().center());
    QCOMPARE(scale(), fitted);
}

// A slider of 0 to 100, taller than wide is vertical; the mouse is pressed at the first
// coordinate along it and released at the last. trackClicked carries the raw value, the slider
// shows it clamped; a press on the 10-pixel handle drags.
void TestFrames::slider_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("mouse");
    QTest::addColumn<int>("clicked");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("dragged");
    // clang-format off
    QTest::newRow("left end, span 501") << QSize(511, 35) << 50 << "left 0" << 0 << 0 << false;
    QTest::newRow("left end, span 500") << QSize(510, 35) << 50 << "left 0" << -1 << 0 << false;
    QTest::newRow("right end, span 401") << QSize(411, 35) << 0 << "left 410" << 100 << 100 << false;
    QTest::newRow("right end, span 400") << QSize(410, 35) << 0 << "left 409" << 101 << 100 << false;
    QTest::newRow("beside the handle: a jump, no drag") << QSize(610, 35) << 0 << "left 305 500" << 50 << 50 << false;
    QTest::newRow("handle's left edge drags") << QSize(610, 35) << 50 << "left 300 500" << 49 << 82 << true;
    QTest::newRow("handle's right edge drags") << QSize(610, 35) << 50 << "left 309 509" << 50 << 83 << true;
    QTest::newRow("a long track: the handle's edge drags where the value truncates") << QSize(6010, 35) << 50 << "left 3000 3200" << 49 << 53 << true;
    QTest::newRow("right button: no jump") << QSize(610, 35) << 0 << "right 400" << noClick << 0 << false;
    QTest::newRow("vertical: the value grows downward") << QSize(35, 400) << 0 << "left 300" << 75 << 75 << false;
    // clang-format on
}

void TestFrames::slider() {
    QFETCH(QSize, size);
    QFETCH(int, start);
    QFETCH(QString, mouse);
    QFETCH(int, clicked);
    QFETCH(int, value);
    QFETCH(bool, dragged);
    KvSlider slider;
    const bool vertical = size.height() > size.width();
    slider.setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
    slider.setRange(0, 100);
    slider.setPageStep(1);
    slider.setValue(start);
    slider.setMinimumSize(0, 0);
    slider.resize(size);
    const QStringList words = mouse.split(' ');
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    const auto at = [&](const QString& along) {
        return vertical ? QPoint(3, along.toInt()) : QPoint(along.toInt(), size.height() / 2);
    };
    const Qt::MouseButton button = words[0] == "right" ? Qt::RightButton : Qt::LeftButton;
    QSignalSpy clicks(&slider, &KvSlider::trackClicked);
    QSignalSpy presses(&slider, &QSlider::sliderPressed);
    QTest::mousePress(&slider, button, {}, at(words[1]));
    QMouseEvent move(QEvent::MouseMove, at(words.last()), slider.mapToGlobal(at(words.last())),
                     Qt::NoButton, button, {});
    QApplication::sendEvent(&slider, &move);
    QTest::mouseRelease(&slider, button, {}, at(words.last()));
    QCOMPARE(clicks.count(), clicked == noClick ? 0 : 1);
    QCOMPARE(clicks.value(0).value(0, noClick).toInt(), clicked);
    QCOMPARE(slider.value(), value);
    QCOMPARE(presses.count(), dragged ? 1 : 0);
    QVERIFY(!slider.isSliderDown());
}

QTEST_MAIN(TestFrames)
#include "tst_frames.moc"
