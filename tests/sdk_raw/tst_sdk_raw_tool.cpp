#include <QDir>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "RawTestFiles.h"
#include "korvane/RawFileWriter.h"

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run runTool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(OSTREL_RAW_TOOL), arguments);
    Run run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QMap<QString, QString> keyValues(const QByteArray& text) {
    QMap<QString, QString> values;
    for (const QByteArray& line : text.split('\n')) {
        const int colon = line.indexOf(": ");
        if (colon > 0) {
            values.insert(QString::fromUtf8(line.left(colon)),
                          QString::fromUtf8(line.mid(colon + 2)));
        }
    }
    return values;
}

QByteArray csv(const std::vector<korvane::Event2D>& events) {
    QByteArray text = "t,x,y,p\n";
    for (const korvane::Event2D& e : events) {
        text += QByteArray::number(quint64(e.timestamp)) + ',' + QByteArray::number(e.x) + ',' +
                QByteArray::number(e.y) + ',' + QByteArray::number(e.polarity) + '\n';
    }
    return text;
}

QString samplePath(const QString& name) {
    return QDir(QStringLiteral(OSTREL_SHARED_DIR "/samples")).filePath(name);
}

}  // namespace

class TestSdkRawTool : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void infoAgreesWithSampleFigures_data();
    void infoAgreesWithSampleFigures();
    void dumpPrintsEveryEvent();
    void dumpWindows_data();
    void dumpWindows();
    void dumpTriggers();
    void infoOnRecordingWithoutEvents();
    void badInputFailsWithOneLine_data();
    void badInputFailsWithOneLine();
    void helpSaysItAll();

private:
    QTemporaryDir dir;
    QString recording;
    std::vector<korvane::Event2D> events;
};

void TestSdkRawTool::initTestCase() {
    QVERIFY(dir.isValid());
    events = syntheticEvents(4, 20000, 1000000);
    korvane::RawFileWriter writer;
    recording = dir.filePath("made.raw");
    QVERIFY(writer.open(recording.toStdString(), 1280, 720, "TOOL-7"));
    QVERIFY(writer.write(events.data(), events.size()));
    QVERIFY(writer.close());
}

void TestSdkRawTool::infoAgreesWithSampleFigures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("expected");
    if (!QFile::exists(samplePath("evt3_sample.raw"))) {
        QSKIP("the sample recordings are not here");
    }
    QTest::newRow("evt3_sample") << "evt3_sample.raw"
                                 << QStringList{"format: EVT3",
                                                "width: 1280",
                                                "height: 720",
                                                "events: 219596",
                                                "positive: 115532",
                                                "negative: 104064",
                                                "triggers: 0",
                                                "first_timestamp_us: 11718656",
                                                "last_timestamp_us: 11727457",
                                                "duration_us: 8801",
                                                "min_x: 0",
                                                "max_x: 1279",
                                                "min_y: 0",
                                                "max_y: 719",
                                                "skipped_words: 0",
                                                "dropped_events: 0",
                                                "header_evt: 3.0",
                                                "header_serial_number: 00000307"};
    QTest::newRow("evt3_pedestrians") << "evt3_pedestrians.raw"
                                      << QStringList{"format: EVT3",
                                                     "events: 5000",
                                                     "positive: 2894",
                                                     "negative: 2106",
                                                     "first_timestamp_us: 5840504",
                                                     "last_timestamp_us: 5885714",
                                                     "min_x: 11",
                                                     "max_x: 1279",
                                                     "min_y: 22",
                                                     "max_y: 698"};
    QTest::newRow("evt2_sample") << "evt2_sample.raw"
                                 << QStringList{"format: EVT2",
                                                "width: 640",
                                                "height: 480",
                                                "events: 539481",
                                                "positive: 367855",
                                                "negative: 171626",
                                                "first_timestamp_us: 1317888",
                                                "last_timestamp_us: 1367888",
                                                "min_timestamp_us: 1317888",
                                                "max_timestamp_us: 1367888",
                                                "min_x: 60",
                                                "max_x: 599",
                                                "min_y: 18",
                                                "max_y: 475",
                                                "event_rate_hz: 10789620.0",
                                                "header_evt: 2.0"};
}

void TestSdkRawTool::infoAgreesWithSampleFigures() {
    QFETCH(QString, name);
    QFETCH(QStringList, expected);
    const Run run = runTool({"info", samplePath(name)});
    QCOMPARE(run.status, 0);
    const QMap<QString, QString> values = keyValues(run.out);
    for (const QString& pair : expected) {
        const QString key = pair.section(": ", 0, 0);
        QCOMPARE(key + ": " + values.value(key, "<missing>"), pair);
    }
}

void TestSdkRawTool::dumpPrintsEveryEvent() {
    const Run run = runTool({"dump", recording});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, csv(events));
    if (QFile::exists(samplePath("evt3_sample.raw"))) {
        const Run sample = runTool({"dump", samplePath("evt3_sample.raw")});
        QCOMPARE(sample.status, 0);
        QCOMPARE(sample.out.count('\n'), 219597);
        QVERIFY(sample.out.startsWith("t,x,y,p\n11718656,874,200,0\n11718656,806,200,1\n"));
    }
}

void TestSdkRawTool::dumpWindows_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<quint64>("from");
    QTest::addColumn<quint64>("duration");
    QTest::addColumn<int>("limit");
    const quint64 all = std::numeric_limits<quint64>::max();
    QTest::newRow("from the middle")
        << QStringList{"--from", "1010000"} << quint64(1010000) << all << -1;
    QTest::newRow("from and duration") << QStringList{"--from", "1010000", "--duration", "33333"}
                                       << quint64(1010000) << quint64(33333) << -1;
    QTest::newRow("duration from the start")
        << QStringList{"--duration", "5000"} << quint64(1000000) << quint64(5000) << -1;
    QTest::newRow("limit") << QStringList{"--limit", "17"} << quint64(0) << all << 17;
    QTest::newRow("limit zero") << QStringList{"--limit", "0"} << quint64(0) << all << 0;
    QTest::newRow("largest duration")
        << QStringList{"--from", "1000500", "--duration", "18446744073709551615"}
        << quint64(1000500) << all << -1;
    QTest::newRow("from after the end")
        << QStringList{"--from", "99999999999"} << quint64(99999999999) << all << -1;
}

void TestSdkRawTool::dumpWindows() {
    QFETCH(QStringList, options);
    QFETCH(quint64, from);
    QFETCH(quint64, duration);
    QFETCH(int, limit);
    std::vector<korvane::Event2D> expected = eventsBetween(events, from, duration);
    if (limit >= 0) {
        expected.resize(static_cast<std::size_t>(limit));
    }
    const Run run = runTool(QStringList{"dump", recording} + options);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, csv(expected));
}

void TestSdkRawTool::dumpTriggers() {
    const QString path = writeFile(
        dir.filePath("triggers.raw"),
        evt2Header() + evt2Bytes({evt2::timeHigh(5), evt2::trigger(7, 31, 1), evt2::cd(1, 8, 1, 1),
                                  evt2::timeHigh(100000), evt2::trigger(63, 0, 0)}));
    const Run run = runTool({"dump", path, "--triggers"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray("t,id,value\n327,31,1\n6400063,0,0\n"));
    const Run late = runTool({"dump", path, "--triggers", "--from", "328"});
    QCOMPARE(late.out, QByteArray("t,id,value\n6400063,0,0\n"));
    QCOMPARE(keyValues(runTool({"info", path}).out).value("triggers"), QString("2"));
}

void TestSdkRawTool::infoOnRecordingWithoutEvents() {
    const QString path = writeFile(dir.filePath("none.raw"), evt3Header());
    const Run run = runTool({"info", path});
    QCOMPARE(run.status, 0);
    const QMap<QString, QString> values = keyValues(run.out);
    QCOMPARE(values.value("events"), QString("0"));
    QCOMPARE(values.value("first_timestamp_us"), QString("-"));
    QCOMPARE(values.value("event_rate_hz"), QString("0.0"));
    QCOMPARE(runTool({"dump", path}).out, QByteArray("t,x,y,p\n"));
}

void TestSdkRawTool::badInputFailsWithOneLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("mentions");
    const QString notRaw = writeFile(dir.filePath("text.raw"), "hello\n");
    QTest::newRow("no command") << QStringList{} << "command";
    QTest::newRow("unknown command") << QStringList{"play", recording} << "play";
    QTest::newRow("info without file") << QStringList{"info"} << "FILE";
    QTest::newRow("info with two files") << QStringList{"info", recording, recording} << "FILE";
    QTest::newRow("missing file") << QStringList{"info", dir.filePath("nope.raw")}
                                  << "no such file";
    QTest::newRow("directory") << QStringList{"dump", dir.path()} << "directory";
    QTest::newRow("not a recording") << QStringList{"info", notRaw} << "not a readable";
    QTest::newRow("unknown option") << QStringList{"dump", recording, "--fast"} << "--fast";
    QTest::newRow("option without value") << QStringList{"dump", recording, "--from"} << "--from";
    QTest::newRow("negative number")
        << QStringList{"dump", recording, "--duration", "-5"} << "--duration";
    QTest::newRow("number with unit")
        << QStringList{"dump", recording, "--from", "5ms"} << "--from";
    QTest::newRow("number too large")
        << QStringList{"dump", recording, "--limit", "18446744073709551616"} << "--limit";
    QTest::newRow("info takes no options")
        << QStringList{"info", recording, "--limit", "3"} << "--limit";
}

void TestSdkRawTool::badInputFailsWithOneLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, mentions);
    const Run run = runTool(arguments);
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY2(run.err.startsWith("ostrel-raw: "), run.err.constData());
    QVERIFY2(run.err.contains(mentions.toUtf8()), run.err.constData());
}

void TestSdkRawTool::helpSaysItAll() {
    const Run run = runTool({"--help"});
    QCOMPARE(run.status, 0);
    for (const char* word : {"info", "dump", "--from", "--duration", "--limit", "--triggers",
                             "t,x,y,p", "t,id,value", "status 1", "event_rate_hz"}) {
        QVERIFY2(run.out.contains(word), word);
    }
}

QTEST_GUILESS_MAIN(TestSdkRawTool)
#include "tst_sdk_raw_tool.moc"
