#include <QtTest>

#include <cstdint>
#include <limits>

#include "pipeline/formatTimestamp.h"

class TestFormatTimestamp : public QObject {
    Q_OBJECT

private slots:
    void formats_data();
    void formats();
};

void TestFormatTimestamp::formats_data() {
    QTest::addColumn<quint64>("us");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << quint64(0) << "00:00:000000";
    QTest::newRow("one frame") << quint64(33333) << "00:00:033333";
    QTest::newRow("minute and seconds") << quint64(83456789) << "01:23:456789";
    QTest::newRow("one hour") << quint64(3600000000) << "60:00:000000";
    QTest::newRow("three-digit minutes") << quint64(6000000000) << "100:00:000000";
    QTest::newRow("largest") << quint64(std::numeric_limits<uint64_t>::max())
                             << "307445734561:49:551615";
}

void TestFormatTimestamp::formats() {
    QFETCH(quint64, us);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(formatTimestamp(us)), text);
}

QTEST_APPLESS_MAIN(TestFormatTimestamp)
#include "tst_formattimestamp.moc"
