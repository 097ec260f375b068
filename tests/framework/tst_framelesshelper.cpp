// Mouse input goes through the window system layer, as a user's would.
#define QTEST_QPA_MOUSE_HANDLING

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include "framework/QFramelessDialog.h"
#include "framework/QFramelessHelper.h"
#include "framework/QFramelessWidget.h"
#include "main_window/MainWidget.h"

namespace {

const QRect startGeometry(100, 100, 400, 300);

// A frameless window with a 40-pixel title bar holding one button, over a content area.
template <typename Base>
Base* makeWindow(bool resizable, bool shadow) {
    auto* window = new Base(nullptr, resizable, shadow, false);
    auto* layout = new QVBoxLayout(window);
    layout->setSpacing(0);
    auto* titleBar = new QWidget(window);
    titleBar->setObjectName("titleBar");
    titleBar->setFixedHeight(40);
    auto* titleLayout = new QHBoxLayout(titleBar);
    titleLayout->addStretch();
    auto* button = new QPushButton(titleBar);
    button->setObjectName("button");
    button->setFixedSize(30, 30);
    titleLayout->addWidget(button);
    layout->addWidget(titleBar);
    layout->addWidget(new QWidget(window), 1);
    window->setMinimumSize(200, 150);
    window->setGeometry(startGeometry);
    window->framelessHelper()->setTitleBar(titleBar);
    return window;
}

QWidget* titleBarOf(QWidget* window) {
    return window->findChild<QWidget*>("titleBar");
}

// A point of the empty title bar, in window coordinates.
QPoint titleBarPoint(QWidget* window) {
    return titleBarOf(window)->mapTo(window, QPoint(100, 20));
}

void moveTo(QWidget* window, const QPoint& global) {
    QTest::mouseMove(window, window->mapFromGlobal(global));
}

int alphaAt(const QImage& image, int x, int y) {
    return qAlpha(image.pixel(x, y));
}

}  // namespace

class TestFramelessHelper : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void zoneWidth_data();
    void zoneWidth();
    void fixedWindowKeepsArrowCursor();
    void fixedWindowDragsFromTitleBarTop();
    void titleBarDrag();
    void titleBarButtonDoesNotDrag();
    void edgeResize_data();
    void edgeResize();
    void dragMaximizedTitleBar();
    void doubleClickTogglesMaximized();
    void minimiseEmitsMaximized();
    void maximiseHidesShadow();
    void shadowPainting();
    void noShadowPaintsNothing();
    void mainWindowMarginsOnCentralWidget();
    void widgetWithoutLayout();
    void nativeEventsLeftToQt();
    void hitTestOnWindow();
    void dialogBase();
    void mainWidgetFrame();

private:
    QWidget* show(QWidget* window);

    QWidget* window = nullptr;
};

QWidget* TestFramelessHelper::show(QWidget* shown) {
    window = shown;
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) {
        qWarning("window not exposed");
    }
    return window;
}

void TestFramelessHelper::cleanup() {
    delete window;
    window = nullptr;
}

void TestFramelessHelper::zoneWidth_data() {
    QTest::addColumn<bool>("shadow");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<Qt::CursorShape>("cursor");
    QTest::newRow("shadow, 12 in") << true << QPoint(12, 150) << Qt::SizeHorCursor;
    QTest::newRow("shadow, 13 in") << true << QPoint(13, 150) << Qt::ArrowCursor;
    QTest::newRow("shadow, right") << true << QPoint(387, 150) << Qt::SizeHorCursor;
    QTest::newRow("shadow, top") << true << QPoint(200, 12) << Qt::SizeVerCursor;
    QTest::newRow("shadow, bottom-right") << true << QPoint(395, 295) << Qt::SizeFDiagCursor;
    QTest::newRow("shadow, top-right") << true << QPoint(395, 5) << Qt::SizeBDiagCursor;
    QTest::newRow("no shadow, 7 in") << false << QPoint(7, 150) << Qt::SizeHorCursor;
    QTest::newRow("no shadow, 8 in") << false << QPoint(8, 150) << Qt::ArrowCursor;
    QTest::newRow("no shadow, right") << false << QPoint(392, 150) << Qt::SizeHorCursor;
    QTest::newRow("no shadow, 9 from right") << false << QPoint(391, 150) << Qt::ArrowCursor;
}

void TestFramelessHelper::zoneWidth() {
    QFETCH(bool, shadow);
    QFETCH(QPoint, pos);
    QFETCH(Qt::CursorShape, cursor);
    show(makeWindow<QFramelessWidget>(true, shadow));
    QTest::mouseMove(window, QPoint(200, 150));
    QTest::mouseMove(window, pos);
    QCOMPARE(window->cursor().shape(), cursor);
}

void TestFramelessHelper::fixedWindowKeepsArrowCursor() {
    show(makeWindow<QFramelessWidget>(false, true));
    for (const QPoint& pos : {QPoint(2, 150), QPoint(399, 299), QPoint(200, 1), QPoint(0, 0)}) {
        QTest::mouseMove(window, pos);
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
    }
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(398, 298));
    moveTo(window, window->mapToGlobal(QPoint(398, 298)) + QPoint(40, 40));
    QTest::mouseRelease(window, Qt::LeftButton, {}, window->mapFromGlobal(QCursor::pos()));
    QCOMPARE(window->geometry(), startGeometry);
}

void TestFramelessHelper::fixedWindowDragsFromTitleBarTop() {
    show(makeWindow<QFramelessWidget>(false, true));
    // Two pixels into the title bar, inside where a resizable window's top zone would be.
    const QPoint press = titleBarOf(window)->mapTo(window, QPoint(100, 1));
    QVERIFY(press.y() < 13);
    const QPoint global = window->mapToGlobal(press);
    QTest::mousePress(window, Qt::LeftButton, {}, press);
    moveTo(window, global + QPoint(30, 20));
    QTest::mouseRelease(window, Qt::LeftButton, {}, window->mapFromGlobal(global + QPoint(30, 20)));
    QCOMPARE(window->pos(), startGeometry.topLeft() + QPoint(30, 20));
}

void TestFramelessHelper::titleBarDrag() {
    show(makeWindow<QFramelessWidget>(true, true));
    const QPoint global = window->mapToGlobal(titleBarPoint(window));
    QTest::mousePress(window, Qt::LeftButton, {}, titleBarPoint(window));
    moveTo(window, global + QPoint(10, 5));
    QCOMPARE(window->pos(), startGeometry.topLeft() + QPoint(10, 5));
    moveTo(window, global + QPoint(-60, 40));
    QTest::mouseRelease(window, Qt::LeftButton, {}, titleBarPoint(window));
    QCOMPARE(window->geometry(), startGeometry.translated(-60, 40));

    moveTo(window, global + QPoint(100, 100));
    QCOMPARE(window->geometry(), startGeometry.translated(-60, 40));
}

void TestFramelessHelper::titleBarButtonDoesNotDrag() {
    show(makeWindow<QFramelessWidget>(true, true));
    auto* button = window->findChild<QPushButton*>("button");
    const QPoint press = button->mapTo(window, QPoint(15, 15));
    QTest::mousePress(window, Qt::LeftButton, {}, press);
    moveTo(window, window->mapToGlobal(press) + QPoint(50, 50));
    QTest::mouseRelease(window, Qt::LeftButton, {}, press);
    QCOMPARE(window->geometry(), startGeometry);
}

void TestFramelessHelper::edgeResize_data() {
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QVector<QPoint>>("steps");
    QTest::addColumn<QRect>("geometry");
    // The window starts at (100, 100, 400, 300) with a minimum of 200 x 150.
    QTest::newRow("left past the minimum in one large step stops at the last width")
        << QPoint(3, 150) << QVector<QPoint>{{50, 0}, {150, 0}, {260, 0}}
        << QRect(250, 100, 250, 300);
    QTest::newRow("top past the minimum stops")
        << QPoint(200, 3) << QVector<QPoint>{{0, 100}, {0, 200}} << QRect(100, 200, 400, 200);
    QTest::newRow("bottom-left clamps to exactly the minimum")
        << QPoint(3, 297) << QVector<QPoint>{{50, -20}, {400, -400}} << QRect(300, 100, 200, 150);
    QTest::newRow("bottom-right grows")
        << QPoint(397, 297) << QVector<QPoint>{{20, 10}, {60, 45}} << QRect(100, 100, 460, 345);
    QTest::newRow("top-left grows")
        << QPoint(2, 2) << QVector<QPoint>{{-30, -20}} << QRect(70, 80, 430, 320);
    QTest::newRow("right shrinks to the minimum")
        << QPoint(398, 150) << QVector<QPoint>{{-300, 0}} << QRect(100, 100, 200, 300);
}

void TestFramelessHelper::edgeResize() {
    QFETCH(QPoint, press);
    QFETCH(QVector<QPoint>, steps);
    QFETCH(QRect, geometry);
    show(makeWindow<QFramelessWidget>(true, true));
    const QPoint global = window->mapToGlobal(press);
    QTest::mousePress(window, Qt::LeftButton, {}, press);
    for (const QPoint& step : steps) {
        moveTo(window, global + step);
    }
    QTest::mouseRelease(window, Qt::LeftButton, {}, window->mapFromGlobal(global + steps.last()));
    QCOMPARE(window->geometry(), geometry);
    QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
}

void TestFramelessHelper::dragMaximizedTitleBar() {
    show(makeWindow<QFramelessWidget>(true, true));
    auto* helper = static_cast<QFramelessWidget*>(window)->framelessHelper();
    helper->switchMaximizedNormal();
    QTRY_VERIFY(window->isMaximized() && window->width() > startGeometry.width());

    const QPoint press = titleBarPoint(window);
    const QPoint global = window->mapToGlobal(press);
    QTest::mousePress(window, Qt::LeftButton, {}, press);
    const QPoint moved = global + QPoint(20, 6);
    const float ratio = float(press.x()) / window->width();
    moveTo(window, moved);
    QVERIFY(!window->isMaximized());
    // The grabbed point of the title bar is under the pointer again; the shadow is 10 wide.
    const QPoint restoredAt(moved.x() - int(startGeometry.width() * ratio),
                            moved.y() - press.y() - 10);
    QTRY_COMPARE(window->geometry(), QRect(restoredAt, startGeometry.size()));

    moveTo(window, moved + QPoint(15, 25));
    QTest::mouseRelease(window, Qt::LeftButton, {}, window->mapFromGlobal(moved + QPoint(15, 25)));
    QTRY_COMPARE(window->geometry(), QRect(restoredAt + QPoint(15, 25), startGeometry.size()));
}

void TestFramelessHelper::doubleClickTogglesMaximized() {
    show(makeWindow<QFramelessWidget>(true, true));
    QTest::mouseDClick(window, Qt::LeftButton, {}, titleBarPoint(window));
    QVERIFY(window->isMaximized());
    QTest::mouseDClick(window, Qt::LeftButton, {}, titleBarPoint(window));
    QVERIFY(!window->isMaximized());
    cleanup();

    show(makeWindow<QFramelessWidget>(false, true));
    QTest::mouseDClick(window, Qt::LeftButton, {}, titleBarPoint(window));
    QVERIFY(!window->isMaximized());
}

void TestFramelessHelper::minimiseEmitsMaximized() {
    show(makeWindow<QFramelessWidget>(true, true));
    auto* helper = static_cast<QFramelessWidget*>(window)->framelessHelper();
    QSignalSpy spy(helper, &QFramelessHelper::maximizedChanged);
    helper->showMinimized();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    helper->showNormal();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toBool(), false);
}

void TestFramelessHelper::maximiseHidesShadow() {
    show(makeWindow<QFramelessWidget>(true, true));
    auto* helper = static_cast<QFramelessWidget*>(window)->framelessHelper();
    QCOMPARE(window->layout()->contentsMargins(), QMargins(10, 10, 10, 10));
    QSignalSpy spy(helper, &QFramelessHelper::maximizedChanged);

    helper->switchMaximizedNormal();
    QCOMPARE(window->layout()->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(spy.count(), 2);
    QVERIFY(spy.at(0).at(0).toBool() && spy.at(1).at(0).toBool());

    helper->switchMaximizedNormal();
    QCOMPARE(window->layout()->contentsMargins(), QMargins(10, 10, 10, 10));
    QCOMPARE(spy.count(), 4);
    QVERIFY(!spy.at(2).at(0).toBool() && !spy.at(3).at(0).toBool());
}

void TestFramelessHelper::shadowPainting() {
    show(makeWindow<QFramelessWidget>(true, true));
    QVERIFY(window->testAttribute(Qt::WA_TranslucentBackground));
    QImage image(window->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    window->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    const int w = window->width();
    const int h = window->height();
    QCOMPARE(alphaAt(image, 0, h / 2), 0);
    QCOMPARE(alphaAt(image, 6, h / 2), 15);
    QCOMPARE(alphaAt(image, 9, h / 2), 47);
    QCOMPARE(alphaAt(image, w / 2, 9), 47);
    QCOMPARE(alphaAt(image, w - 10, h - 10), 47);
    QCOMPARE(alphaAt(image, 9, 9), 30);
    QCOMPARE(alphaAt(image, w / 2, h / 2), 0);
    QCOMPARE(QColor(image.pixel(9, h / 2)).rgb(), qRgb(0, 0, 0));

    static_cast<QFramelessWidget*>(window)->framelessHelper()->switchMaximizedNormal();
    QTRY_VERIFY(window->width() > w);
    QImage maximised(window->size(), QImage::Format_ARGB32);
    maximised.fill(Qt::transparent);
    window->render(&maximised, QPoint(), QRegion(), QWidget::RenderFlags());
    const QRgb background = window->palette().color(QPalette::Window).rgba();
    QCOMPARE(maximised.pixel(0, 0), background);
    QCOMPARE(maximised.pixel(window->width() / 2, window->height() / 2), background);
}

void TestFramelessHelper::noShadowPaintsNothing() {
    auto* plain = makeWindow<QFramelessWidget>(true, false);
    const QMargins margins = plain->layout()->contentsMargins();
    show(plain);
    QVERIFY(!window->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(window->layout()->contentsMargins(), margins);
    QImage image(window->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    window->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    QCOMPARE(alphaAt(image, 9, window->height() / 2), 0);
}

void TestFramelessHelper::mainWindowMarginsOnCentralWidget() {
    auto* mainWindow = new QMainWindow;
    auto* central = new QWidget(mainWindow);
    auto* centralLayout = new QGridLayout(central);
    mainWindow->setCentralWidget(central);
    auto* helper = new QFramelessHelper(mainWindow, true, true, false, mainWindow);
    const QMargins ownMargins = mainWindow->layout()->contentsMargins();
    show(mainWindow);
    QCOMPARE(centralLayout->contentsMargins(), QMargins(10, 10, 10, 10));
    QCOMPARE(mainWindow->layout()->contentsMargins(), ownMargins);
    helper->switchMaximizedNormal();
    QCOMPARE(centralLayout->contentsMargins(), QMargins(0, 0, 0, 0));
}

void TestFramelessHelper::widgetWithoutLayout() {
    auto* plain = new QFramelessWidget(nullptr, true, true, false);
    plain->resize(300, 200);
    show(plain);
    QCOMPARE(plain->contentsMargins(), QMargins());
    plain->framelessHelper()->switchMaximizedNormal();
    QVERIFY(plain->isMaximized());
    QCOMPARE(plain->contentsMargins(), QMargins());
}

// A native-mode request falls back to portable mode where there are no Windows messages.
void TestFramelessHelper::nativeEventsLeftToQt() {
    auto* native = new QFramelessWidget(nullptr, true, true, true);
    native->setGeometry(startGeometry);
    show(native);
    long result = 1234;
    char message[64] = {};
    QFramelessHelper* helper = native->framelessHelper();
    QVERIFY(!helper->handleNativeEvent("windows_generic_MSG", message, &result));
    QVERIFY(!helper->handleNativeEvent("xcb_generic_event_t", message, &result));
    QCOMPARE(result, 1234L);
#ifndef Q_OS_WIN
    QTest::mouseMove(native, QPoint(12, 150));
    QCOMPARE(native->cursor().shape(), Qt::SizeHorCursor);
    QCOMPARE(native->layout(), nullptr);
    QVERIFY(native->testAttribute(Qt::WA_TranslucentBackground));
#endif
}

void TestFramelessHelper::hitTestOnWindow() {
    show(makeWindow<QFramelessWidget>(true, true));
    QFramelessHelper* helper = static_cast<QFramelessWidget*>(window)->framelessHelper();
    auto* button = window->findChild<QPushButton*>("button");
    QCOMPARE(helper->hitTest(button->mapTo(window, QPoint(15, 15))), int(HitClient));
    QCOMPARE(helper->hitTest(titleBarPoint(window)), int(HitCaption));
    QCOMPARE(helper->hitTest(QPoint(3, 3)), int(HitTopLeft));
    button->hide();
    QCOMPARE(helper->hitTest(button->mapTo(window, QPoint(15, 15))), int(HitCaption));
}

void TestFramelessHelper::dialogBase() {
    auto* dialog = makeWindow<QFramelessDialog>(false, true);
    QVERIFY((dialog->windowFlags() & 0x4800) == 0x4800);
    show(dialog);
    QImage image(dialog->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    dialog->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    QCOMPARE(alphaAt(image, 9, dialog->height() / 2), 47);

    const QPoint global = dialog->mapToGlobal(titleBarPoint(dialog));
    QTest::mousePress(dialog, Qt::LeftButton, {}, titleBarPoint(dialog));
    moveTo(dialog, global + QPoint(25, 15));
    QTest::mouseRelease(dialog, Qt::LeftButton, {}, titleBarPoint(dialog));
    QCOMPARE(dialog->pos(), startGeometry.topLeft() + QPoint(25, 15));
}

void TestFramelessHelper::mainWidgetFrame() {
    const QString previousDir = QDir::currentPath();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    auto* main = new MainWidget;
    show(main);
    QCOMPARE(main->layout()->contentsMargins(), QMargins(10, 10, 10, 10));
    QTest::mouseMove(main, QPoint(500, 400));
    QTest::mouseMove(main, QPoint(12, 400));
    QCOMPARE(main->cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(main, QPoint(13, 400));
    QCOMPARE(main->cursor().shape(), Qt::ArrowCursor);

    // Dragged out of the maximised state, the maximise button is back to normal.
    auto* maximise = main->findChild<QPushButton*>("pb_win_max");
    QTest::mouseClick(maximise, Qt::LeftButton);
    QTRY_VERIFY(main->isMaximized() && maximise->isChecked());
    auto* titleBar = main->findChild<QWidget*>("widget_title_bar");
    const QPoint press = titleBar->mapTo(main, QPoint(titleBar->width() / 2, 20));
    QTest::mousePress(main, Qt::LeftButton, {}, press);
    QTest::mouseMove(main, press + QPoint(30, 30));
    QTRY_VERIFY(!main->isMaximized());
    QTest::mouseRelease(main, Qt::LeftButton, {}, main->mapFromGlobal(QCursor::pos()));
    QVERIFY(!maximise->isChecked());
    QTest::mouseClick(maximise, Qt::LeftButton);
    QTRY_VERIFY(main->isMaximized() && maximise->isChecked());
    cleanup();
    QDir::setCurrent(previousDir);
}

QTEST_MAIN(TestFramelessHelper)
#include "tst_framelesshelper.moc"
