#include <QDesktopServices>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMovie>
#include <QPushButton>
#include <QtTest>
#include <atomic>
#include <memory>
#include <optional>

#include "dialogs/CamerasList.h"
#include "dialogs/InitDialog.h"
#include "dialogs/KVMessageBox.h"
#include "dialogs/WaitingWin.h"
#include "dialogs/WorkerThread.h"
#include "dialogs/anchorPlacement.h"
#include "main_window/MainWidget.h"
#include "support/MessageLog.h"
#include "support/ModalDriver.h"
#include "support/ScopedWorkDir.h"

namespace {

// Not sorted, a duplicate, and a name beyond ASCII last.
const QStringList serials = {"KV-00A1-2307", "KV-00A1-2301", "KV-00A1-2307",
                             "Kamera-\u00FC-\u76F8\u673A"};

// "cameras" lists the serials above, "no cameras" none.
std::unique_ptr<QDialog> makeDialog(const QString& name, QWidget* anchor = nullptr) {
    std::vector<korvane::CameraDescription> cameras(name == "cameras" ? serials.size() : 0);
    for (size_t i = 0; i < cameras.size(); ++i) {
        cameras[i].serial = serials.at(int(i)).toStdString();
    }
    return name == "message"    ? std::make_unique<KVMessageBox>("the message", "the title")
           : name == "start-up" ? std::make_unique<InitDialog>(nullptr)
           : name == "waiting"  ? std::make_unique<WaitingWin>(anchor)
                                : std::unique_ptr<QDialog>(new CamerasList(cameras, anchor));
}

// What a user does: click the named button, press Escape or double-click the last camera;
// nothing for an empty text.
void act(QWidget* modal, const QString& how) {
    if (how == "escape") {
        QTest::keyClick(modal, Qt::Key_Escape);
    } else if (how == "double-click") {
        auto* rows = modal->findChild<QListWidget*>();
        const QPoint centre = rows->visualItemRect(rows->item(rows->count() - 1)).center();
        // What the window system delivers for a double click: click, second press, release.
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QTest::mouseDClick(rows->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QTest::mouseRelease(rows->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    } else if (!how.isEmpty()) {
        QTest::mouseClick(modal->findChild<QAbstractButton*>(how), Qt::LeftButton);
    }
}

}  // namespace

// Unregisters the application's resources, as if the GIF had not been shipped. Outside any
// namespace: the resource macros declare the collection's functions.
struct WithoutResources {
    WithoutResources() { Q_CLEANUP_RESOURCE(resources); }
    ~WithoutResources() { Q_INIT_RESOURCE(resources); }
};

class TestDialogs : public QObject {
    Q_OBJECT

public slots:
    // Stands in for the browser.
    void openUrl(const QUrl& url) { opened << url; }

private slots:
    void answers_data();
    void answers();
    void centring_data();
    void centring();
    void emptyTaskIsSilent();
    void waitingForTask_data();
    void waitingForTask();

private:
    QList<QUrl> opened;
};

// clang-format off
void TestDialogs::answers_data() {
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");  // of exec(), or for "about us" the addresses opened
    QTest::addColumn<QString>("selected");  // the camera list's choice afterwards
    QTest::newRow("message Open") << "message" << "pb_open" << 1 << "";
    QTest::newRow("message Close") << "message" << "pb_close" << 0 << "";
    QTest::newRow("message cross") << "message" << "pb_win_close" << 0 << "";
    QTest::newRow("message Escape") << "message" << "escape" << 0 << "";
    QTest::newRow("cameras Open") << "cameras" << "pb_open" << 1 << serials.first();
    QTest::newRow("cameras Close") << "cameras" << "pb_close" << 0 << serials.first();
    QTest::newRow("cameras cross") << "cameras" << "pb_win_close" << 0 << serials.first();
    QTest::newRow("cameras Escape") << "cameras" << "escape" << 0 << serials.first();
    QTest::newRow("cameras double-click") << "cameras" << "double-click" << 1 << serials.last();
    QTest::newRow("no cameras Open") << "no cameras" << "pb_open" << 1 << "none";
    QTest::newRow("about us Open") << "about us" << "pb_open" << 1 << "";
    QTest::newRow("about us Close") << "about us" << "pb_close" << 0 << "";
    QTest::newRow("start-up cross") << "start-up" << "btn_close" << 0 << "";
    QTest::newRow("start-up left alone") << "start-up" << "" << 0 << "";
}
// clang-format on

// The dialog goes at once when the user acts; the start-up window also goes by itself after a
// while, and its timer does nothing once the user closed it.
void TestDialogs::answers() {
    QFETCH(QString, dialog);
    QFETCH(QString, how);
    QFETCH(int, result);
    QFETCH(QString, selected);
    MessageLog log;
    bool closedAtOnce = false;
    ModalDriver driver(
        [&](QWidget* modal) {
            act(modal, how);
            closedAtOnce = !modal->isVisible();
        },
        15000);
    if (dialog == "about us") {
        ScopedWorkDir dir;  // the main window writes config.ini when it goes
        QDesktopServices::setUrlHandler("https", this, "openUrl");
        opened.clear();
        MainWidget window;
        window.findChild<QPushButton*>("pb_menu_help")->menu()->actions().first()->trigger();
        QCOMPARE(opened.size(), result);
        QVERIFY(opened.isEmpty() || opened.first().host().endsWith("korvane.com"));
    } else {
        std::unique_ptr<QDialog> box = makeDialog(dialog);
        QSignalSpy finished(box.get(), &QDialog::finished);
        bool pastOwnTimer = false;
        QTimer::singleShot(2500, Qt::PreciseTimer, box.get(), [&] { pastOwnTimer = true; });
        QCOMPARE(box->exec(), result);
        if (auto* list = qobject_cast<CamerasList*>(box.get())) {
            auto* rows = list->findChild<QListWidget*>();
            for (int row = 0; row < rows->count(); ++row) {
                QCOMPARE(rows->item(row)->text(), serials.at(row));
                QVERIFY(!rows->item(row)->icon().isNull());
            }
            QString name;
            QCOMPARE(list->getSelectedCamera(name) ? name : "none", selected);
        } else if (dialog == "message") {
            QCOMPARE(box->findChild<QLabel*>("lb_title")->text(), QString("the title"));
            QCOMPARE(box->findChild<QLabel*>("lb_show_message")->text(), QString("the message"));
        } else {
            QVERIFY(
                log.lines().contains("Ostrel " + box->findChild<QLabel*>("lb_version")->text()));
            QTRY_VERIFY_WITH_TIMEOUT(pastOwnTimer, 20000);
        }
        QCOMPARE(finished.count(), 1);
    }
    QVERIFY(driver.acted());
    QVERIFY(!driver.timedOut());
    QCOMPARE(closedAtOnce, !how.isEmpty());
}

// clang-format off
void TestDialogs::centring_data() {
    QTest::addColumn<QString>("window");  // plain, or a dialog that centres itself when shown
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QSize>("size");  // of a plain window
    QTest::addColumn<QPoint>("expected");  // for a dialog: where the anchor moves before showing
    QTest::newRow("on the main window") << "plain" << QRect(100, 50, 1280, 800) << QSize(502, 634) << QPoint(489, 133);
    QTest::newRow("odd gap truncated") << "plain" << QRect(0, 0, 801, 601) << QSize(500, 400) << QPoint(150, 100);
    QTest::newRow("odd overhang truncated toward zero") << "plain" << QRect(0, 0, 100, 100) << QSize(201, 301) << QPoint(-50, -100);
    QTest::newRow("left of and above the origin") << "plain" << QRect(-1000, -200, 800, 600) << QSize(321, 276) << QPoint(-761, -38);
    QTest::newRow("second screen, small anchor") << "plain" << QRect(2000, 100, 300, 200) << QSize(502, 634) << QPoint(1899, -117);
    QTest::newRow("camera list") << "cameras" << QRect(0, 0, 1001, 701) << QSize() << QPoint(137, 61);
    QTest::newRow("waiting") << "waiting" << QRect(0, 0, 1000, 700) << QSize() << QPoint(2020, 40);
}
// clang-format on

// The dialogs centre on where the anchor is at each showing, not where it was before.
void TestDialogs::centring() {
    QFETCH(QString, window);
    QFETCH(QRect, anchor);
    QFETCH(QSize, size);
    QFETCH(QPoint, expected);
    QWidget anchorWidget(nullptr, Qt::FramelessWindowHint);
    anchorWidget.setGeometry(anchor);
    if (window == "plain") {
        QWidget plain(nullptr, Qt::FramelessWindowHint);
        plain.resize(size);
        centreOnAnchor(&plain, &anchorWidget);
        QCOMPARE(plain.pos(), expected);
        return;
    }
    anchorWidget.show();
    std::unique_ptr<QDialog> dialog = makeDialog(window, &anchorWidget);
    dialog->show();
    dialog->hide();
    anchorWidget.move(expected);
    QRect shownAt;
    ModalDriver driver(
        [&shownAt](QWidget* modal) {
            shownAt = modal->geometry();
            modal->close();
        },
        15000);
    dialog->exec();
    QCOMPARE(shownAt.topLeft(), centredOnAnchor(expected, anchor.size(), shownAt.size()));
}

void TestDialogs::emptyTaskIsSilent() {
    WorkerThread worker(nullptr, nullptr);
    QSignalSpy ends(&worker, &WorkerThread::taskCompleted);
    worker.start();
    QVERIFY(worker.wait(20000));
    QCOMPARE(ends.count(), 0);
}

void TestDialogs::waitingForTask_data() {
    QTest::addColumn<bool>("withGif");
    QTest::addColumn<bool>("escape");
    QTest::newRow("task ends") << true << false;
    QTest::newRow("Escape while the task goes on") << true << true;
    QTest::newRow("GIF missing") << false << false;
}

// The open flows' order: window, worker, connection, start, exec. The task ends only when the
// GUI thread, running the window's event loop, lets it; the worker's owner may drop it while the
// task still runs.
void TestDialogs::waitingForTask() {
    QFETCH(bool, withGif);
    QFETCH(bool, escape);
    std::optional<WithoutResources> withoutResources;
    if (!withGif) {
        withoutResources.emplace();
    }
    std::unique_ptr<QDialog> waiting = makeDialog("waiting");
    QMovie* movie = waiting->findChild<QLabel*>("label_waiting")->movie();
    QCOMPARE(movie && movie->state() == QMovie::Running, withGif);
    std::atomic<bool> release{false};
    std::atomic<int> runs{0};
    auto worker = std::make_unique<WorkerThread>(
        [&] {
            QElapsedTimer clock;
            clock.start();
            while (!release && clock.elapsed() < 20000) {
                QThread::msleep(1);
            }
            // Still running a moment after the release, when the owner drops the worker.
            QThread::msleep(20);
            ++runs;
        },
        nullptr);
    connect(worker.get(), &WorkerThread::taskCompleted, waiting.get(), &QDialog::close);
    ModalDriver driver(
        [&](QWidget* modal) {
            if (escape) {
                QTest::keyClick(modal, Qt::Key_Escape);
            } else {
                release = true;
            }
        },
        15000);
    worker->start();
    QCOMPARE(waiting->exec(), int(QDialog::Rejected));
    QVERIFY(driver.acted());
    QVERIFY(!driver.timedOut());
    QCOMPARE(runs.load(), escape ? 0 : 1);
    release = true;
    worker.reset();
    QCOMPARE(runs.load(), 1);
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
