#include <QtTest>

#include <climits>
#include <cstdint>

#include "pipeline/TimelineScale.h"
#include "pipeline/framePacing.h"

class TestTimelineScale : public QObject {
    Q_OBJECT

private slots:
    void scale_data();
    void scale();
    void roundTripIsExactAtOneMicrosecond_data();
    void roundTripIsExactAtOneMicrosecond();
    void coarseScaleStaysInRange();
    void clamping();
    void livePeriod_data();
    void livePeriod();
    void playbackStep_data();
    void playbackStep();
};

void TestTimelineScale::scale_data() {
    QTest::addColumn<quint64>("start");
    QTest::addColumn<quint64>("end");
    QTest::addColumn<quint64>("usPerStep");
    QTest::addColumn<int>("maximum");
    QTest::newRow("empty recording") << quint64(5) << quint64(5) << quint64(1) << 0;
    QTest::newRow("end before start") << quint64(9) << quint64(5) << quint64(1) << 0;
    QTest::newRow("short") << quint64(0) << quint64(83456789) << quint64(1) << 83456789;
    QTest::newRow("late start, 100 s")
        << quint64(2200000000) << quint64(2300000000) << quint64(1) << 100000000;
    QTest::newRow("span exactly INT_MAX")
        << quint64(10) << quint64(10) + INT_MAX << quint64(1) << INT_MAX;
    QTest::newRow("span INT_MAX + 1")
        << quint64(0) << quint64(INT_MAX) + 1 << quint64(2) << (INT_MAX / 2 + 1);
    QTest::newRow("one hour") << quint64(0) << quint64(3600000000) << quint64(2) << 1800000000;
    QTest::newRow("whole 64-bit range")
        << quint64(0) << quint64(UINT64_MAX) << quint64(8589934597) << INT_MAX - 1;
}

void TestTimelineScale::scale() {
    QFETCH(quint64, start);
    QFETCH(quint64, end);
    QFETCH(quint64, usPerStep);
    QFETCH(int, maximum);
    const TimelineScale scale(start, end);
    QCOMPARE(quint64(scale.microsecondsPerStep()), usPerStep);
    QCOMPARE(scale.maximum(), maximum);
    QCOMPARE(scale.toSliderValue(end), maximum);
    QVERIFY(scale.toTimestamp(scale.maximum()) <= qMax(start, end));
}

void TestTimelineScale::roundTripIsExactAtOneMicrosecond_data() {
    QTest::addColumn<quint64>("timestamp");
    QTest::newRow("start") << quint64(2200000000);
    QTest::newRow("inside") << quint64(2212345678);
    QTest::newRow("past 2^31 µs") << quint64(2147483648);
    QTest::newRow("end") << quint64(2300000000);
}

void TestTimelineScale::roundTripIsExactAtOneMicrosecond() {
    QFETCH(quint64, timestamp);
    const TimelineScale scale(2147483000, 2300000000);
    QCOMPARE(quint64(scale.microsecondsPerStep()), quint64(1));
    QCOMPARE(quint64(scale.toTimestamp(scale.toSliderValue(timestamp))), timestamp);
}

void TestTimelineScale::coarseScaleStaysInRange() {
    const TimelineScale scale(1000, 1000 + 10000000000ull);
    QVERIFY(scale.microsecondsPerStep() > 1);
    for (uint64_t t = 1000; t <= 1000 + 10000000000ull; t += 999999937) {
        const int value = scale.toSliderValue(t);
        QVERIFY(value >= 0 && value <= scale.maximum());
        const uint64_t back = scale.toTimestamp(value);
        QVERIFY(back <= t);
        QVERIFY(t - back < scale.microsecondsPerStep());
    }
}

void TestTimelineScale::clamping() {
    const TimelineScale scale(1000, 2000);
    QCOMPARE(scale.toSliderValue(0), 0);
    QCOMPARE(scale.toSliderValue(999), 0);
    QCOMPARE(scale.toSliderValue(5000), 1000);
    QCOMPARE(quint64(scale.toTimestamp(-7)), quint64(1000));
    QCOMPARE(quint64(scale.toTimestamp(INT_MIN)), quint64(1000));
    QCOMPARE(quint64(scale.toTimestamp(1500)), quint64(2500));
    QCOMPARE(quint64(TimelineScale().toTimestamp(INT_MAX)), quint64(INT_MAX));
}

void TestTimelineScale::livePeriod_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("period");
    QTest::newRow("33") << 33 << 30;
    QTest::newRow("60") << 60 << 16;
    QTest::newRow("1000") << 1000 << 1;
    QTest::newRow("2000") << 2000 << 0;
    QTest::newRow("65535") << 65535 << 0;
    QTest::newRow("1") << 1 << 1000;
    QTest::newRow("0 keeps previous") << 0 << 77;
}

void TestTimelineScale::livePeriod() {
    QFETCH(int, rate);
    QFETCH(int, period);
    QCOMPARE(int(livePeriodMs(uint16_t(rate), 77)), period);
}

void TestTimelineScale::playbackStep_data() {
    QTest::addColumn<quint64>("rate");
    QTest::addColumn<quint64>("step");
    QTest::newRow("33") << quint64(33) << quint64(30303);
    QTest::newRow("30") << quint64(30) << quint64(33333);
    QTest::newRow("60") << quint64(60) << quint64(16666);
    QTest::newRow("above a million") << quint64(2000000) << quint64(0);
    QTest::newRow("0 keeps previous") << quint64(0) << quint64(4242);
}

void TestTimelineScale::playbackStep() {
    QFETCH(quint64, rate);
    QFETCH(quint64, step);
    QCOMPARE(quint64(playbackStepUs(rate, 4242)), step);
}

QTEST_APPLESS_MAIN(TestTimelineScale)
#include "tst_timelinescale.moc"
