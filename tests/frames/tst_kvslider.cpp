#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest>
#include <climits>

#include "main_window/KvSlider.h"

namespace {

// Exposes the handle rectangle that the press handling sees.
class ProbedSlider : public KvSlider {
public:
    QRect handleRect() {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    }
};

void pressMoveRelease(QWidget* widget, QPoint press, QPoint move) {
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, press);
    QMouseEvent moveEvent(QEvent::MouseMove, move, widget->mapToGlobal(move), Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &moveEvent);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, move);
}

}  // namespace

class TestKvSlider : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clickValueTable_data();
    void clickValueTable();
    void handleIsTenPixels();
    void trackEnds_data();
    void trackEnds();
    void middleClickJumpsWithoutDrag();
    void handleClickDrags_data();
    void handleClickDrags();
    void otherButtonsUntouched_data();
    void otherButtonsUntouched();
    void disabledEmitsNothing();
    void verticalUsesY();

private:
    void makeSlider(Qt::Orientation orientation, QSize size);

    ProbedSlider* slider = nullptr;
};

void TestKvSlider::init() {
    makeSlider(Qt::Horizontal, QSize(610, 35));
}

void TestKvSlider::cleanup() {
    delete slider;
    slider = nullptr;
}

void TestKvSlider::makeSlider(Qt::Orientation orientation, QSize size) {
    delete slider;
    slider = new ProbedSlider;
    slider->setOrientation(orientation);
    slider->setRange(0, 100);
    slider->setPageStep(1);
    slider->setValue(0);
    slider->setMinimumSize(0, 0);
    slider->resize(size);
    slider->show();
    QVERIFY(QTest::qWaitForWindowExposed(slider));
    QCOMPARE(slider->size(), size);
}

void TestKvSlider::clickValueTable_data() {
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("handle");
    QTest::addColumn<int>("track");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("expected");
    QTest::newRow("left end, span 501") << 0 << 100 << 10 << 511 << 0 << 0;
    QTest::newRow("left end, span 500") << 0 << 100 << 10 << 510 << 0 << -1;
    QTest::newRow("left end, span 100") << 0 << 100 << 10 << 110 << 0 << -5;
    QTest::newRow("handle centre at start") << 0 << 100 << 10 << 110 << 5 << 0;
    QTest::newRow("right end, span 401") << 0 << 100 << 10 << 411 << 410 << 100;
    QTest::newRow("right end, span 400") << 0 << 100 << 10 << 410 << 409 << 101;
    QTest::newRow("handle centre at end") << 0 << 100 << 10 << 410 << 405 << 100;
    QTest::newRow("middle") << 0 << 100 << 10 << 510 << 255 << 50;
    QTest::newRow("offset range") << 10 << 20 << 10 << 110 << 55 << 15;
    QTest::newRow("negative truncates toward zero") << -100 << 0 << 10 << 210 << 0 << -102;
    QTest::newRow("track as long as handle") << 0 << 100 << 10 << 10 << 5 << 0;
    QTest::newRow("track shorter than handle") << 7 << 100 << 20 << 10 << 5 << 7;
    QTest::newRow("full int range saturates") << INT_MIN << INT_MAX << 10 << 11 << 10000 << INT_MAX;
    QTest::newRow("full int range saturates low")
        << INT_MIN << INT_MAX << 10 << 11 << -10000 << INT_MIN;
}

void TestKvSlider::clickValueTable() {
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, handle);
    QFETCH(int, track);
    QFETCH(int, position);
    QFETCH(int, expected);
    QCOMPARE(trackClickValue(minimum, maximum, handle, track, position), expected);
}

void TestKvSlider::handleIsTenPixels() {
    QCOMPARE(slider->handleRect().width(), 10);
}

// Clicks at the very ends: the slider shows the clamped value, trackClicked carries the raw one.
void TestKvSlider::trackEnds_data() {
    QTest::addColumn<int>("span");
    QTest::addColumn<bool>("rightEnd");
    QTest::addColumn<int>("emitted");
    QTest::addColumn<int>("shown");
    QTest::newRow("left, long track") << 600 << false << 0 << 0;
    QTest::newRow("left, span 501") << 501 << false << 0 << 0;
    QTest::newRow("left, span 500") << 500 << false << -1 << 0;
    QTest::newRow("left, short track") << 200 << false << -2 << 0;
    QTest::newRow("right, long track") << 600 << true << 100 << 100;
    QTest::newRow("right, span 401") << 401 << true << 100 << 100;
    QTest::newRow("right, span 400") << 400 << true << 101 << 100;
    QTest::newRow("right, short track") << 200 << true << 102 << 100;
}

void TestKvSlider::trackEnds() {
    QFETCH(int, span);
    QFETCH(bool, rightEnd);
    QFETCH(int, emitted);
    QFETCH(int, shown);
    makeSlider(Qt::Horizontal, QSize(span + 10, 35));
    slider->setValue(rightEnd ? 0 : 50);
    QSignalSpy clicked(slider, &KvSlider::trackClicked);
    QSignalSpy pressed(slider, &QSlider::sliderPressed);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier,
                      QPoint(rightEnd ? slider->width() - 1 : 0, slider->height() / 2));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().toInt(), emitted);
    QCOMPARE(slider->value(), shown);
    QCOMPARE(pressed.count(), 0);
}

void TestKvSlider::middleClickJumpsWithoutDrag() {
    QSignalSpy clicked(slider, &KvSlider::trackClicked);
    QSignalSpy changed(slider, &QSlider::valueChanged);
    QSignalSpy moved(slider, &QSlider::sliderMoved);
    QSignalSpy pressed(slider, &QSlider::sliderPressed);
    const int y = slider->height() / 2;
    pressMoveRelease(slider, QPoint(305, y), QPoint(500, y));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().toInt(), 50);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(slider->value(), 50);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(pressed.count(), 0);
    QVERIFY(!slider->isSliderDown());
}

// Anywhere on the handle starts a drag, also where truncation leaves the moved handle a value
// short of the pointer.
void TestKvSlider::handleClickDrags_data() {
    QTest::addColumn<int>("offset");
    QTest::newRow("left edge") << 0;
    QTest::newRow("centre") << 4;
    QTest::newRow("right edge") << 9;
}

void TestKvSlider::handleClickDrags() {
    QFETCH(int, offset);
    slider->setValue(50);
    const QRect handle = slider->handleRect();
    QCOMPARE(handle.width(), 10);
    const int y = slider->height() / 2;
    const QPoint press(handle.left() + offset, y);
    QVERIFY(handle.contains(press));
    QSignalSpy clicked(slider, &KvSlider::trackClicked);
    QSignalSpy moved(slider, &QSlider::sliderMoved);
    QSignalSpy pressed(slider, &QSlider::sliderPressed);
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, press);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().toInt(), trackClickValue(0, 100, 10, 610, press.x()));
    QCOMPARE(pressed.count(), 1);
    QVERIFY(slider->isSliderDown());

    const QPoint target(press.x() + 200, y);
    QMouseEvent move(QEvent::MouseMove, target, slider->mapToGlobal(target), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &move);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, target);
    QVERIFY(moved.count() >= 1);
    const int expected = trackClickValue(0, 100, 10, 610, target.x());
    QVERIFY2(qAbs(moved.last().first().toInt() - expected) <= 1,
             qPrintable(QString::number(moved.last().first().toInt())));
    QCOMPARE(slider->value(), moved.last().first().toInt());
    QVERIFY(!slider->isSliderDown());
}

void TestKvSlider::otherButtonsUntouched_data() {
    QTest::addColumn<int>("button");
    QTest::newRow("right") << int(Qt::RightButton);
    QTest::newRow("middle") << int(Qt::MiddleButton);
}

void TestKvSlider::otherButtonsUntouched() {
    QFETCH(int, button);
    QSignalSpy clicked(slider, &KvSlider::trackClicked);
    QTest::mouseClick(slider, Qt::MouseButton(button), Qt::NoModifier,
                      QPoint(400, slider->height() / 2));
    QCOMPARE(clicked.count(), 0);
}

void TestKvSlider::disabledEmitsNothing() {
    slider->setEnabled(false);
    QSignalSpy clicked(slider, &KvSlider::trackClicked);
    QSignalSpy changed(slider, &QSlider::valueChanged);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(305, slider->height() / 2));
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(slider->value(), 0);
}

// The value grows downward along y, not inverted.
void TestKvSlider::verticalUsesY() {
    makeSlider(Qt::Vertical, QSize(35, 400));
    const int handle = slider->handleRect().height();
    QSignalSpy clicked(slider, &KvSlider::trackClicked);
    const int y = 300;
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(3, y));
    QCOMPARE(clicked.count(), 1);
    const int expected = trackClickValue(0, 100, handle, 400, y);
    QVERIFY(expected > 50);
    QCOMPARE(clicked.first().first().toInt(), expected);
    QCOMPARE(slider->value(), expected);
}

QTEST_MAIN(TestKvSlider)
#include "tst_kvslider.moc"
