// Mouse input goes through the window system layer, as a user's would.
#define QTEST_QPA_MOUSE_HANDLING

#include <QtTest>
#include <QtWidgets>

#include "framework/QFramelessDialog.h"
#include "framework/QFramelessHelper.h"
#include "framework/QFramelessWidget.h"
#include "framework/shadowTile.h"
#include "main_window/MainWidget.h"
#include "main_window/windowPlacement.h"
#include "support/ScopedWorkDir.h"

namespace {

const QRect startGeometry(100, 100, 400, 300);

QFramelessHelper* helperOf(QWidget* window) {
    return window->findChild<QFramelessHelper*>();
}

QImage rendered(QWidget* window) {
    QImage image(window->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    window->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

QMargins contentMargins(QWidget* window) {
    return window->layout() ? window->layout()->contentsMargins() : window->contentsMargins();
}

}  // namespace

class TestFramework : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void pointer_data();
    void pointer();
    void drag_data();
    void drag();
    void placement();
    void frame_data();
    void frame();
    void mainWindow();

private:
    void show(const QString& kind);

    ScopedWorkDir workDir;
    QWidget* window = nullptr;
};

// Shows a frameless window: "shadow": resizable with a drawn shadow, "plain": without shadow,
// "fixed": not resizable, "hidden": its button hidden, "dialog": a fixed dialog; each with a
// 40-pixel title bar holding a button at (340, 5, 30, 30). "no layout": nothing in it.
// "maximised": "shadow", maximised. Minimum 200 x 150.
void TestFramework::show(const QString& kind) {
    if (kind == "dialog") {
        window = new QFramelessDialog(nullptr, false, true, false);
    } else {
        window = new QFramelessWidget(nullptr, kind != "fixed", kind != "plain", false);
    }
    window->setMinimumSize(200, 150);
    window->setGeometry(startGeometry);
    if (kind != "no layout") {
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* titleBar = new QWidget(window);
        titleBar->setFixedHeight(40);
        auto* button = new QPushButton(titleBar);
        button->setGeometry(340, 5, 30, 30);
        button->setHidden(kind == "hidden");
        layout->addWidget(titleBar);
        layout->addWidget(new QWidget(window), 1);
        helperOf(window)->setTitleBar(titleBar);
    }
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    if (kind == "maximised") {
        helperOf(window)->switchMaximizedNormal();
        QTRY_VERIFY(window->isMaximized() && window->width() == 800);
    }
}

void TestFramework::cleanup() {
    delete window;
    window = nullptr;
}

// The resize zones are 8 pixels wide, 13 with the shadow, and take the cursor; the native hit
// test (Windows) counts x = w - b and y = h - b as inside. The title bar is at (10, 10, 380, 40),
// its button at (350, 15, 30, 30); without shadow at (0, 0) and (340, 5).
void TestFramework::pointer_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<Qt::CursorShape>("cursor");
    QTest::addColumn<int>("hit");
    // clang-format off
    QTest::newRow("12 in") << "shadow" << QPoint(12, 150) << Qt::SizeHorCursor << int(HitLeft);
    QTest::newRow("13 in") << "shadow" << QPoint(13, 150) << Qt::ArrowCursor << int(HitClient);
    QTest::newRow("x = w - b - 1") << "shadow" << QPoint(386, 150) << Qt::ArrowCursor << int(HitClient);
    QTest::newRow("x = w - b") << "shadow" << QPoint(387, 150) << Qt::SizeHorCursor << int(HitClient);
    QTest::newRow("x = w - b + 1") << "shadow" << QPoint(388, 150) << Qt::SizeHorCursor << int(HitRight);
    QTest::newRow("top") << "shadow" << QPoint(200, 12) << Qt::SizeVerCursor << int(HitTop);
    QTest::newRow("y = h - b") << "shadow" << QPoint(200, 287) << Qt::SizeVerCursor << int(HitClient);
    QTest::newRow("y = h - b + 1") << "shadow" << QPoint(200, 288) << Qt::SizeVerCursor << int(HitBottom);
    QTest::newRow("top-left") << "shadow" << QPoint(12, 12) << Qt::SizeFDiagCursor << int(HitTopLeft);
    QTest::newRow("right of top-left") << "shadow" << QPoint(13, 12) << Qt::SizeVerCursor << int(HitTop);
    QTest::newRow("below top-left") << "shadow" << QPoint(12, 13) << Qt::SizeHorCursor << int(HitLeft);
    QTest::newRow("top-right") << "shadow" << QPoint(395, 5) << Qt::SizeBDiagCursor << int(HitTopRight);
    QTest::newRow("bottom-left") << "shadow" << QPoint(5, 295) << Qt::SizeBDiagCursor << int(HitBottomLeft);
    QTest::newRow("last pixel") << "shadow" << QPoint(399, 299) << Qt::SizeFDiagCursor << int(HitBottomRight);
    QTest::newRow("empty title bar") << "shadow" << QPoint(200, 30) << Qt::ArrowCursor << int(HitCaption);
    QTest::newRow("title-bar button") << "shadow" << QPoint(365, 30) << Qt::ArrowCursor << int(HitClient);
    QTest::newRow("button's first column") << "shadow" << QPoint(350, 30) << Qt::ArrowCursor << int(HitClient);
    QTest::newRow("left of the button") << "shadow" << QPoint(349, 30) << Qt::ArrowCursor << int(HitCaption);
    QTest::newRow("hidden button") << "hidden" << QPoint(365, 30) << Qt::ArrowCursor << int(HitCaption);
    QTest::newRow("below the title bar") << "shadow" << QPoint(200, 100) << Qt::ArrowCursor << int(HitClient);
    QTest::newRow("no shadow, 7 in") << "plain" << QPoint(7, 150) << Qt::SizeHorCursor << int(HitLeft);
    QTest::newRow("no shadow, 8 in") << "plain" << QPoint(8, 150) << Qt::ArrowCursor << int(HitClient);
    QTest::newRow("fixed: left") << "fixed" << QPoint(2, 150) << Qt::ArrowCursor << int(HitClient);
    QTest::newRow("fixed: last pixel") << "fixed" << QPoint(399, 299) << Qt::ArrowCursor << int(HitClient);
    QTest::newRow("fixed: a corner of the title bar") << "fixed" << QPoint(12, 12) << Qt::ArrowCursor << int(HitCaption);
    QTest::newRow("fixed: the very corner") << "fixed" << QPoint(0, 0) << Qt::ArrowCursor << int(HitClient);
    // clang-format on
}

void TestFramework::pointer() {
    QFETCH(QString, kind);
    QFETCH(QPoint, pos);
    QFETCH(Qt::CursorShape, cursor);
    QFETCH(int, hit);
    show(kind);
    QTest::mouseMove(window, QPoint(200, 150));
    QTest::mouseMove(window, pos);
    QCOMPARE(window->cursor().shape(), cursor);
    QCOMPARE(helperOf(window)->hitTest(pos), hit);
}

// Pressed at a point of the window, moved through offsets from it, released (no offsets: a double
// click). Maximised, the screen is 800 x 600 and the restored
// window's shadow 10 wide.
void TestFramework::drag_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QVector<QPoint>>("steps");
    QTest::addColumn<QRect>("geometry");
    const QRect start = startGeometry;
    // clang-format off
    QTest::newRow("title bar") << "shadow" << QPoint(110, 30) << QVector<QPoint>{{10, 5}, {-60, 40}} << start.translated(-60, 40);
    QTest::newRow("title-bar button") << "shadow" << QPoint(365, 30) << QVector<QPoint>{{50, 50}} << start;
    QTest::newRow("fixed: top of the title bar drags") << "fixed" << QPoint(110, 11) << QVector<QPoint>{{30, 20}} << start.translated(30, 20);
    QTest::newRow("fixed: a corner does not resize") << "fixed" << QPoint(398, 298) << QVector<QPoint>{{40, 40}} << start;
    QTest::newRow("left to the minimum, not one past") << "shadow" << QPoint(3, 150) << QVector<QPoint>{{200, 0}, {201, 0}} << QRect(300, 100, 200, 300);
    QTest::newRow("top to the minimum, not one past") << "shadow" << QPoint(200, 3) << QVector<QPoint>{{0, 150}, {0, 151}} << QRect(100, 250, 400, 150);
    QTest::newRow("right shrinks to the minimum") << "shadow" << QPoint(398, 150) << QVector<QPoint>{{-300, 0}} << QRect(100, 100, 200, 300);
    QTest::newRow("bottom grows") << "shadow" << QPoint(200, 297) << QVector<QPoint>{{9, 20}} << QRect(100, 100, 400, 320);
    QTest::newRow("top-left grows") << "shadow" << QPoint(2, 2) << QVector<QPoint>{{-30, -20}} << QRect(70, 80, 430, 320);
    QTest::newRow("top-right clamps the width") << "shadow" << QPoint(397, 3) << QVector<QPoint>{{-300, -10}} << QRect(100, 90, 200, 310);
    QTest::newRow("bottom-left clamps to the minimum") << "shadow" << QPoint(3, 297) << QVector<QPoint>{{50, -20}, {400, -400}} << QRect(300, 100, 200, 150);
    QTest::newRow("bottom-right grows") << "shadow" << QPoint(397, 297) << QVector<QPoint>{{20, 10}, {60, 45}} << QRect(100, 100, 460, 345);
    QTest::newRow("double click maximises") << "shadow" << QPoint(110, 30) << QVector<QPoint>{} << QRect(0, 0, 800, 600);
    QTest::newRow("double click restores") << "maximised" << QPoint(110, 30) << QVector<QPoint>{} << start;
    QTest::newRow("fixed: double click does nothing") << "fixed" << QPoint(110, 30) << QVector<QPoint>{} << start;
    QTest::newRow("maximised: the grabbed point stays under the pointer") << "maximised" << QPoint(100, 20) << QVector<QPoint>{{20, 6}, {35, 31}} << QRect(85, 21, 400, 300);
    QTest::newRow("maximised: from the top zone") << "maximised" << QPoint(400, 3) << QVector<QPoint>{{0, 10}} << QRect(200, 0, 400, 300);
    QTest::newRow("maximised: no higher than the screen") << "maximised" << QPoint(100, 30) << QVector<QPoint>{{0, -22}} << QRect(50, -10, 400, 300);
    // clang-format on
}

void TestFramework::drag() {
    QFETCH(QString, kind);
    QFETCH(QPoint, press);
    QFETCH(QVector<QPoint>, steps);
    QFETCH(QRect, geometry);
    show(kind);
    const QPoint global = window->mapToGlobal(press);
    if (steps.isEmpty()) {
        QTest::mouseDClick(window, Qt::LeftButton, {}, press);
    } else {
        QTest::mousePress(window, Qt::LeftButton, {}, press);
        for (const QPoint& step : steps) {
            QTest::mouseMove(window, window->mapFromGlobal(global + step));
        }
        QTest::mouseRelease(window, Qt::LeftButton, {},
                            window->mapFromGlobal(global + steps.last()));
    }
    QTRY_COMPARE(window->geometry(), geometry);
    QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
    // Nothing stays pressed: a drag on the content afterwards changes nothing.
    const QPoint centre = window->rect().center();
    QTest::mousePress(window, Qt::LeftButton, {}, centre);
    QTest::mouseMove(window, centre + QPoint(50, 50));
    QTest::mouseRelease(window, Qt::LeftButton, {}, centre + QPoint(50, 50));
    QCOMPARE(window->geometry(), geometry);
}

// The edges each zone asks the window system to resize; where a window dragged out of maximised
// and a window shown centred go on screens away from the origin, or of odd sizes.
void TestFramework::placement() {
    QVector<Qt::Edges> edges;
    for (int zone = LeftZone; zone <= BottomRightZone; ++zone) {
        edges << edgeZoneEdges(zone);
    }
    QCOMPARE(edges,
             (QVector<Qt::Edges>{Qt::LeftEdge, Qt::RightEdge, Qt::TopEdge, Qt::BottomEdge,
                                 Qt::TopEdge | Qt::LeftEdge, Qt::TopEdge | Qt::RightEdge,
                                 Qt::BottomEdge | Qt::LeftEdge, Qt::BottomEdge | Qt::RightEdge}));
    QCOMPARE(dragOutPosition(QPoint(2500, 302), QPoint(640, 2), 1280, 1000, 10,
                             QRect(1920, 300, 1280, 984)),
             QPoint(2000, 290));
    QCOMPARE(centredTopLeft(QRect(64, 40, 1856, 1040), QSize(1000, 650)), QPoint(492, 235));
    QCOMPARE(centredTopLeft(QRect(0, 0, 1001, 651), QSize(1000, 650)), QPoint(0, 0));
}

// The content keeps clear of the shadow band, except when maximised. The band holds the tile's
// alphas inward from every edge and corner, in black, and nothing in the middle; maximised, the
// window paints its background instead.
void TestFramework::frame_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("translucent");
    QTest::addColumn<int>("margin");
    QTest::addColumn<bool>("band");
    QTest::newRow("shadow") << "shadow" << true << 10 << true;
    QTest::newRow("no shadow") << "plain" << false << 0 << false;
    QTest::newRow("dialog") << "dialog" << true << 10 << true;
    QTest::newRow("no layout") << "no layout" << true << 0 << true;
}

void TestFramework::frame() {
    QFETCH(QString, kind);
    QFETCH(bool, translucent);
    QFETCH(int, margin);
    QFETCH(bool, band);
    show(kind);
    QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(window->testAttribute(Qt::WA_TranslucentBackground), translucent);
    QCOMPARE(contentMargins(window), QMargins(margin, margin, margin, margin));
    const QImage image = rendered(window);
    const int w = window->width();
    const int h = window->height();
    const auto alpha = [&image](int x, int y) { return qAlpha(image.pixel(x, y)); };
    QCOMPARE(alpha(9, h / 2), band ? 47 : 0);
    if (band) {
        for (int y = 10; y < h - 10; ++y) {
            QVERIFY2(alpha(9, y) == 47 && alpha(w - 10, y) == 47, qPrintable(QString::number(y)));
        }
        for (int x = 10; x < w - 10; ++x) {
            QVERIFY2(alpha(x, 9) == 47 && alpha(x, h - 10) == 47, qPrintable(QString::number(x)));
        }
        const int points[][3] = {{0, h / 2, 0},   {6, h / 2, 15},  {9, 9, 30},
                                 {w - 10, 9, 30}, {9, h - 10, 30}, {w - 10, h - 10, 47},
                                 {5, 9, 5},       {0, 0, 0},       {w / 2, h / 2, 0}};
        for (const auto& point : points) {
            QCOMPARE(alpha(point[0], point[1]), point[2]);
        }
        QCOMPARE(QColor(image.pixel(9, h / 2)).rgb(), qRgb(0, 0, 0));
    }
    // 3.14 rather than pi: pi would give 30 here.
    QCOMPARE(shadowAlpha(13, 18), 29);

    helperOf(window)->switchMaximizedNormal();
    QTRY_VERIFY(window->isMaximized() && window->width() > w);
    QCOMPARE(contentMargins(window), QMargins());
    const QRgb background = window->palette().color(QPalette::Window).rgba();
    QVERIFY(!band || rendered(window).pixel(0, 0) == background);
}

// The main window opens centred; its resize zone is the shadowed one; after a restore by the
// title bar the maximise button is back to normal; the side panel folds; File > Quit closes.
void TestFramework::mainWindow() {
    auto* main = new MainWidget;
    window = main;
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    QCOMPARE(main->pos(), QPoint(-100, -25));
    QTest::mouseMove(main, QPoint(12, 400));
    QCOMPARE(main->cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(main, QPoint(13, 400));
    QCOMPARE(main->cursor().shape(), Qt::ArrowCursor);

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

    auto* fold = main->findChild<QPushButton*>("pb_fold_setting");
    QTest::mouseClick(fold, Qt::LeftButton);
    QVERIFY(main->findChild<QWidget*>("widget_setting")->isHidden());
    QTest::mouseClick(fold, Qt::LeftButton);
    QVERIFY(!main->findChild<QWidget*>("widget_setting")->isHidden());
    main->findChild<QPushButton*>("pb_menu_file")->menu()->actions().last()->trigger();
    QVERIFY(!main->isVisible());
}

QTEST_MAIN(TestFramework)
#include "tst_framework.moc"
