#include <QtTest>

#include "CameraTestSupport.h"

using namespace korvane;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run ostrelRaw(const QStringList& arguments) {
    QProcess process;
    process.start(OSTREL_RAW_TOOL, arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString infoValue(const QString& info, const QString& key) {
    for (const QString& line : info.split('\n')) {
        if (line.startsWith(key + ": ")) {
            return line.mid(key.size() + 2);
        }
    }
    return {};
}

}  // namespace

// `ostrel-raw generate` as a user runs it, read back with the same tool's info and dump.
class TestGenerateCommand : public QObject {
    Q_OBJECT

private slots:
    void generateThenInfoAndDump();
    void repeatedBiasesAllApply();
    void badCommandLines_data();
    void badCommandLines();

private:
    QTemporaryDir folder;
};

void TestGenerateCommand::generateThenInfoAndDump() {
    const QString file = folder.filePath("sample.raw");
    const Run generate =
        ostrelRaw({"generate", file, "--seconds", "0.25", "--camera", "KVSIM-02"});
    QCOMPARE(generate.status, 0);
    QRegularExpression summary("^wrote .*: (\\d+) events over 250000 us\\n$");
    const QRegularExpressionMatch match = summary.match(generate.out);
    QVERIFY2(match.hasMatch(), qPrintable(generate.out));
    const QString count = match.captured(1);

    const Run info = ostrelRaw({"info", file});
    QCOMPARE(info.status, 0);
    QCOMPARE(infoValue(info.out, "events"), count);
    QCOMPARE(infoValue(info.out, "header_serial_number"), QString("KVSIM-02"));
    QCOMPARE(infoValue(info.out, "dropped_events"), QString("0"));

    std::vector<Event2D> events;
    QVERIFY(decodeRecording(file.toStdString(), events));
    QCOMPARE(QString::number(events.size()), count);
    const Run dump = ostrelRaw({"dump", file});
    QCOMPARE(dump.status, 0);
    const QStringList lines = dump.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), int(events.size()) + 1);
    QCOMPARE(lines.front(), QString("t,x,y,p"));
    for (std::size_t i = 0; i < events.size(); i += 997) {
        const Event2D& event = events[i];
        QCOMPARE(lines[int(i) + 1], QString("%1,%2,%3,%4")
                                        .arg(event.timestamp)
                                        .arg(event.x)
                                        .arg(event.y)
                                        .arg(event.polarity));
    }
}

void TestGenerateCommand::repeatedBiasesAllApply() {
    const Run plain = ostrelRaw({"generate", folder.filePath("plain.raw"), "--seconds", "0.2"});
    const Run dull = ostrelRaw({"generate", folder.filePath("dull.raw"), "--seconds", "0.2",
                                "--bias", "contrast_on=100", "--bias", "contrast_off=100"});
    const Run half = ostrelRaw(
        {"generate", folder.filePath("half.raw"), "--seconds", "0.2", "--bias", "contrast_on=100"});
    QCOMPARE(plain.status, 0);
    QCOMPARE(dull.status, 0);
    QCOMPARE(half.status, 0);
    const auto events = [](const Run& run) { return run.out.section(' ', 2, 2).toULongLong(); };
    QVERIFY(events(dull) < events(half));
    QVERIFY(events(half) < events(plain));
}

void TestGenerateCommand::badCommandLines_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("no seconds") << QStringList{"generate", "out.raw"} << "--seconds";
    QTest::newRow("no file") << QStringList{"generate", "--seconds", "1"} << "OUT";
    QTest::newRow("two files") << QStringList{"generate", "a.raw", "b.raw", "--seconds", "1"}
                               << "one OUT";
    QTest::newRow("seconds not a number")
        << QStringList{"generate", "o.raw", "--seconds", "2s"} << "\"2s\"";
    QTest::newRow("zero seconds") << QStringList{"generate", "o.raw", "--seconds", "0"}
                                  << "seconds";
    QTest::newRow("option without value")
        << QStringList{"generate", "o.raw", "--camera"} << "needs a value";
    QTest::newRow("unknown option") << QStringList{"generate", "o.raw", "--fast"} << "--fast";
    QTest::newRow("bias without value")
        << QStringList{"generate", "o.raw", "--seconds", "1", "--bias", "noise"} << "NAME=VALUE";
    QTest::newRow("bias without name")
        << QStringList{"generate", "o.raw", "--seconds", "1", "--bias", "=3"} << "NAME=VALUE";
    QTest::newRow("unknown camera lists the cameras")
        << QStringList{"generate", "o.raw", "--seconds", "1", "--camera", "X"} << "KVSIM-01";
    QTest::newRow("folder missing")
        << QStringList{"generate", "missing/o.raw", "--seconds", "1"} << "cannot create";
    QTest::newRow("value out of type")
        << QStringList{"generate", "o.raw", "--seconds", "1", "--bias", "flip_x=yes"} << "flip_x";
}

void TestGenerateCommand::badCommandLines() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, complaint);
    for (QString& argument : arguments) {
        if (argument.endsWith(".raw")) {
            argument = folder.filePath(argument);
        }
    }
    const Run run = ostrelRaw(arguments);
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.startsWith("ostrel-raw: ") && run.err.count('\n') == 1, qPrintable(run.err));
    QVERIFY2(run.err.contains(complaint), qPrintable(run.err));
    QVERIFY(!QFile::exists(folder.filePath("o.raw")));
}

QTEST_GUILESS_MAIN(TestGenerateCommand)
#include "tst_generatecommand.moc"
