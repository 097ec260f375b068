#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "RawTestFiles.h"
#include "korvane/DvsFileReader.h"

namespace {

// Two events, (1, 2, on) and (3, 2, off), at time 0x5000 + 7.
QByteArray evt3Data() {
    return evt3Bytes({evt3::timeHigh(5), evt3::timeLow(7), evt3::addrY(2), evt3::addrX(1, 1),
                      evt3::addrX(0, 3)});
}

// The same two events in EVT 2.0; its first bytes happen to read "% ".
QByteArray evt2Data() {
    return evt2Bytes({0x80002025u, evt2::cd(1, 7, 1, 2), evt2::cd(0, 7, 3, 2)});
}

}  // namespace

class TestSdkRawHeader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void acceptsRecordings_data();
    void acceptsRecordings();
    void rejectsWhatIsNoRecording_data();
    void rejectsWhatIsNoRecording();
    void rejectsPathsThatAreNoFiles();
    void rejectsUnreadableFile();
    void keepsHeaderEntriesInOrder();
    void sizeFromLargestCoordinatesWhenHeaderHasNone();

private:
    QTemporaryDir dir;
};

void TestSdkRawHeader::initTestCase() {
    QVERIFY(dir.isValid());
}

void TestSdkRawHeader::acceptsRecordings_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("format");
    QTest::addColumn<uint>("width");
    QTest::addColumn<uint>("height");
    QTest::addColumn<quint64>("events");

    QTest::newRow("older evt3 header, size from plugin name")
        << "% Date 2020-09-25 07:48:29\n% evt 3.0\n% plugin_name hal_plugin_gen41_evk3\n"
           "% serial_number 00000307\n" +
               evt3Data()
        << "EVT3" << 1280u << 720u << quint64(2);
    QTest::newRow("older evt2 header with evt last")
        << "% Date 2020-09-14 09:03:25\n% plugin_name hal_plugin_gen3_fx3\n% evt 2.0\n" +
               evt2Bytes({evt2::timeHigh(5), evt2::cd(1, 7, 1, 2)})
        << "EVT2" << 640u << 480u << quint64(1);
    QTest::newRow("imx636 plugin")
        << "% evt 3.0\n% plugin_name hal_plugin_imx636_evk4\n" + evt3Data() << "EVT3" << 1280u
        << 720u << quint64(2);
    QTest::newRow("gen31 plugin") << "% plugin_name hal_plugin_gen31_evk2\n% evt 3.0\n" + evt3Data()
                                  << "EVT3" << 640u << 480u << quint64(2);
    QTest::newRow("format first, then evt")
        << "% format EVT3;height=720;width=1280\n% evt 3.0\n% end\n" + evt3Data() << "EVT3" << 1280u
        << 720u << quint64(2);
    QTest::newRow("evt first, then format with width first")
        << "% evt 3.0\n% format EVT3;width=640;height=480\n% end\n" + evt3Data() << "EVT3" << 640u
        << 480u << quint64(2);
    QTest::newRow("format decides over evt")
        << "% evt 3.0\n% format EVT2;height=480;width=640\n% end\n" + evt2Data() << "EVT2" << 640u
        << 480u << quint64(2);
    QTest::newRow("format size over geometry over plugin")
        << "% plugin_name gen41\n% geometry 320x240\n% format EVT3;height=100;width=200\n" +
               evt3Data()
        << "EVT3" << 200u << 100u << quint64(2);
    QTest::newRow("geometry when format has no size")
        << "% format EVT3\n% geometry 320x240\n% end\n" + evt3Data() << "EVT3" << 320u << 240u
        << quint64(2);
    QTest::newRow("keys in any case, CRLF lines")
        << "% EVT 3.0\r\n% Geometry 1280x720\r\n% END\r\n" + evt3Data() << "EVT3" << 1280u << 720u
        << quint64(2);
    QTest::newRow("end followed by data that begins with '% '")
        << "% evt 2.0\n% geometry 640x480\n% end\n" + evt2Data() << "EVT2" << 640u << 480u
        << quint64(2);
    QTest::newRow("evt3 data at an odd offset")
        << "% evt 3.0\n% geometry 1280x720\n% xy\n% end\n" + evt3Data() << "EVT3" << 1280u << 720u
        << quint64(2);
    QTest::newRow("header only") << QByteArray("% evt 3.0\n% geometry 1280x720\n% end\n") << "EVT3"
                                 << 1280u << 720u << quint64(0);
    QTest::newRow("last header line without newline")
        << QByteArray("% geometry 1280x720\n% evt 3.0") << "EVT3" << 1280u << 720u << quint64(0);
}

void TestSdkRawHeader::acceptsRecordings() {
    QFETCH(QByteArray, file);
    QFETCH(QString, format);
    QFETCH(uint, width);
    QFETCH(uint, height);
    QFETCH(quint64, events);
    const QString path = writeFile(dir.filePath("ok.raw"), file);
    auto reader = korvane::RawFileReader::open(path.toStdString());
    QVERIFY(reader);
    QCOMPARE(QString::fromStdString(reader->info().format), format);
    QCOMPARE(reader->info().width, width);
    QCOMPARE(reader->info().height, height);
    QVERIFY(reader->loadFile());
    QCOMPARE(reader->info().events, events);
    QCOMPARE(reader->info().skippedWords(), std::uint64_t{0});
    if (events == 2) {
        const bool isEvt3 = format == "EVT3";
        const std::uint64_t t = isEvt3 ? 0x5007 : (0x2025 << 6) + 7;
        COMPARE_EVENTS(allEvents(*reader),
                       (std::vector<korvane::Event2D>{{1, 2, 1, t}, {3, 2, 0, t}}));
    }
}

void TestSdkRawHeader::rejectsWhatIsNoRecording_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("no header") << evt3Data();
    QTest::newRow("header without encoding") << "% date 2024-01-31 15:45:00\n% end\n" + evt3Data();
    QTest::newRow("evt 2.1") << "% evt 2.1\n" + evt3Data();
    QTest::newRow("format EVT21 even with evt 3.0")
        << "% evt 3.0\n% format EVT21;height=720;width=1280\n% end\n" + evt3Data();
    QTest::newRow("histogram format") << "% format HISTO3D;height=720;width=1280\n" + evt3Data();
    QTest::newRow("percent without space") << "%evt 3.0\n" + evt3Data();
    QByteArray endless;
    while (endless.size() <= 1100000) {
        endless += "% comment that goes on and on\n";
    }
    QTest::newRow("header longer than a megabyte") << "% evt 3.0\n" + endless + evt3Data();
}

void TestSdkRawHeader::rejectsWhatIsNoRecording() {
    QFETCH(QByteArray, file);
    const QString path = writeFile(dir.filePath("bad.raw"), file);
    QVERIFY(QFile::exists(path));
    QVERIFY(!korvane::DvsFileReader::createFileReader(path.toStdString()));
}

void TestSdkRawHeader::rejectsPathsThatAreNoFiles() {
    QVERIFY(!korvane::DvsFileReader::createFileReader(dir.filePath("missing.raw").toStdString()));
    QVERIFY(!korvane::DvsFileReader::createFileReader(dir.path().toStdString()));
    QVERIFY(!korvane::DvsFileReader::createFileReader(std::string()));
}

void TestSdkRawHeader::rejectsUnreadableFile() {
    const QString locked = writeFile(dir.filePath("locked.raw"), "% evt 3.0\n" + evt3Data());
    QFile::setPermissions(locked, QFileDevice::Permissions());
    QFile probe(locked);
    if (probe.open(QIODevice::ReadOnly)) {
        QSKIP("running with rights that read any file");
    }
    QVERIFY(!korvane::DvsFileReader::createFileReader(locked.toStdString()));
}

void TestSdkRawHeader::keepsHeaderEntriesInOrder() {
    const QByteArray header =
        "% Date 2024-01-31 15:45:00\n% evt 3.0\n% serial_number A B;C\n% lonely\n% end\n";
    const QString path = writeFile(dir.filePath("entries.raw"), header + "% not header\n");
    auto reader = korvane::RawFileReader::open(path.toStdString());
    QVERIFY(reader);
    const std::vector<std::pair<std::string, std::string>> expected{{"Date", "2024-01-31 15:45:00"},
                                                                    {"evt", "3.0"},
                                                                    {"serial_number", "A B;C"},
                                                                    {"lonely", ""}};
    QVERIFY(reader->info().headerEntries == expected);
    QCOMPARE(reader->info().dataOffset, std::uint64_t(header.size()));
}

void TestSdkRawHeader::sizeFromLargestCoordinatesWhenHeaderHasNone() {
    const QString path = writeFile(
        dir.filePath("nosize.raw"),
        "% evt 3.0\n" + evt3Bytes({evt3::timeHigh(0), evt3::timeLow(0), evt3::addrY(1500),
                                   evt3::addrX(0, 2000), evt3::addrY(3), evt3::addrX(1, 5)}));
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    QVERIFY(!reader->info().geometryFromHeader);
    QCOMPARE(reader->info().width, 2001u);
    QCOMPARE(reader->info().height, 1501u);
    QCOMPARE(reader->info().events, std::uint64_t{2});
    QCOMPARE(reader->info().droppedEvents(), std::uint64_t{0});
}

QTEST_APPLESS_MAIN(TestSdkRawHeader)
#include "tst_sdk_raw_header.moc"
