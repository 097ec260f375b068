#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "support/ModalDriver.h"
#include "dialogs/KVMessageBox.h"

class TestKVMessageBox : public QObject {
    Q_OBJECT

private slots:
    void messageFirstTitleSecond();
    void result_data();
    void result();
};

void TestKVMessageBox::messageFirstTitleSecond() {
    KVMessageBox box("Is it open in the browser?", "Tips");
    QVERIFY(!box.parent());
    QVERIFY(box.inherits("QFramelessDialog"));
    QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(box.windowTitle(), QString("Form"));
    QCOMPARE(box.size(), QSize(500, 270));
    QCOMPARE(box.minimumSize(), QSize(500, 270));
    auto* title = box.findChild<QLabel*>("lb_title");
    auto* message = box.findChild<QLabel*>("lb_show_message");
    QCOMPARE(title->text(), QString("Tips"));
    QCOMPARE(message->text(), QString("Is it open in the browser?"));
    QCOMPARE(message->alignment(), Qt::AlignCenter);
    QVERIFY(message->wordWrap());
    QCOMPARE(box.findChild<QPushButton*>("pb_close")->text(), QString("Close"));
    QCOMPARE(box.findChild<QPushButton*>("pb_open")->text(), QString("Open"));
}

void TestKVMessageBox::result_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("expected");
    QTest::newRow("Open") << "pb_open" << 1;
    QTest::newRow("Close") << "pb_close" << 0;
    QTest::newRow("cross") << "pb_win_close" << 0;
    QTest::newRow("Escape") << "escape" << 0;
}

void TestKVMessageBox::result() {
    QFETCH(QString, how);
    QFETCH(int, expected);
    KVMessageBox box("Is it open in the browser?", "Tips");
    ModalDriver driver([how](QWidget* modal) {
        if (how == "escape") {
            QTest::keyClick(modal, Qt::Key_Escape);
        } else {
            QTest::mouseClick(modal->findChild<QPushButton*>(how), Qt::LeftButton);
        }
    });
    QCOMPARE(box.exec(), expected);
    QVERIFY(driver.acted());
    QVERIFY(!driver.timedOut());
}

QTEST_MAIN(TestKVMessageBox)
#include "tst_kvmessagebox.moc"
