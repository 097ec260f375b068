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

std::vector<korvane::CameraDescription> cameras(const QStringList& names) {
    std::vector<korvane::CameraDescription> descriptions(names.size());
    for (int i = 0; i < names.size(); ++i) {
        descriptions[i].serial = names[i].toStdString();
    }
    return descriptions;
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
    void initTestCase();
    void answers_data();
    void answers();
    void centring_data();
    void centring();
    void workerRunsTaskPerStart();
    void waitingForTask_data();
    void waitingForTask();

private:
    QList<QUrl> opened;
};

void TestDialogs::initTestCase() {
    QDesktopServices::setUrlHandler("https", this, "openUrl");
    QDesktopServices::setUrlHandler("http", this, "openUrl");
}

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
        opened.clear();
        MainWidget window;
        window.show();
        window.findChild<QPushButton*>("pb_menu_help")->menu()->actions().first()->trigger();
        QCOMPARE(opened.size(), result);
        QVERIFY(opened.isEmpty() || opened.first().host().endsWith("korvane.com"));
    } else {
        std::unique_ptr<QDialog> box;
        if (dialog == "message") {
            box = std::make_unique<KVMessageBox>("the message", "the title");
        } else if (dialog == "start-up") {
            box = std::make_unique<InitDialog>(nullptr);
        } else {
            box = std::make_unique<CamerasList>(
                cameras(dialog == "cameras" ? serials : QStringList()), nullptr);
        }
        QSignalSpy finished(box.get(), &QDialog::finished);
        bool pastOwnTimer = false;
        QTimer::singleShot(2500, Qt::PreciseTimer, box.get(),
                           [&pastOwnTimer] { pastOwnTimer = true; });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(box->exec(), result);
        if (auto* list = qobject_cast<CamerasList*>(box.get())) {
            auto* rows = list->findChild<QListWidget*>();
            for (int row = 0; row < rows->count(); ++row) {
                QCOMPARE(rows->item(row)->text(), serials.at(row));
                QVERIFY(!rows->item(row)->icon().isNull());
            }
            QString name = "none";
            const bool chosen = list->getSelectedCamera(name);
            QCOMPARE(chosen, name != "none");
            QCOMPARE(name, selected);
        } else if (dialog == "message") {
            QCOMPARE(box->findChild<QLabel*>("lb_title")->text(), QString("the title"));
            QCOMPARE(box->findChild<QLabel*>("lb_show_message")->text(), QString("the message"));
        } else {
            QVERIFY(!how.isEmpty() || clock.elapsed() >= 1800);
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
    QTest::addColumn<QPoint>("expected");  // for a plain window
    QTest::newRow("on the main window") << "plain" << QRect(100, 50, 1280, 800) << QSize(502, 634) << QPoint(489, 133);
    QTest::newRow("odd gap truncated") << "plain" << QRect(0, 0, 801, 601) << QSize(500, 400) << QPoint(150, 100);
    QTest::newRow("odd overhang truncated toward zero") << "plain" << QRect(0, 0, 100, 100) << QSize(201, 301) << QPoint(-50, -100);
    QTest::newRow("left of and above the origin") << "plain" << QRect(-1000, -200, 800, 600) << QSize(321, 276) << QPoint(-761, -38);
    QTest::newRow("second screen, small anchor") << "plain" << QRect(2000, 100, 300, 200) << QSize(502, 634) << QPoint(1899, -117);
    QTest::newRow("no anchor keeps the position") << "none" << QRect(100, 50, 1280, 800) << QSize(502, 634) << QPoint(12, 34);
    QTest::newRow("camera list, moved anchor") << "cameras" << QRect(137, 61, 1001, 701) << QSize() << QPoint();
    QTest::newRow("waiting, second screen") << "waiting" << QRect(2020, 40, 1000, 700) << QSize() << QPoint();
}
// clang-format on

// The dialogs centre on where the anchor is at each showing, not where it was before.
void TestDialogs::centring() {
    QFETCH(QString, window);
    QFETCH(QRect, anchor);
    QFETCH(QSize, size);
    QFETCH(QPoint, expected);
    QWidget anchorWidget(nullptr, Qt::FramelessWindowHint);
    if (window == "plain" || window == "none") {
        anchorWidget.setGeometry(anchor);
        QWidget plain(nullptr, Qt::FramelessWindowHint);
        plain.setGeometry(QRect(QPoint(12, 34), size));
        centreOnAnchor(&plain, window == "plain" ? &anchorWidget : nullptr);
        QCOMPARE(plain.pos(), expected);
        return;
    }
    anchorWidget.setGeometry(0, 0, 1280, 800);
    anchorWidget.show();
    std::unique_ptr<QDialog> dialog;
    if (window == "cameras") {
        dialog = std::make_unique<CamerasList>(cameras(serials), &anchorWidget);
    } else {
        dialog = std::make_unique<WaitingWin>(&anchorWidget);
    }
    dialog->show();
    dialog->hide();
    anchorWidget.setGeometry(anchor);
    QRect shownAt;
    ModalDriver driver([&shownAt](QWidget* modal) {
        shownAt = modal->geometry();
        modal->close();
    });
    dialog->exec();
    QVERIFY(driver.acted());
    QCOMPARE(shownAt.topLeft(), centredOnAnchor(anchor.topLeft(), anchor.size(), shownAt.size()));
}

// Once per start; an empty task runs nothing and announces no end.
void TestDialogs::workerRunsTaskPerStart() {
    MessageLog log;
    std::atomic<int> runs{0};
    WorkerThread empty(nullptr, nullptr);
    WorkerThread worker([&runs] { ++runs; }, nullptr);
    QSignalSpy emptyEnds(&empty, &WorkerThread::taskCompleted);
    QSignalSpy ends(&worker, &WorkerThread::taskCompleted);
    for (WorkerThread* thread : {&empty, &worker, &worker}) {
        thread->start();
        QVERIFY(thread->wait(20000));
    }
    QCOMPARE(emptyEnds.count(), 0);
    QCOMPARE(ends.count(), 2);
    QCOMPARE(runs.load(), 2);
    QCOMPARE(log.count("run end"), 2);
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
    MessageLog log;
    std::optional<WithoutResources> withoutResources;
    if (!withGif) {
        withoutResources.emplace();
    }
    WaitingWin waiting(nullptr);
    QMovie* movie = waiting.findChild<QLabel*>("label_waiting")->movie();
    QCOMPARE(movie && movie->state() == QMovie::Running, withGif);
    QCOMPARE(log.count("GIF is not valid or not found"), withGif ? 0 : 1);
    std::atomic<bool> release{false};
    std::atomic<bool> done{false};
    auto worker = std::make_unique<WorkerThread>(
        [&] {
            QElapsedTimer clock;
            clock.start();
            while (!release && clock.elapsed() < 20000) {
                QThread::msleep(1);
            }
            QThread::msleep(20);
            done = true;
        },
        nullptr);
    connect(worker.get(), &WorkerThread::taskCompleted, &waiting, &WaitingWin::close);
    ModalDriver driver([&](QWidget* modal) {
        if (escape) {
            QTest::keyClick(modal, Qt::Key_Escape);
        } else {
            release = true;
        }
    });
    worker->start();
    QCOMPARE(waiting.exec(), int(QDialog::Rejected));
    QVERIFY(driver.acted());
    QVERIFY(!driver.timedOut());
    QCOMPARE(done.load(), !escape);
    release = true;
    worker.reset();
    QVERIFY(done);
    QCOMPARE(log.count("run end"), 1);
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
