#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest>
#include <algorithm>
#include <cmath>

#include "main_window/KvGraphicsView.h"
#include "main_window/ShowImageForm.h"

namespace {

const QPoint wheelAway(0, 120);
const QPoint wheelToward(0, -120);
const QPoint wheelSideways(120, 0);

// The scale fitInView gives for the 1280 x 720 frame (it keeps a 2-pixel margin).
double fittedScale(const QGraphicsView* view) {
    const QRect viewport = view->viewport()->rect();
    return std::min((viewport.width() - 4) / 1280.0, (viewport.height() - 4) / 720.0);
}

double currentScale(const QGraphicsView* view) {
    return view->transform().m11();
}

bool sameScale(double actual, double expected) {
    return std::abs(actual / expected - 1.0) < 1e-9;
}

}  // namespace

class TestFrameView : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void zoomStepTable_data();
    void zoomStepTable();
    void viewSettings();
    void wheelTowardAtFittedSize_data();
    void wheelTowardAtFittedSize();
    void zoomBounds();
    void sidewaysWheelZoomsOut();
    void newFrameKeepsZoomAndScroll();
    void doubleClickFits();
    void resizeFits();

private:
    bool wheel(QPoint angleDelta);
    void zoomSteps(int steps, QPoint angleDelta);

    ShowImageForm* form = nullptr;
    KvGraphicsView* view = nullptr;
};

void TestFrameView::init() {
    form = new ShowImageForm;
    form->resize(840, 429);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    view = form->findChild<KvGraphicsView*>("graphicsView");
    QVERIFY(view != nullptr);
    QVERIFY(sameScale(currentScale(view), fittedScale(view)));
}

void TestFrameView::cleanup() {
    delete form;
    form = nullptr;
    view = nullptr;
}

bool TestFrameView::wheel(QPoint angleDelta) {
    const QPointF position = view->viewport()->rect().center();
    QWheelEvent event(position, view->viewport()->mapToGlobal(position.toPoint()), QPoint(),
                      angleDelta, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &event);
    return event.isAccepted();
}

void TestFrameView::zoomSteps(int steps, QPoint angleDelta) {
    for (int i = 0; i < steps; ++i) {
        QVERIFY(wheel(angleDelta));
    }
}

void TestFrameView::zoomStepTable_data() {
    QTest::addColumn<int>("angleDelta");
    QTest::addColumn<double>("scaleFactor");
    QTest::addColumn<double>("expected");
    const double in = 1.1;
    const double out = 1.0 / 1.1;
    QTest::newRow("in from fitted") << 120 << 1.0 << in;
    QTest::newRow("in just below bound") << 120 << 49.99 << in;
    QTest::newRow("in at bound") << 120 << 50.0 << 1.0;
    QTest::newRow("in past bound") << 120 << 54.76 << 1.0;
    QTest::newRow("out at fitted") << -120 << 1.0 << 1.0;
    QTest::newRow("out just above fitted") << -120 << 1.0000001 << out;
    QTest::newRow("out from bound") << -120 << 54.76 << out;
    QTest::newRow("zero delta is out") << 0 << 2.0 << out;
    QTest::newRow("zero delta at fitted") << 0 << 1.0 << 1.0;
    QTest::newRow("smallest in") << 1 << 1.0 << in;
}

void TestFrameView::zoomStepTable() {
    QFETCH(int, angleDelta);
    QFETCH(double, scaleFactor);
    QFETCH(double, expected);
    QCOMPARE(wheelZoomStep(angleDelta, scaleFactor, 1.0, 50.0), expected);
}

void TestFrameView::viewSettings() {
    QCOMPARE(view->dragMode(), QGraphicsView::ScrollHandDrag);
    QCOMPARE(view->transformationAnchor(), QGraphicsView::AnchorUnderMouse);
    QCOMPARE(view->resizeAnchor(), QGraphicsView::NoAnchor);
    QCOMPARE(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(view->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    const QList<QGraphicsItem*> items = view->scene()->items();
    QCOMPARE(items.size(), 1);
    const QImage placeholder = static_cast<QGraphicsPixmapItem*>(items.first())->pixmap().toImage();
    QCOMPARE(placeholder.size(), QSize(1280, 720));
    QCOMPARE(placeholder.pixel(640, 360), qRgb(112, 112, 112));
}

void TestFrameView::wheelTowardAtFittedSize_data() {
    QTest::addColumn<QPoint>("angleDelta");
    QTest::newRow("toward the user") << wheelToward;
    QTest::newRow("sideways") << wheelSideways;
}

void TestFrameView::wheelTowardAtFittedSize() {
    QFETCH(QPoint, angleDelta);
    const QTransform before = view->transform();
    QVERIFY(wheel(angleDelta));
    QCOMPARE(view->transform(), before);
}

void TestFrameView::zoomBounds() {
    const double fitted = currentScale(view);
    zoomSteps(42, wheelAway);
    QVERIFY(sameScale(currentScale(view), fitted * std::pow(1.1, 42)));
    QVERIFY(std::abs(currentScale(view) / fitted - 54.76) < 0.01);

    QVERIFY(wheel(wheelAway));
    QVERIFY(sameScale(currentScale(view), fitted * std::pow(1.1, 42)));

    zoomSteps(42, wheelToward);
    QVERIFY(sameScale(currentScale(view), fitted));
    QVERIFY(wheel(wheelToward));
    QVERIFY(sameScale(currentScale(view), fitted));
}

void TestFrameView::sidewaysWheelZoomsOut() {
    const double fitted = currentScale(view);
    zoomSteps(2, wheelAway);
    QVERIFY(wheel(wheelSideways));
    QVERIFY(sameScale(currentScale(view), fitted * 1.1));
}

void TestFrameView::newFrameKeepsZoomAndScroll() {
    zoomSteps(10, wheelAway);
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum() / 3);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 4);
    const QTransform transform = view->transform();
    const int horizontal = view->horizontalScrollBar()->value();
    const int vertical = view->verticalScrollBar()->value();
    QVERIFY(horizontal > 0);

    QPixmap frame(1280, 720);
    frame.fill(Qt::red);
    form->showPixMap(frame);

    QCOMPARE(view->transform(), transform);
    QCOMPARE(view->horizontalScrollBar()->value(), horizontal);
    QCOMPARE(view->verticalScrollBar()->value(), vertical);
    const auto* item = static_cast<QGraphicsPixmapItem*>(view->scene()->items().first());
    QCOMPARE(item->pixmap().toImage().pixel(0, 0), QColor(Qt::red).rgb());
}

// After a fit the zoom count starts again: zoom-out is blocked and 42 steps in are allowed.
void TestFrameView::doubleClickFits() {
    const double fitted = currentScale(view);
    zoomSteps(5, wheelAway);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                       view->viewport()->rect().center());
    QVERIFY(sameScale(currentScale(view), fitted));
    QVERIFY(wheel(wheelToward));
    QVERIFY(sameScale(currentScale(view), fitted));
    zoomSteps(43, wheelAway);
    QVERIFY(sameScale(currentScale(view), fitted * std::pow(1.1, 42)));
}

void TestFrameView::resizeFits() {
    zoomSteps(5, wheelAway);
    form->resize(1000, 650);
    QCOMPARE(form->size(), QSize(1000, 650));
    const double fitted = fittedScale(view);
    QVERIFY(sameScale(currentScale(view), fitted));
    QVERIFY(wheel(wheelToward));
    QVERIFY(sameScale(currentScale(view), fitted));
    zoomSteps(43, wheelAway);
    QVERIFY(sameScale(currentScale(view), fitted * std::pow(1.1, 42)));
}

QTEST_MAIN(TestFrameView)
#include "tst_frameview.moc"
