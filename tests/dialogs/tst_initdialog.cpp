#include <QElapsedTimer>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

#include "support/MessageLog.h"
#include "support/ModalDriver.h"
#include "dialogs/InitDialog.h"

class TestInitDialog : public QObject {
    Q_OBJECT

private slots:
    void windowAndShadow();
    void versionShownAndLogged();
    void closesItselfAfterTwoSeconds();
    void crossClosesAtOnceAndTimerThenDoesNothing();
};

void TestInitDialog::windowAndShadow() {
    InitDialog dialog(nullptr);
    QCOMPARE(dialog.windowTitle(), QString("Dialog"));
    QCOMPARE(dialog.size(), QSize(518, 378));
    QCOMPARE(int(dialog.windowFlags()), int(Qt::Window | Qt::FramelessWindowHint));
    QVERIFY(dialog.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(dialog.contentsMargins(), QMargins(10, 10, 10, 10));
    auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(dialog.graphicsEffect());
    QVERIFY(shadow);
    QCOMPARE(shadow->parent(), &dialog);
    QCOMPARE(shadow->offset(), QPointF(0, 0));
    QCOMPARE(shadow->color(), QColor("#444444"));
    QCOMPARE(shadow->blurRadius(), 30.0);
    QCOMPARE(dialog.findChild<QToolButton*>("btn_close")->pos(), QPoint(450, 10));
    QVERIFY(!dialog.findChild<QLabel*>("label_2")->text().isEmpty());
}

void TestInitDialog::versionShownAndLogged() {
    MessageLog log;
    InitDialog dialog(nullptr);
    QCOMPARE(log.count("Ostrel Version: 1.0.1"), 1);
    QCOMPARE(dialog.findChild<QLabel*>("lb_version")->text(), QString("Version: 1.0.1"));
}

void TestInitDialog::closesItselfAfterTwoSeconds() {
    InitDialog dialog(nullptr);
    QElapsedTimer clock;
    clock.start();
    dialog.exec();
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 1900 && elapsed < 5000, qPrintable(QString::number(elapsed)));
    QVERIFY(!dialog.isVisible());
}

void TestInitDialog::crossClosesAtOnceAndTimerThenDoesNothing() {
    InitDialog dialog(nullptr);
    QSignalSpy finished(&dialog, &QDialog::finished);
    ModalDriver driver([](QWidget* modal) {
        QTest::mouseClick(modal->findChild<QToolButton*>("btn_close"), Qt::LeftButton);
    });
    QElapsedTimer clock;
    clock.start();
    dialog.exec();
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(driver.acted());
    QCOMPARE(finished.count(), 1);
    QTest::qWait(2300);
    QCOMPARE(finished.count(), 1);
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(TestInitDialog)
#include "tst_initdialog.moc"
