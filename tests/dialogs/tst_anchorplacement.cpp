#include <QtTest>

#include "dialogs/anchorPlacement.h"

class TestAnchorPlacement : public QObject {
    Q_OBJECT

private slots:
    void centredOnAnchor_data();
    void centredOnAnchor();
    void followsMovedAnchor_data();
    void followsMovedAnchor();
    void nullAnchorKeepsPosition();
};

void TestAnchorPlacement::centredOnAnchor_data() {
    QTest::addColumn<QPoint>("anchorTopLeft");
    QTest::addColumn<QSize>("anchorSize");
    QTest::addColumn<QSize>("windowSize");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("same size") << QPoint(0, 0) << QSize(500, 400) << QSize(500, 400)
                               << QPoint(0, 0);
    QTest::newRow("camera list on main window")
        << QPoint(100, 50) << QSize(1280, 800) << QSize(502, 634) << QPoint(489, 133);
    QTest::newRow("odd gap truncated")
        << QPoint(0, 0) << QSize(801, 601) << QSize(500, 400) << QPoint(150, 100);
    QTest::newRow("larger window, odd overhang truncated toward zero")
        << QPoint(0, 0) << QSize(100, 100) << QSize(201, 301) << QPoint(-50, -100);
    QTest::newRow("anchor left of and above the origin")
        << QPoint(-1000, -200) << QSize(800, 600) << QSize(321, 276) << QPoint(-761, -38);
    QTest::newRow("negative anchor, larger window")
        << QPoint(-5, -5) << QSize(10, 10) << QSize(13, 13) << QPoint(-6, -6);
    QTest::newRow("second screen")
        << QPoint(1920, 0) << QSize(1280, 720) << QSize(502, 634) << QPoint(2309, 43);
    QTest::newRow("second screen, small anchor")
        << QPoint(2000, 100) << QSize(300, 200) << QSize(502, 634) << QPoint(1899, -117);
    QTest::newRow("screen on the left")
        << QPoint(-1920, 0) << QSize(1920, 1080) << QSize(321, 276) << QPoint(-1121, 402);
    QTest::newRow("empty anchor") << QPoint(30, 40) << QSize(0, 0) << QSize(321, 276)
                                  << QPoint(-130, -98);
}

void TestAnchorPlacement::centredOnAnchor() {
    QFETCH(QPoint, anchorTopLeft);
    QFETCH(QSize, anchorSize);
    QFETCH(QSize, windowSize);
    QFETCH(QPoint, expected);
    QCOMPARE(::centredOnAnchor(anchorTopLeft, anchorSize, windowSize), expected);
}

void TestAnchorPlacement::followsMovedAnchor_data() {
    QTest::addColumn<QPoint>("anchorPos");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("first screen") << QPoint(40, 30) << QPoint(290, 230);
    QTest::newRow("second screen") << QPoint(2100, 60) << QPoint(2350, 260);
}

void TestAnchorPlacement::followsMovedAnchor() {
    QFETCH(QPoint, anchorPos);
    QFETCH(QPoint, expected);
    QWidget anchor;
    anchor.setWindowFlags(Qt::FramelessWindowHint);
    anchor.resize(800, 600);
    anchor.move(anchorPos);
    QWidget window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.resize(300, 200);
    centreOnAnchor(&window, &anchor);
    QCOMPARE(window.pos(), expected);
}

void TestAnchorPlacement::nullAnchorKeepsPosition() {
    QWidget window;
    window.move(12, 34);
    centreOnAnchor(&window, nullptr);
    QCOMPARE(window.pos(), QPoint(12, 34));
}

QTEST_MAIN(TestAnchorPlacement)
#include "tst_anchorplacement.moc"
