#include <QtTest>

#include "settings/displayValues.h"

class TestDisplayValues : public QObject {
    Q_OBJECT

private slots:
    void parsesTime_data();
    void parsesTime();
    void completesUnit_data();
    void completesUnit();
    void acceptsTime_data();
    void acceptsTime();
    void parsesFrameRate_data();
    void parsesFrameRate();
};

void TestDisplayValues::parsesTime_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint64>("us");
    QTest::newRow("preset 33.333ms") << "33.333ms" << quint64(33333);
    QTest::newRow("preset 100ms") << "100ms" << quint64(100000);
    QTest::newRow("fraction of a ms") << "0.5ms" << quint64(500);
    QTest::newRow("microseconds") << "250us" << quint64(250);
    QTest::newRow("upper-case ms") << "5MS" << quint64(5000);
    QTest::newRow("mixed-case us") << "7uS" << quint64(7);
    QTest::newRow("fraction of a us truncated") << "0.9us" << quint64(0);
    QTest::newRow("one second") << "1000ms" << quint64(1000000);
    QTest::newRow("just above one second") << "1001ms" << quint64(1001000);
    QTest::newRow("no unit") << "5" << quint64(0);
    QTest::newRow("seconds are no unit") << "5s" << quint64(0);
    QTest::newRow("unit only") << "ms" << quint64(0);
    QTest::newRow("empty") << "" << quint64(0);
    QTest::newRow("letters") << "abcms" << quint64(0);
    QTest::newRow("negative wraps") << "-5ms" << quint64(0) - 5000;
    QTest::newRow("negative us wraps") << "-1us" << quint64(0) - 1;
    QTest::newRow("beyond 64 bits saturates") << "1e30us" << ~quint64(0);
    QTest::newRow("not a number") << "nanms" << quint64(0);
}

void TestDisplayValues::parsesTime() {
    QFETCH(QString, text);
    QFETCH(quint64, us);
    QCOMPARE(quint64(parseTimeToUs(text)), us);
}

// clang-format off
void TestDisplayValues::completesUnit_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("completed");
    QTest::newRow("bare number") << "5" << "5ms";
    QTest::newRow("fraction") << "2.5" << "2.5ms";
    QTest::newRow("has ms") << "5ms" << "5ms";
    QTest::newRow("has upper-case MS") << "20MS" << "20MS";
    QTest::newRow("has us") << "500us" << "500us";
    QTest::newRow("has Us") << "500Us" << "500Us";
    QTest::newRow("seconds") << "5s" << "5sms";
    QTest::newRow("letters") << "abc" << "abcms";
    QTest::newRow("empty") << "" << "ms";
}
// clang-format on

void TestDisplayValues::completesUnit() {
    QFETCH(QString, text);
    QFETCH(QString, completed);
    QCOMPARE(completeTimeUnit(text), completed);
}

void TestDisplayValues::acceptsTime_data() {
    QTest::addColumn<quint64>("us");
    QTest::addColumn<bool>("acceptable");
    QTest::newRow("zero") << quint64(0) << false;
    QTest::newRow("one") << quint64(1) << true;
    QTest::newRow("one second") << quint64(1000000) << true;
    QTest::newRow("above one second") << quint64(1000001) << false;
    QTest::newRow("wrapped negative") << quint64(0) - 5000 << false;
}

void TestDisplayValues::acceptsTime() {
    QFETCH(quint64, us);
    QFETCH(bool, acceptable);
    QCOMPARE(isAcceptableTimeUs(us), acceptable);
}

void TestDisplayValues::parsesFrameRate_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("acceptable");
    QTest::addColumn<uint>("fps");
    QTest::newRow("preset") << "30" << true << 30u;
    QTest::newRow("lowest") << "1" << true << 1u;
    QTest::newRow("highest 16-bit") << "65535" << true << 65535u;
    QTest::newRow("zero") << "0" << false << 0u;
    QTest::newRow("negative") << "-3" << false << 0u;
    QTest::newRow("just above 16 bits") << "65536" << false << 0u;
    QTest::newRow("beyond int") << "99999999999" << false << 0u;
    QTest::newRow("fraction") << "30.5" << false << 0u;
    QTest::newRow("letters") << "abc" << false << 0u;
    QTest::newRow("empty") << "" << false << 0u;
    QTest::newRow("hexadecimal") << "0x10" << false << 0u;
}

void TestDisplayValues::parsesFrameRate() {
    QFETCH(QString, text);
    QFETCH(bool, acceptable);
    QFETCH(uint, fps);
    const std::optional<uint32_t> parsed = parseFrameRate(text);
    QCOMPARE(parsed.has_value(), acceptable);
    if (acceptable) {
        QCOMPARE(uint(*parsed), fps);
    }
}

QTEST_APPLESS_MAIN(TestDisplayValues)
#include "tst_displayValues.moc"
