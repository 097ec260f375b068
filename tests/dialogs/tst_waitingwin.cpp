#include <QLabel>
#include <QMovie>
#include <QtTest>
#include <atomic>
#include <memory>

#include "support/MessageLog.h"
#include "support/ModalDriver.h"
#include "dialogs/WaitingWin.h"
#include "dialogs/WorkerThread.h"

namespace {

const char* const gifMissing = "GIF is not valid or not found";

}  // namespace

// Unregisters the application's resources for one test, as if the GIF had not been shipped.
// Outside any namespace: the resource macros declare the collection's functions.
struct WithoutResources {
    WithoutResources() { Q_CLEANUP_RESOURCE(resources); }
    ~WithoutResources() { Q_INIT_RESOURCE(resources); }
};

class TestWaitingWin : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void form();
    void playsGif();
    void missingGifLogsAndStillCloses();
    void closedByCompletionWhileGuiResponsive();
    void escapeClosesWhileTaskGoesOn();
    void centredOnMovedAnchor_data();
    void centredOnMovedAnchor();

private:
    // The open flows' order: window, worker, connection, start, exec.
    int runFlow(WaitingWin& waiting, std::function<void()> task);

    QWidget* anchor = nullptr;
    std::unique_ptr<WorkerThread> worker;
};

void TestWaitingWin::init() {
    anchor = new QWidget;
    anchor->setWindowFlags(Qt::FramelessWindowHint);
    anchor->setGeometry(100, 80, 1000, 700);
    anchor->show();
}

void TestWaitingWin::cleanup() {
    worker.reset();
    delete anchor;
}

int TestWaitingWin::runFlow(WaitingWin& waiting, std::function<void()> task) {
    worker = std::make_unique<WorkerThread>(std::move(task), nullptr);
    connect(worker.get(), &WorkerThread::taskCompleted, &waiting, &WaitingWin::close);
    worker->start(QThread::InheritPriority);
    return waiting.exec();
}

void TestWaitingWin::form() {
    WaitingWin waiting(anchor);
    QVERIFY(!waiting.parent());
    QCOMPARE(waiting.windowTitle(), QString("WaitingWin"));
    QCOMPARE(waiting.size(), QSize(321, 276));
    QVERIFY(waiting.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!(waiting.windowFlags() & Qt::WindowTitleHint));
    QVERIFY(waiting.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(waiting.styleSheet(), QString("background: transparent;"));
    auto* label = waiting.findChild<QLabel*>("label_waiting");
    QVERIFY(label);
    QCOMPARE(label->minimumSize(), QSize(150, 150));
    QCOMPARE(label->maximumSize(), QSize(150, 150));
    QVERIFY(label->hasScaledContents());
    QVERIFY(label->testAttribute(Qt::WA_TranslucentBackground));
}

void TestWaitingWin::playsGif() {
    MessageLog log;
    WaitingWin waiting(anchor);
    auto* label = waiting.findChild<QLabel*>("label_waiting");
    QVERIFY(label->movie());
    QVERIFY(label->movie()->isValid());
    QCOMPARE(label->movie()->state(), QMovie::Running);
    QCOMPARE(log.count(gifMissing), 0);
}

void TestWaitingWin::missingGifLogsAndStillCloses() {
    MessageLog log;
    WithoutResources withoutResources;
    WaitingWin waiting(anchor);
    QCOMPARE(log.count(gifMissing), 1);
    auto* label = waiting.findChild<QLabel*>("label_waiting");
    QVERIFY(!label->movie());
    QVERIFY(label->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(runFlow(waiting, [] { QThread::msleep(20); }), int(QDialog::Rejected));
    QVERIFY(!waiting.isVisible());
    QTRY_COMPARE(log.count("run end"), 1);
}

void TestWaitingWin::closedByCompletionWhileGuiResponsive() {
    WaitingWin waiting(anchor);
    std::atomic<bool> done{false};
    int ticks = 0;
    bool sawWindow = false;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        ++ticks;
        sawWindow = sawWindow || QApplication::activeModalWidget() == &waiting;
    });
    ticker.start(10);
    const int result = runFlow(waiting, [&done] {
        QThread::msleep(400);
        done = true;
    });
    QVERIFY(done);
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY(!waiting.isVisible());
    QVERIFY(sawWindow);
    QVERIFY2(ticks >= 10, qPrintable(QString("only %1 timer ticks while waiting").arg(ticks)));
}

void TestWaitingWin::escapeClosesWhileTaskGoesOn() {
    WaitingWin waiting(anchor);
    std::atomic<bool> release{false};
    std::atomic<bool> done{false};
    ModalDriver driver([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    const int result = runFlow(waiting, [&] {
        while (!release) {
            QThread::msleep(1);
        }
        done = true;
    });
    QVERIFY(driver.acted());
    QVERIFY(!driver.timedOut());
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY(!done);
    QVERIFY(worker->isRunning());
    release = true;
    worker.reset();
    QVERIFY(done);
}

void TestWaitingWin::centredOnMovedAnchor_data() {
    QTest::addColumn<QPoint>("anchorPos");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("first screen") << QPoint(100, 80) << QPoint(439, 292);
    QTest::newRow("moved") << QPoint(300, 10) << QPoint(639, 222);
    QTest::newRow("second screen") << QPoint(2020, 40) << QPoint(2359, 252);
    QTest::newRow("negative") << QPoint(-1500, -20) << QPoint(-1161, 192);
}

void TestWaitingWin::centredOnMovedAnchor() {
    QFETCH(QPoint, anchorPos);
    QFETCH(QPoint, expected);
    WaitingWin waiting(anchor);
    waiting.show();
    waiting.hide();
    anchor->move(anchorPos);
    QPoint shownAt;
    ModalDriver driver([&shownAt](QWidget* modal) {
        shownAt = modal->pos();
        modal->close();
    });
    waiting.exec();
    QVERIFY(driver.acted());
    QCOMPARE(shownAt, expected);
}

QTEST_MAIN(TestWaitingWin)
#include "tst_waitingwin.moc"
