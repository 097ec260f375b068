#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "support/ModalDriver.h"
#include "dialogs/CamerasList.h"
#include "framework/QFramelessDialog.h"

namespace {

std::vector<korvane::CameraDescription> cameras(const QStringList& serials) {
    std::vector<korvane::CameraDescription> descriptions;
    for (const QString& serial : serials) {
        korvane::CameraDescription description;
        description.serial = serial.toStdString();
        description.name = "stand-in";
        descriptions.push_back(description);
    }
    return descriptions;
}

const QStringList threeSerials = {"KV-00A1-2301", "KV-00A1-2307", "KV-00B4-0042"};

}  // namespace

class TestCamerasList : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void texts();
    void emptyList();
    void rowsInOrderFirstCurrent_data();
    void rowsInOrderFirstCurrent();
    void userEndsDialog_data();
    void userEndsDialog();
    void doubleClickAcceptsThatRow_data();
    void doubleClickAcceptsThatRow();
    void searchChangesNothing();
    void centredOnMovedAnchor_data();
    void centredOnMovedAnchor();

private:
    QWidget* anchor = nullptr;
};

void TestCamerasList::init() {
    anchor = new QWidget;
    anchor->setWindowFlags(Qt::FramelessWindowHint);
    anchor->setGeometry(0, 0, 1280, 800);
    anchor->show();
}

void TestCamerasList::cleanup() {
    delete anchor;
}

void TestCamerasList::texts() {
    CamerasList list(cameras(threeSerials), anchor);
    QVERIFY(list.inherits("QFramelessDialog"));
    QVERIFY(list.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(list.windowTitle(), QString("CamerasList"));
    QCOMPARE(list.size(), QSize(502, 634));
    QCOMPARE(list.findChild<QLabel*>("label")->text(), QString("Open a camera"));
    QCOMPARE(list.findChild<QLabel*>("label_2")->text(), QString("Camera List"));
    QCOMPARE(list.findChild<QLineEdit*>("le_search_camera")->placeholderText(),
             QString("Search Cameras..."));
    QVERIFY(list.findChild<QPushButton*>("pb_searc_camera")->text().isEmpty());
    QCOMPARE(list.findChild<QPushButton*>("pb_close")->text(), QString("Close"));
    QCOMPARE(list.findChild<QPushButton*>("pb_open")->text(), QString("Open"));
    QCOMPARE(list.findChild<QListWidget*>("listWidget_cameras")->iconSize(), QSize(50, 50));
}

void TestCamerasList::emptyList() {
    CamerasList list({}, anchor);
    auto* rows = list.findChild<QListWidget*>("listWidget_cameras");
    QCOMPARE(rows->count(), 0);
    QCOMPARE(rows->currentRow(), -1);
    QString name = "untouched";
    QVERIFY(!list.getSelectedCamera(name));
    ModalDriver driver([](QWidget* modal) {
        QTest::mouseClick(modal->findChild<QPushButton*>("pb_open"), Qt::LeftButton);
    });
    QCOMPARE(list.exec(), int(QDialog::Accepted));
    QVERIFY(!driver.timedOut());
    QVERIFY(!list.getSelectedCamera(name));
    QCOMPARE(name, QString("untouched"));
}

void TestCamerasList::rowsInOrderFirstCurrent_data() {
    QTest::addColumn<QStringList>("serials");
    QTest::newRow("one") << QStringList{"KV-1"};
    QTest::newRow("three") << threeSerials;
    QTest::newRow("not sorted, duplicates kept") << QStringList{"b", "a", "b"};
    QTest::newRow("non-ASCII serial") << QStringList{"Kamera-\u00FC-\u00E9", "\u76F8\u673A-7"};
}

void TestCamerasList::rowsInOrderFirstCurrent() {
    QFETCH(QStringList, serials);
    CamerasList list(cameras(serials), anchor);
    auto* rows = list.findChild<QListWidget*>("listWidget_cameras");
    QCOMPARE(rows->count(), serials.size());
    for (int row = 0; row < serials.size(); ++row) {
        QCOMPARE(rows->item(row)->text(), serials.at(row));
        QVERIFY(!rows->item(row)->icon().isNull());
    }
    QCOMPARE(rows->currentRow(), 0);
    QVERIFY(rows->item(0)->isSelected());
    QString name;
    QVERIFY(list.getSelectedCamera(name));
    QCOMPARE(name, serials.first());
}

void TestCamerasList::userEndsDialog_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("expected");
    QTest::newRow("Open") << "pb_open" << int(QDialog::Accepted);
    QTest::newRow("Close") << "pb_close" << int(QDialog::Rejected);
    QTest::newRow("cross") << "pb_win_close" << int(QDialog::Rejected);
    QTest::newRow("Escape") << "escape" << int(QDialog::Rejected);
}

void TestCamerasList::userEndsDialog() {
    QFETCH(QString, how);
    QFETCH(int, expected);
    CamerasList list(cameras(threeSerials), anchor);
    ModalDriver driver([how](QWidget* modal) {
        if (how == "escape") {
            QTest::keyClick(modal, Qt::Key_Escape);
        } else {
            QTest::mouseClick(modal->findChild<QPushButton*>(how), Qt::LeftButton);
        }
    });
    QCOMPARE(list.exec(), expected);
    QVERIFY(driver.acted());
    QVERIFY(!driver.timedOut());
    QVERIFY(!list.isVisible());
}

void TestCamerasList::doubleClickAcceptsThatRow_data() {
    QTest::addColumn<int>("row");
    QTest::newRow("first") << 0;
    QTest::newRow("last") << 2;
}

void TestCamerasList::doubleClickAcceptsThatRow() {
    QFETCH(int, row);
    CamerasList list(cameras(threeSerials), anchor);
    ModalDriver driver([row](QWidget* modal) {
        auto* rows = modal->findChild<QListWidget*>("listWidget_cameras");
        const QPoint centre = rows->visualItemRect(rows->item(row)).center();
        // What the window system delivers for a double click: click, second press, release.
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QTest::mouseDClick(rows->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QTest::mouseRelease(rows->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    });
    QCOMPARE(list.exec(), int(QDialog::Accepted));
    QVERIFY(!driver.timedOut());
    QString name;
    QVERIFY(list.getSelectedCamera(name));
    QCOMPARE(name, threeSerials.at(row));
}

void TestCamerasList::searchChangesNothing() {
    CamerasList list(cameras(threeSerials), anchor);
    auto* rows = list.findChild<QListWidget*>("listWidget_cameras");
    rows->setCurrentRow(1);
    ModalDriver driver([](QWidget* modal) {
        QTest::keyClicks(modal->findChild<QLineEdit*>("le_search_camera"), "zzz-no-match");
        QTest::mouseClick(modal->findChild<QPushButton*>("pb_searc_camera"), Qt::LeftButton);
        QTest::mouseClick(modal->findChild<QPushButton*>("pb_close"), Qt::LeftButton);
    });
    QCOMPARE(list.exec(), int(QDialog::Rejected));
    QVERIFY(!driver.timedOut());
    QCOMPARE(list.findChild<QLineEdit*>("le_search_camera")->text(), QString("zzz-no-match"));
    QCOMPARE(rows->count(), threeSerials.size());
    for (int row = 0; row < rows->count(); ++row) {
        QCOMPARE(rows->item(row)->text(), threeSerials.at(row));
        QVERIFY(!rows->item(row)->isHidden());
    }
    QCOMPARE(rows->currentRow(), 1);
}

void TestCamerasList::centredOnMovedAnchor_data() {
    QTest::addColumn<QRect>("anchorGeometry");
    QTest::newRow("main screen") << QRect(0, 0, 1280, 800);
    QTest::newRow("moved, odd size") << QRect(137, 61, 1001, 701);
    QTest::newRow("second screen") << QRect(2000, 100, 1280, 800);
    QTest::newRow("anchor smaller than dialog") << QRect(1930, -40, 300, 200);
}

void TestCamerasList::centredOnMovedAnchor() {
    QFETCH(QRect, anchorGeometry);
    CamerasList list(cameras(threeSerials), anchor);
    list.show();
    list.hide();
    anchor->setGeometry(anchorGeometry);
    QRect shownAt;
    ModalDriver driver([&shownAt](QWidget* modal) {
        shownAt = modal->geometry();
        modal->close();
    });
    list.exec();
    QVERIFY(driver.acted());
    const QPoint expected(anchorGeometry.x() + (anchorGeometry.width() - shownAt.width()) / 2,
                          anchorGeometry.y() + (anchorGeometry.height() - shownAt.height()) / 2);
    QCOMPARE(shownAt.topLeft(), expected);
}

QTEST_MAIN(TestCamerasList)
#include "tst_cameraslist.moc"
