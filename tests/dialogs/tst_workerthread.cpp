#include <QtTest>
#include <atomic>
#include <memory>

#include "support/MessageLog.h"
#include "dialogs/WorkerThread.h"

class TestWorkerThread : public QObject {
    Q_OBJECT

private slots:
    void init();
    void emptyTaskIsSilent();
    void taskRunsOncePerStart_data();
    void taskRunsOncePerStart();
    void taskRunsOnItsOwnThread();
    void completionIsQueuedToGuiThread();
    void deletingWaitsForRunningTask();
    void ownerReplacesFinishedWorker();

private:
    // Counts taskCompleted on the GUI thread, where the open flows receive it.
    void countCompletions(WorkerThread* worker);

    int completions = 0;
};

void TestWorkerThread::init() {
    completions = 0;
}

void TestWorkerThread::countCompletions(WorkerThread* worker) {
    connect(worker, &WorkerThread::taskCompleted, this, [this] { ++completions; });
}

void TestWorkerThread::emptyTaskIsSilent() {
    MessageLog log;
    auto worker = std::make_unique<WorkerThread>(std::function<void()>(), nullptr);
    countCompletions(worker.get());
    worker->start();
    QVERIFY(worker->wait(5000));
    QTest::qWait(50);
    QCOMPARE(completions, 0);
    QCOMPARE(log.count("run end"), 0);
}

void TestWorkerThread::taskRunsOncePerStart_data() {
    QTest::addColumn<int>("starts");
    QTest::newRow("one start") << 1;
    QTest::newRow("three starts") << 3;
}

void TestWorkerThread::taskRunsOncePerStart() {
    QFETCH(int, starts);
    MessageLog log;
    std::atomic<int> runs{0};
    auto worker = std::make_unique<WorkerThread>([&runs] { ++runs; }, nullptr);
    countCompletions(worker.get());
    for (int i = 0; i < starts; ++i) {
        worker->start();
        QVERIFY(worker->wait(5000));
    }
    QTRY_COMPARE(completions, starts);
    QCOMPARE(runs.load(), starts);
    QCOMPARE(log.count("run end"), starts);
}

void TestWorkerThread::taskRunsOnItsOwnThread() {
    std::atomic<QThread*> ranOn{nullptr};
    auto worker =
        std::make_unique<WorkerThread>([&ranOn] { ranOn = QThread::currentThread(); }, nullptr);
    worker->start();
    QVERIFY(worker->wait(5000));
    QCOMPARE(ranOn.load(), static_cast<QThread*>(worker.get()));
    QVERIFY(ranOn.load() != QThread::currentThread());
}

void TestWorkerThread::completionIsQueuedToGuiThread() {
    auto worker = std::make_unique<WorkerThread>([] {}, nullptr);
    QThread* receivedOn = nullptr;
    QObject receiver;
    connect(worker.get(), &WorkerThread::taskCompleted, &receiver,
            [&receivedOn] { receivedOn = QThread::currentThread(); });
    worker->start();
    QVERIFY(worker->wait(5000));
    QVERIFY(!receivedOn);
    QTRY_VERIFY(receivedOn);
    QCOMPARE(receivedOn, QThread::currentThread());
}

// The owner may drop the worker while the task still runs (the waiting window closed with
// Escape, or the main window went away): the object must outlive the task.
void TestWorkerThread::deletingWaitsForRunningTask() {
    std::atomic<bool> started{false};
    std::atomic<bool> release{false};
    std::atomic<bool> done{false};
    auto worker = std::make_unique<WorkerThread>(
        [&] {
            started = true;
            while (!release) {
                QThread::msleep(1);
            }
            QThread::msleep(50);
            done = true;
        },
        nullptr);
    worker->start();
    QTRY_VERIFY(started);
    release = true;
    worker.reset();
    QVERIFY(done);
}

void TestWorkerThread::ownerReplacesFinishedWorker() {
    std::atomic<int> runs{0};
    std::unique_ptr<WorkerThread> worker;
    for (int open = 0; open < 3; ++open) {
        worker = std::make_unique<WorkerThread>([&runs] { ++runs; }, nullptr);
        countCompletions(worker.get());
        worker->start();
        QTRY_COMPARE(completions, open + 1);
    }
    worker.reset();
    QCOMPARE(runs.load(), 3);
}

QTEST_GUILESS_MAIN(TestWorkerThread)
#include "tst_workerthread.moc"
