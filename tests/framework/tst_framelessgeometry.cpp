#include <QtTest>

#include "framework/framelessGeometry.h"

class TestFramelessGeometry : public QObject {
    Q_OBJECT

private slots:
    void zoneRects();
    void zoneAt_data();
    void zoneAt();
    void zoneCursorsAndEdges_data();
    void zoneCursorsAndEdges();
    void hitTest_data();
    void hitTest();
    void resize_data();
    void resize();
    void dragOut_data();
    void dragOut();
};

void TestFramelessGeometry::zoneRects() {
    const QVector<QRect> zones = edgeZoneRects(QSize(400, 300), 13);
    const QVector<QRect> expected = {QRect(0, 13, 13, 274), QRect(387, 13, 13, 274),
                                     QRect(13, 0, 374, 13), QRect(13, 287, 374, 13),
                                     QRect(0, 0, 13, 13),   QRect(387, 0, 13, 13),
                                     QRect(0, 287, 13, 13), QRect(387, 287, 13, 13)};
    QCOMPARE(zones, expected);
    for (int a = 0; a < zones.size(); ++a) {
        for (int b = a + 1; b < zones.size(); ++b) {
            QVERIFY2(!zones[a].intersects(zones[b]), qPrintable(QString("%1 %2").arg(a).arg(b)));
        }
    }
}

void TestFramelessGeometry::zoneAt_data() {
    QTest::addColumn<int>("border");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("zone");
    QTest::newRow("origin") << 13 << QPoint(0, 0) << int(TopLeftZone);
    QTest::newRow("inner corner of top-left") << 13 << QPoint(12, 12) << int(TopLeftZone);
    QTest::newRow("just right of top-left") << 13 << QPoint(13, 12) << int(TopZone);
    QTest::newRow("just below top-left") << 13 << QPoint(12, 13) << int(LeftZone);
    QTest::newRow("12 pixels in with shadow") << 13 << QPoint(12, 150) << int(LeftZone);
    QTest::newRow("13 pixels in with shadow") << 13 << QPoint(13, 150) << int(noEdgeZone);
    QTest::newRow("7 pixels in without shadow") << 8 << QPoint(7, 150) << int(LeftZone);
    QTest::newRow("8 pixels in without shadow") << 8 << QPoint(8, 150) << int(noEdgeZone);
    QTest::newRow("x = w - b is right") << 13 << QPoint(387, 150) << int(RightZone);
    QTest::newRow("x = w - b - 1 is inside") << 13 << QPoint(386, 150) << int(noEdgeZone);
    QTest::newRow("y = h - b is bottom") << 13 << QPoint(200, 287) << int(BottomZone);
    QTest::newRow("last pixel") << 13 << QPoint(399, 299) << int(BottomRightZone);
    QTest::newRow("top-right") << 13 << QPoint(399, 0) << int(TopRightZone);
    QTest::newRow("bottom-left") << 13 << QPoint(0, 299) << int(BottomLeftZone);
    QTest::newRow("centre") << 13 << QPoint(200, 150) << int(noEdgeZone);
    QTest::newRow("outside") << 13 << QPoint(400, 150) << int(noEdgeZone);
}

void TestFramelessGeometry::zoneAt() {
    QFETCH(int, border);
    QFETCH(QPoint, pos);
    QFETCH(int, zone);
    QCOMPARE(edgeZoneAt(edgeZoneRects(QSize(400, 300), border), pos), zone);
}

void TestFramelessGeometry::zoneCursorsAndEdges_data() {
    QTest::addColumn<int>("zone");
    QTest::addColumn<Qt::CursorShape>("cursor");
    QTest::addColumn<Qt::Edges>("edges");
    QTest::newRow("left") << int(LeftZone) << Qt::SizeHorCursor << Qt::Edges(Qt::LeftEdge);
    QTest::newRow("right") << int(RightZone) << Qt::SizeHorCursor << Qt::Edges(Qt::RightEdge);
    QTest::newRow("top") << int(TopZone) << Qt::SizeVerCursor << Qt::Edges(Qt::TopEdge);
    QTest::newRow("bottom") << int(BottomZone) << Qt::SizeVerCursor << Qt::Edges(Qt::BottomEdge);
    QTest::newRow("top-left") << int(TopLeftZone) << Qt::SizeFDiagCursor
                              << (Qt::TopEdge | Qt::LeftEdge);
    QTest::newRow("top-right") << int(TopRightZone) << Qt::SizeBDiagCursor
                               << (Qt::TopEdge | Qt::RightEdge);
    QTest::newRow("bottom-left") << int(BottomLeftZone) << Qt::SizeBDiagCursor
                                 << (Qt::BottomEdge | Qt::LeftEdge);
    QTest::newRow("bottom-right") << int(BottomRightZone) << Qt::SizeFDiagCursor
                                  << (Qt::BottomEdge | Qt::RightEdge);
    QTest::newRow("none") << int(noEdgeZone) << Qt::ArrowCursor << Qt::Edges();
}

void TestFramelessGeometry::zoneCursorsAndEdges() {
    QFETCH(int, zone);
    QFETCH(Qt::CursorShape, cursor);
    QFETCH(Qt::Edges, edges);
    QCOMPARE(edgeZoneCursor(zone), cursor);
    QCOMPARE(edgeZoneEdges(zone), edges);
}

void TestFramelessGeometry::hitTest_data() {
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<bool>("resizable");
    QTest::addColumn<bool>("withTitleBar");
    QTest::addColumn<int>("code");

    // A 400 x 300 window, border 8, title bar at (1, 1) of 398 x 40 with a button at
    // (350, 5, 30, 30) of its own coordinates.
    QTest::newRow("3 inside top-left") << QPoint(3, 3) << true << true << int(HitTopLeft);
    QTest::newRow("top-right") << QPoint(396, 3) << true << true << int(HitTopRight);
    QTest::newRow("bottom-left") << QPoint(3, 296) << true << true << int(HitBottomLeft);
    QTest::newRow("bottom-right") << QPoint(396, 296) << true << true << int(HitBottomRight);
    QTest::newRow("left") << QPoint(2, 150) << true << true << int(HitLeft);
    QTest::newRow("top") << QPoint(200, 3) << true << true << int(HitTop);
    QTest::newRow("x = w - b is not right") << QPoint(392, 150) << true << true << int(HitClient);
    QTest::newRow("x = w - b + 1 is right") << QPoint(393, 150) << true << true << int(HitRight);
    QTest::newRow("y = h - b is not bottom") << QPoint(200, 292) << true << true << int(HitClient);
    QTest::newRow("y = h - b + 1 is bottom") << QPoint(200, 293) << true << true << int(HitBottom);
    QTest::newRow("empty title bar") << QPoint(200, 20) << true << true << int(HitCaption);
    QTest::newRow("title-bar button") << QPoint(365, 21) << true << true << int(HitClient);
    QTest::newRow("button's first column") << QPoint(351, 21) << true << true << int(HitClient);
    QTest::newRow("left of the button") << QPoint(350, 21) << true << true << int(HitCaption);
    QTest::newRow("below the title bar") << QPoint(200, 100) << true << true << int(HitClient);
    QTest::newRow("no title bar") << QPoint(200, 20) << true << false << int(HitClient);
    QTest::newRow("fixed: top-left is caption") << QPoint(3, 3) << false << true << int(HitCaption);
    QTest::newRow("fixed: very corner") << QPoint(0, 0) << false << true << int(HitClient);
    QTest::newRow("fixed: left edge") << QPoint(0, 150) << false << true << int(HitClient);
    QTest::newRow("fixed: bottom-right") << QPoint(399, 299) << false << true << int(HitClient);
    QTest::newRow("fixed: top edge") << QPoint(200, 1) << false << true << int(HitCaption);
}

void TestFramelessGeometry::hitTest() {
    QFETCH(QPoint, pos);
    QFETCH(bool, resizable);
    QFETCH(bool, withTitleBar);
    QFETCH(int, code);
    TitleBarArea titleBar;
    if (withTitleBar) {
        titleBar.present = true;
        titleBar.size = QSize(398, 40);
        titleBar.rectInWindow = QRect(1, 1, 398, 40);
        titleBar.childRects = {QRect(350, 5, 30, 30)};
    }
    QCOMPARE(nativeHitTest(pos, QSize(400, 300), 8, resizable, titleBar), code);
}

void TestFramelessGeometry::resize_data() {
    QTest::addColumn<int>("zone");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QRect>("geometry");

    // Pressed at (100, 100, 400, 300); minimum 200 x 150. A null rectangle: no change.
    const auto rect = [](int x, int y, int w, int h) { return QRect(x, y, w, h); };
    QTest::newRow("left out") << int(LeftZone) << QPoint(-50, 7) << rect(50, 100, 450, 300);
    QTest::newRow("left in") << int(LeftZone) << QPoint(150, 0) << rect(250, 100, 250, 300);
    QTest::newRow("left to the minimum")
        << int(LeftZone) << QPoint(200, 0) << rect(300, 100, 200, 300);
    QTest::newRow("left past the minimum") << int(LeftZone) << QPoint(201, 0) << QRect();
    QTest::newRow("right, no minimum test")
        << int(RightZone) << QPoint(-300, 5) << rect(100, 100, 100, 300);
    QTest::newRow("top to the minimum")
        << int(TopZone) << QPoint(0, 150) << rect(100, 250, 400, 150);
    QTest::newRow("top past the minimum") << int(TopZone) << QPoint(0, 151) << QRect();
    QTest::newRow("bottom") << int(BottomZone) << QPoint(9, 20) << rect(100, 100, 400, 320);
    QTest::newRow("top-left out") << int(TopLeftZone) << QPoint(-10, -20) << rect(90, 80, 410, 320);
    QTest::newRow("top-left clamps")
        << int(TopLeftZone) << QPoint(300, 200) << rect(300, 250, 200, 150);
    QTest::newRow("top-right clamps width")
        << int(TopRightZone) << QPoint(-300, -10) << rect(100, 90, 200, 310);
    QTest::newRow("bottom-left clamps to the minimum")
        << int(BottomLeftZone) << QPoint(500, -500) << rect(300, 100, 200, 150);
    QTest::newRow("bottom-right grows")
        << int(BottomRightZone) << QPoint(30, 40) << rect(100, 100, 430, 340);
    QTest::newRow("bottom-right clamps")
        << int(BottomRightZone) << QPoint(-1000, -1000) << rect(100, 100, 200, 150);
    QTest::newRow("no zone") << int(noEdgeZone) << QPoint(10, 10) << QRect();
}

void TestFramelessGeometry::resize() {
    QFETCH(int, zone);
    QFETCH(QPoint, delta);
    QFETCH(QRect, geometry);
    const auto resized = resizedGeometry(QRect(100, 100, 400, 300), zone, delta, QSize(200, 150));
    QCOMPARE(resized.value_or(QRect()), geometry);
}

// A maximised window 1920 wide on a screen at (0, 0), or 1280 wide on one below and right of
// it; restored 1000 wide with a 10-pixel shadow.
void TestFramelessGeometry::dragOut_data() {
    QTest::addColumn<QPoint>("globalPos");
    QTest::addColumn<QPoint>("grab");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("topLeft");
    const QRect first(0, 0, 1920, 1040);
    const QRect second(1920, 300, 1280, 984);
    QTest::newRow("title bar") << QPoint(980, 31) << QPoint(480, 20) << first << QPoint(730, 1);
    QTest::newRow("width truncated")
        << QPoint(960, 25) << QPoint(640, 20) << first << QPoint(627, -5);
    QTest::newRow("top zone") << QPoint(960, 3) << QPoint(960, 3) << first << QPoint(460, -10);
    QTest::newRow("pointer above the grab height")
        << QPoint(960, 8) << QPoint(960, 30) << first << QPoint(460, -10);
    QTest::newRow("left end") << QPoint(3, 30) << QPoint(0, 25) << first << QPoint(3, -5);
    QTest::newRow("screen below the first")
        << QPoint(2500, 325) << QPoint(640, 20) << second << QPoint(2000, 295);
    QTest::newRow("screen below, top zone")
        << QPoint(2500, 302) << QPoint(640, 2) << second << QPoint(2000, 290);
}

void TestFramelessGeometry::dragOut() {
    QFETCH(QPoint, globalPos);
    QFETCH(QPoint, grab);
    QFETCH(QRect, screen);
    QFETCH(QPoint, topLeft);
    QCOMPARE(dragOutPosition(globalPos, grab, screen.width(), 1000, 10, screen), topLeft);
}

QTEST_APPLESS_MAIN(TestFramelessGeometry)
#include "tst_framelessgeometry.moc"
