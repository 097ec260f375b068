#include <QtTest>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "HelperThread.h"

using korvane::HelperThread;

class TestHelperThread : public QObject {
    Q_OBJECT

private slots:
    void runsEachJobOnAnotherThreadBeforeWaitReturns();
    void ownerWorksWhileTheJobRuns();
    void waitRethrowsWhatTheJobThrewOnce();
    void destroyedWithoutAJobOrAfterOne();
};

void TestHelperThread::runsEachJobOnAnotherThreadBeforeWaitReturns() {
    HelperThread helper;
    std::vector<int> done;  // written by the jobs, read here only after wait
    std::thread::id jobThread;
    for (int job = 0; job < 2000; ++job) {
        helper.start([&, job] {
            done.push_back(job);
            jobThread = std::this_thread::get_id();
        });
        helper.wait();
        QCOMPARE(done.size(), std::size_t(job + 1));
        QCOMPARE(done.back(), job);
        QVERIFY(jobThread != std::this_thread::get_id());
    }
}

void TestHelperThread::ownerWorksWhileTheJobRuns() {
    HelperThread helper;
    std::atomic<bool> ownerWent{false};
    std::atomic<bool> jobSawOwner{false};
    helper.start([&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!ownerWent.load() && std::chrono::steady_clock::now() < until) {
            std::this_thread::yield();
        }
        jobSawOwner = ownerWent.load();
    });
    ownerWent = true;
    helper.wait();
    QVERIFY(jobSawOwner.load());
}

void TestHelperThread::waitRethrowsWhatTheJobThrewOnce() {
    HelperThread helper;
    helper.start([] { throw std::runtime_error("job failed"); });
    QVERIFY_EXCEPTION_THROWN(helper.wait(), std::runtime_error);
    helper.wait();
    bool ran = false;
    helper.start([&] { ran = true; });
    helper.wait();
    QVERIFY(ran);
}

void TestHelperThread::destroyedWithoutAJobOrAfterOne() {
    { HelperThread unused; }
    std::atomic<int> runs{0};
    {
        HelperThread helper;
        helper.start([&] { ++runs; });
        helper.wait();
    }
    QCOMPARE(runs.load(), 1);
}

QTEST_APPLESS_MAIN(TestHelperThread)
#include "tst_helperthread.moc"
