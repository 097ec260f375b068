#include <QtTest>

#include "framework/shadowTile.h"

class TestShadowTile : public QObject {
    Q_OBJECT

private slots:
    void alphas_data();
    void alphas();
    void edgeStrips();
    void corners_data();
    void corners();
    void centreUntouched();
    void split_data();
    void split();
};

void TestShadowTile::alphas_data() {
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("alpha");
    const QList<int> width10 = {0, 0, 1, 3, 5, 9, 15, 22, 30, 47};
    for (int depth = 1; depth <= 10; ++depth) {
        QTest::addRow("width 10, depth %d", depth) << depth << 10 << width10[depth - 1];
    }
    QTest::newRow("depth 0") << 0 << 10 << 0;
    // 3.14 rather than pi: pi would give 30 here.
    QTest::newRow("width 18, depth 13") << 13 << 18 << 29;
    QTest::newRow("width 1 takes the 1.2 factor") << 1 << 1 << 4;
}

void TestShadowTile::alphas() {
    QFETCH(int, depth);
    QFETCH(int, width);
    QFETCH(int, alpha);
    QCOMPARE(shadowAlpha(depth, width), alpha);
}

void TestShadowTile::edgeStrips() {
    const QImage tile = makeShadowImage(10);
    QCOMPARE(tile.size(), QSize(30, 30));
    QCOMPARE(tile.format(), QImage::Format_ARGB32);
    const QList<int> inward = {0, 0, 1, 3, 5, 9, 15, 22, 30, 47};
    for (int along = 10; along < 20; ++along) {
        for (int i = 0; i < 10; ++i) {
            const QString where = QString("along %1, depth %2").arg(along).arg(i + 1);
            QCOMPARE(QColor::fromRgba(tile.pixel(i, along)), QColor(0, 0, 0, inward[i]));
            QVERIFY2(qAlpha(tile.pixel(29 - i, along)) == inward[i], qPrintable(where));
            QVERIFY2(qAlpha(tile.pixel(along, i)) == inward[i], qPrintable(where));
            QVERIFY2(qAlpha(tile.pixel(along, 29 - i)) == inward[i], qPrintable(where));
        }
    }
}

void TestShadowTile::corners_data() {
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<int>("alpha");
    QTest::newRow("bottom-right, on the corner point") << QPoint(20, 20) << 47;
    QTest::newRow("top-left, nearest the centre") << QPoint(9, 9) << 30;
    QTest::newRow("top-right, nearest the centre") << QPoint(20, 9) << 30;
    QTest::newRow("bottom-left, nearest the centre") << QPoint(9, 20) << 30;
    QTest::newRow("bottom-right, one off the point") << QPoint(21, 20) << 30;
    QTest::newRow("top-left, outer corner") << QPoint(0, 0) << 0;
    QTest::newRow("bottom-right, outer corner") << QPoint(29, 29) << 0;
    QTest::newRow("top-left, distance 5") << QPoint(5, 9) << 5;
}

void TestShadowTile::corners() {
    QFETCH(QPoint, pixel);
    QFETCH(int, alpha);
    const QImage tile = makeShadowImage(10);
    QCOMPARE(qAlpha(tile.pixel(pixel)), alpha);
}

void TestShadowTile::centreUntouched() {
    const QImage tile = makeShadowImage(10);
    for (int y = 10; y < 20; ++y) {
        for (int x = 10; x < 20; ++x) {
            QCOMPARE(tile.pixel(x, y), qRgba(0, 0, 0, 255));
        }
    }
}

void TestShadowTile::split_data() {
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QVector<QRect>>("pieces");
    QTest::newRow("tile") << QRect(0, 0, 30, 30)
                          << QVector<QRect>{QRect(0, 0, 10, 10),   QRect(10, 0, 10, 10),
                                            QRect(20, 0, 10, 10),  QRect(0, 10, 10, 10),
                                            QRect(10, 10, 10, 10), QRect(20, 10, 10, 10),
                                            QRect(0, 20, 10, 10),  QRect(10, 20, 10, 10),
                                            QRect(20, 20, 10, 10)};
    QTest::newRow("offset window")
        << QRect(5, 7, 100, 60)
        << QVector<QRect>{QRect(5, 7, 10, 10),  QRect(15, 7, 80, 10),  QRect(95, 7, 10, 10),
                          QRect(5, 17, 10, 40), QRect(15, 17, 80, 40), QRect(95, 17, 10, 40),
                          QRect(5, 57, 10, 10), QRect(15, 57, 80, 10), QRect(95, 57, 10, 10)};
}

void TestShadowTile::split() {
    QFETCH(QRect, rect);
    QFETCH(QVector<QRect>, pieces);
    QRect out[9];
    splitRect(rect, 10, out);
    QCOMPARE(QVector<QRect>(out, out + 9), pieces);
}

QTEST_APPLESS_MAIN(TestShadowTile)
#include "tst_shadowtile.moc"
