#include <QtTest>

#include <atomic>
#include <random>
#include <stdexcept>
#include <thread>

#include "HelperThread.h"
#include "korvane/DvsFileReader.h"
#include "korvane/RawFileWriter.h"
#include "support/RawRecordings.h"

namespace {

using namespace evt3;
using evt2::cd;

// Events at increasing times from start, stepping by step, on a diagonal.
Events spaced(std::uint64_t start, std::uint64_t step, int count) {
    Events events;
    for (int i = 0; i < count; ++i) {
        events.emplace_back(i % 1280, i % 720, i % 2, start + step * static_cast<std::uint64_t>(i));
    }
    return events;
}

Events joined(std::initializer_list<Events> parts) {
    Events all;
    for (const Events& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Written in batches of ever-changing size, as a camera hands them over.
bool record(korvane::RawFileWriter& writer, const QString& path, const Events& events,
            const korvane::RawWriterOptions& options) {
    bool ok = writer.open(path.toStdString(), 1280, 720, options);
    for (std::size_t done = 0, step = 1; ok && done < events.size();
         done += step, step = step * 3 % 4097 + 1) {
        ok = writer.write(events.data() + done, std::min(step, events.size() - done));
    }
    return ok && writer.close();
}

// Read from the file with the usual index chunks, or from memory with chunks of chunkBytes.
std::unique_ptr<korvane::RawFileReader> openInChunks(const QString& path, int chunkBytes) {
    QFile file(path);
    if (chunkBytes == 0 || !file.open(QIODevice::ReadOnly)) {
        return openLoaded(path);
    }
    const QByteArray bytes = file.readAll();
    auto reader = korvane::RawFileReader::openMemory({bytes.begin(), bytes.end()}, chunkBytes);
    return reader && reader->loadFile() ? std::move(reader) : nullptr;
}

}  // namespace

class TestSdkRaw : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void readsHandMadeFiles_data();
    void readsHandMadeFiles();
    void windowsMatchFullDecode_data();
    void windowsMatchFullDecode();
    void readsFromAStartAndGoesOn_data();
    void readsFromAStartAndGoesOn();
    void writerRoundTrip_data();
    void writerRoundTrip();
    void writerFileIsReadableWhileRecording();
    void writerHeaderAndMisuse();
    void helperThreadRunsBesideItsOwner();

private:
    QTemporaryDir dir;
    Events ordered;
    Events steppingBack;
};

void TestSdkRaw::initTestCase() {
    ordered = sensorStream(11, 200000, 20000000);
    // A second recording appended whose clock starts earlier: time steps back once, by less
    // than a wrap, so windows must gather events from both halves.
    steppingBack = sensorStream(12, 100000, 5000000);
    const Events second = sensorStream(13, 100000, steppingBack.back().timestamp - 1000000);
    steppingBack.insert(steppingBack.end(), second.begin(), second.end());
    for (const auto format : {korvane::RawFormat::Evt3, korvane::RawFormat::Evt2}) {
        const QString suffix = format == korvane::RawFormat::Evt3 ? "-evt3.raw" : "-evt2.raw";
        korvane::RawFileWriter writer;
        QVERIFY(record(writer, dir.filePath("ordered" + suffix), ordered, {format, {}, true}));
        // Without vector words an EVT 3.0 event takes 2 bytes and more.
        QVERIFY(format == korvane::RawFormat::Evt2 || writer.bytesWritten() < 2 * ordered.size());
        QVERIFY(record(writer, dir.filePath("back" + suffix), steppingBack, {format, {}, true}));
    }
}

void TestSdkRaw::readsHandMadeFiles_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("format");  // empty: refused
    QTest::addColumn<QSize>("size");
    QTest::addColumn<Events>("events");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<Triggers>("triggers");
    const QByteArray two3 =
        littleEndian<std::uint16_t>({timeHigh(5), timeLow(7), addrY(2), addrX(1, 1), addrX(0, 3)});
    const Events e3{{1, 2, 1, 0x5007}, {3, 2, 0, 0x5007}};
    // The same two events in EVT 2.0; its first bytes happen to read "% ".
    const QByteArray two2 =
        littleEndian<std::uint32_t>({0x80002025u, cd(1, 7, 1, 2), cd(0, 7, 3, 2)});
    const Events e2{{1, 2, 1, (0x2025 << 6) + 7}, {3, 2, 0, (0x2025 << 6) + 7}};
    const QSize big(1280, 720), small(640, 480);
    const Damage none{};
    // clang-format off
    QTest::newRow("older evt3 header, size from plugin name") << "% Date 2020-09-25 07:48:29\n% evt 3.0\n% plugin_name hal_plugin_gen41_evk3\n% serial_number 00000307\n" + two3 << "EVT3" << big << e3 << none << Triggers();
    QTest::newRow("older evt2 header with evt last") << "% Date 2020-09-14 09:03:25\n% plugin_name hal_plugin_gen3_fx3\n% evt 2.0\n" + littleEndian<std::uint32_t>({evt2::timeHigh(5), cd(1, 7, 1, 2)}) << "EVT2" << small << Events{{1, 2, 1, 327}} << none << Triggers();
    QTest::newRow("imx636 plugin") << "% evt 3.0\n% plugin_name hal_plugin_imx636_evk4\n" + two3 << "EVT3" << big << e3 << none << Triggers();
    QTest::newRow("gen31 plugin") << "% plugin_name hal_plugin_gen31_evk2\n% evt 3.0\n" + two3 << "EVT3" << small << e3 << none << Triggers();
    QTest::newRow("format first, then evt") << "% format EVT3;height=720;width=1280\n% evt 3.0\n% end\n" + two3 << "EVT3" << big << e3 << none << Triggers();
    QTest::newRow("format with width first") << "% evt 3.0\n% format EVT3;width=640;height=480\n% end\n" + two3 << "EVT3" << small << e3 << none << Triggers();
    QTest::newRow("format decides over evt") << "% evt 3.0\n% format EVT2;height=480;width=640\n% end\n" + two2 << "EVT2" << small << e2 << none << Triggers();
    QTest::newRow("format size over geometry over plugin") << "% plugin_name gen41\n% geometry 320x240\n% format EVT3;height=100;width=200\n" + two3 << "EVT3" << QSize(200, 100) << e3 << none << Triggers();
    QTest::newRow("geometry when format has no size") << "% format EVT3\n% geometry 320x240\n% end\n" + two3 << "EVT3" << QSize(320, 240) << e3 << none << Triggers();
    QTest::newRow("keys in any case, CRLF lines") << "% EVT 3.0\r\n% Geometry 1280x720\r\n% END\r\n" + two3 << "EVT3" << big << e3 << none << Triggers();
    QTest::newRow("end followed by data that begins with '% '") << "% evt 2.0\n% geometry 640x480\n% end\n" + two2 << "EVT2" << small << e2 << none << Triggers();
    QTest::newRow("evt3 data at an odd offset") << "% evt 3.0\n% geometry 1280x720\n% xy\n% end\n" + two3 << "EVT3" << big << e3 << none << Triggers();
    QTest::newRow("header only") << QByteArray("% evt 3.0\n% geometry 1280x720\n% end\n") << "EVT3" << big << Events() << none << Triggers();
    QTest::newRow("last header line without newline") << QByteArray("% geometry 1280x720\n% evt 3.0") << "EVT3" << big << Events() << none << Triggers();
    QTest::newRow("no size: largest coordinates") << "% evt 3.0\n" + littleEndian<std::uint16_t>({timeHigh(0), timeLow(0), addrY(1500), addrX(0, 2000), addrY(3), addrX(1, 5)}) << "EVT3" << QSize(2001, 1501) << Events{{2000, 1500, 0, 0}, {5, 3, 1, 0}} << none << Triggers();
    QTest::newRow("refused: empty file") << QByteArray() << "" << QSize() << Events() << none << Triggers();
    QTest::newRow("refused: no header") << two3 << "" << QSize() << Events() << none << Triggers();
    QTest::newRow("refused: header without encoding") << "% date 2024-01-31 15:45:00\n% end\n" + two3 << "" << QSize() << Events() << none << Triggers();
    QTest::newRow("refused: evt 2.1") << "% evt 2.1\n" + two3 << "" << QSize() << Events() << none << Triggers();
    QTest::newRow("refused: format EVT21 over evt 3.0") << "% evt 3.0\n% format EVT21;height=720;width=1280\n% end\n" + two3 << "" << QSize() << Events() << none << Triggers();
    QTest::newRow("refused: histogram format") << "% format HISTO3D;height=720;width=1280\n" + two3 << "" << QSize() << Events() << none << Triggers();
    QTest::newRow("refused: percent without space") << "%evt 3.0\n" + two3 << "" << QSize() << Events() << none << Triggers();
    QTest::newRow("refused: header longer than a megabyte") << "% evt 3.0\n% " + QByteArray(1100000, 'c') + "\n" + two3 << "" << QSize() << Events() << none << Triggers();

    QTest::newRow("evt3 reference bytes") << evt3File({0x8b2d, 0x6000, 0x00c8, 0x236a, 0x2b26}) << "EVT3" << big << Events{{874, 200, 0, 11718656}, {806, 200, 1, 11718656}} << none << Triggers();
    QTest::newRow("evt3 empty vector masks still advance the base") << evt3File({timeHigh(0), timeLow(0), 0x0294, 0x3120, 0x4000, 0x4c00, 0x5000, vect8(0x01)}) << "EVT3" << big << Events{{310, 660, 0, 0}, {311, 660, 0, 0}, {320, 660, 0, 0}} << none << Triggers();
    QTest::newRow("evt3 24-bit wrap") << evt3File({timeHigh(0xFFE), timeLow(5), addrY(1), addrX(1, 10), timeHigh(0x001), timeLow(7), addrX(0, 11)}) << "EVT3" << big << Events{{10, 1, 1, 0xFFE005}, {11, 1, 0, (1u << 24) | 0x001007}} << none << Triggers();
    QTest::newRow("evt3 time-high repeat is not a wrap") << evt3File({timeHigh(0x100), timeLow(0), addrY(2), addrX(1, 3), timeHigh(0x100), timeLow(1), addrX(1, 4)}) << "EVT3" << big << Events{{3, 2, 1, 0x100000}, {4, 2, 1, 0x100001}} << none << Triggers();
    QTest::newRow("evt3 drop of exactly 2048 is a step back, not a wrap") << evt3File({timeHigh(0x900), timeLow(0), addrY(2), addrX(1, 3), timeHigh(0x100), timeLow(0), addrX(1, 4)}) << "EVT3" << big << Events{{3, 2, 1, 0x900000}, {4, 2, 1, 0x100000}} << Damage{0, 0, 0, 0, 0, 0, 1} << Triggers();
    QTest::newRow("evt3 backward time-low is not a carry") << evt3File({timeHigh(0x10), timeLow(0x800), addrY(0), addrX(0, 1), timeLow(0x7F0), addrX(0, 2)}) << "EVT3" << big << Events{{1, 0, 0, 0x10800}, {2, 0, 0, 0x107F0}} << none << Triggers();
    QTest::newRow("evt3 time-low keeps the last time-high") << evt3File({timeHigh(1), timeLow(0x20), addrY(0), addrX(0, 1), timeHigh(2), addrX(0, 2)}) << "EVT3" << big << Events{{1, 0, 0, 0x1020}, {2, 0, 0, 0x2020}} << none << Triggers();
    QTest::newRow("evt3 events before the first time-high dropped, their state kept") << evt3File({addrY(5), addrX(0, 1), vectBase(1, 10), vect12(0x5), timeHigh(1), timeLow(0), addrX(0, 2), vect8(0x1)}) << "EVT3" << big << Events{{2, 5, 0, 0x1000}, {22, 5, 1, 0x1000}} << Damage{0, 0, 0, 3, 0, 0, 0} << Triggers();
    QTest::newRow("evt3 vector running past the sensor width") << evt3File({timeHigh(0), timeLow(9), addrY(3), vectBase(0, 1275), vect12(0xFFF), vect8(0xFF)}) << "EVT3" << big << Events{{1275, 3, 0, 9}, {1276, 3, 0, 9}, {1277, 3, 0, 9}, {1278, 3, 0, 9}, {1279, 3, 0, 9}} << Damage{0, 0, 0, 0, 15, 0, 0} << Triggers();
    QTest::newRow("evt3 vect8 junk bits ignored") << evt3File({timeHigh(0), timeLow(1), addrY(4), vectBase(1, 100), vect8(0xF03), vect8(0x001)}) << "EVT3" << big << Events{{100, 4, 1, 1}, {101, 4, 1, 1}, {108, 4, 1, 1}} << none << Triggers();
    QTest::newRow("evt3 truncated vector followed by time-high") << evt3File({timeHigh(0), timeLow(1), addrY(4), vectBase(0, 50), vect12(0x001), timeHigh(1), timeLow(0), vect12(0x001), addrX(1, 7)}) << "EVT3" << big << Events{{50, 4, 0, 1}, {62, 4, 0, 0x1000}, {7, 4, 1, 0x1000}} << none << Triggers();
    QTest::newRow("evt3 others and continued words skipped") << evt3File({timeHigh(0), timeLow(1), addrY(4), 0xE123, 0x7ABC, 0xF456, addrX(1, 7)}) << "EVT3" << big << Events{{7, 4, 1, 1}} << Damage{0, 3, 0, 0, 0, 0, 0} << Triggers();
    QTest::newRow("evt3 reserved types skipped") << evt3File({timeHigh(0), timeLow(1), 0x1FFF, addrY(4), 0x9000, 0xB123, 0xC001, 0xDFFF, addrX(1, 7)}) << "EVT3" << big << Events{{7, 4, 1, 1}} << Damage{5, 0, 0, 0, 0, 0, 0} << Triggers();
    QTest::newRow("evt3 x and y beyond the sensor dropped") << evt3File({timeHigh(0), timeLow(1), addrY(720), addrX(0, 5), addrY(10), addrX(0, 1280), addrX(1, 1279), addrY(2047), vectBase(0, 0), vect12(0x3)}) << "EVT3" << big << Events{{1279, 10, 1, 1}} << Damage{0, 0, 0, 0, 4, 0, 0} << Triggers();
    QTest::newRow("evt3 partial trailing word") << evt3File({timeHigh(0), timeLow(1), addrY(4), addrX(1, 7)}) + '\x12' << "EVT3" << big << Events{{7, 4, 1, 1}} << Damage{0, 0, 1, 0, 0, 0, 0} << Triggers();
    QTest::newRow("evt3 triggers") << evt3File({trigger(2, 1), timeHigh(3), timeLow(4), trigger(15, 1), addrY(1), addrX(0, 1), timeLow(9), trigger(0, 0)}) << "EVT3" << big << Events{{1, 1, 0, 0x3004}} << Damage{0, 0, 0, 0, 0, 1, 0} << Triggers{{0x3004, 15, 1}, {0x3009, 0, 0}};
    QTest::newRow("evt2 reference bytes") << evt2File({0x80005070, 0x10076879}) << "EVT2" << small << Events{{237, 121, 1, 1317888}} << none << Triggers();
    QTest::newRow("evt2 34-bit rollover") << evt2File({evt2::timeHigh(0x0FFFFFFF), cd(1, 63, 5, 6), evt2::timeHigh(0x1), cd(0, 2, 7, 8)}) << "EVT2" << small << Events{{5, 6, 1, (std::uint64_t{1} << 34) - 1}, {7, 8, 0, (std::uint64_t{1} << 34) + 64 + 2}} << none << Triggers();
    QTest::newRow("evt2 time-high step back is not a rollover") << evt2File({evt2::timeHigh(1000), cd(1, 0, 5, 6), evt2::timeHigh(900), cd(1, 1, 5, 6)}) << "EVT2" << small << Events{{5, 6, 1, 64000}, {5, 6, 1, 57601}} << Damage{0, 0, 0, 0, 0, 0, 1} << Triggers();
    QTest::newRow("evt2 events before the first time-high dropped") << evt2File({cd(1, 0, 5, 6), evt2::trigger(0, 1, 1), evt2::timeHigh(2), cd(0, 3, 5, 6)}) << "EVT2" << small << Events{{5, 6, 0, 131}} << Damage{0, 0, 0, 1, 0, 1, 0} << Triggers();
    QTest::newRow("evt2 reserved, vendor and out-of-sensor words") << evt2File({evt2::timeHigh(0), 0x20000000, 0x30000000, 0x40000000, 0x50000000, 0x60000000, 0x70000000, 0x90000000, 0xB0000000, 0xC0000000, 0xD0000000, 0xE0000000, 0xF0000000, cd(1, 1, 640, 0), cd(1, 1, 0, 480), cd(1, 1, 639, 479)}) << "EVT2" << small << Events{{639, 479, 1, 1}} << Damage{10, 2, 0, 0, 2, 0, 0} << Triggers();
    QTest::newRow("evt2 partial trailing word") << evt2File({evt2::timeHigh(0), cd(0, 4, 1, 1)}) + "\x01\x02\x03" << "EVT2" << small << Events{{1, 1, 0, 4}} << Damage{0, 0, 1, 0, 0, 0, 0} << Triggers();
    QTest::newRow("evt2 triggers") << evt2File({evt2::trigger(1, 2, 1), evt2::timeHigh(5), evt2::trigger(7, 31, 1), cd(1, 8, 1, 1), evt2::trigger(63, 0, 0)}) << "EVT2" << small << Events{{1, 1, 1, 328}} << Damage{0, 0, 0, 0, 0, 1, 0} << Triggers{{327, 31, 1}, {383, 0, 0}};
    // clang-format on
}

void TestSdkRaw::readsHandMadeFiles() {
    QFETCH(QByteArray, file);
    QFETCH(QString, format);
    QFETCH(QSize, size);
    QFETCH(Events, events);
    QFETCH(Damage, damage);
    QFETCH(Triggers, triggers);
    const QString path = writeFile(dir.filePath("made.raw"), file);
    if (format.isEmpty()) {
        QVERIFY(!path.isEmpty() && !korvane::DvsFileReader::createFileReader(path.toStdString()));
        return;
    }
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    const korvane::RawFileInfo& info = reader->info();
    QCOMPARE(QString::fromStdString(info.format), format);
    QCOMPARE(QSize(int(info.width), int(info.height)), size);
    COMPARE_EVENTS(allEvents(*reader), events);
    QCOMPARE(info.events, std::uint64_t(events.size()));
    QCOMPARE(info.positive, std::uint64_t(std::count_if(events.begin(), events.end(),
                                                        [](auto& e) { return e.polarity; })));
    QVERIFY(damageOf(info) == damage);
    // The totals the overlay and info print.
    QCOMPARE(info.skippedWords(), damage[0] + damage[1] + damage[2]);
    QCOMPARE(info.droppedEvents(), damage[3] + damage[4]);
    QCOMPARE(info.triggers, std::uint64_t(triggers.size()));
    QVERIFY(reader->readTriggersAt(0, noEnd) == triggers);
    // A window from one edge up to the next holds that edge alone.
    for (std::size_t i = 0; i < triggers.size(); ++i) {
        const std::uint64_t next = i + 1 < triggers.size() ? triggers[i + 1].timestamp : noEnd;
        QVERIFY(reader->readTriggersAt(triggers[i].timestamp, next - triggers[i].timestamp) ==
                Triggers{triggers[i]});
    }
}

void TestSdkRaw::windowsMatchFullDecode_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("chunkBytes");  // 0: read from the file with the usual index
    QTest::newRow("EVT 3.0 in order, from the file") << "ordered-evt3" << 0;
    QTest::newRow("EVT 2.0 stepping back, from the file") << "back-evt2" << 0;
    QTest::newRow("EVT 3.0 stepping back, 64-byte chunks") << "back-evt3" << 64;
    QTest::newRow("EVT 2.0 in order, 100-byte chunks") << "ordered-evt2" << 100;
}

void TestSdkRaw::windowsMatchFullDecode() {
    QFETCH(QString, name);
    QFETCH(int, chunkBytes);
    const bool back = name.startsWith("back");
    const Events& written = back ? steppingBack : ordered;
    const QString path = dir.filePath(name + ".raw");
    const auto reader = openInChunks(path, chunkBytes);
    QVERIFY(reader);
    const Events all = allEvents(*reader);
    COMPARE_EVENTS(all, written);
    const korvane::RawFileInfo& info = reader->info();
    QCOMPARE(info.timeBackwardSteps, std::uint64_t(back));
    QVERIFY(chunkBytes != 0 ||
            (info.dataBytes > 4 * 32768 && info.indexBytes * 100 < info.dataBytes));
    // Starts on, just before and just after events find chunk edges; the longer windows cover
    // whole index chunks and are split over two threads, shorter ones cut through chunks.
    const std::uint64_t last = written.back().timestamp;
    const std::uint64_t lengths[] = {1, 2, 1000, 33333, 400000};
    std::mt19937_64 random(5);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> windows{{0, 1000}, {last + 1, 1}};
    for (int i = 0; i < 150; ++i) {
        windows.emplace_back(all[random() % all.size()].timestamp + random() % 3 - 1,
                             lengths[random() % 5]);
    }
    // A start after the last event in file order is the end of the recording.
    const auto expected = [&](std::uint64_t start, std::uint64_t length) {
        return start <= last ? eventsBetween(all, start, length) : Events();
    };
    // Meanwhile a second reader, with other index chunks, reads them on a thread of its own.
    std::atomic<int> wrongElsewhere{0};
    std::thread other([&] {
        const auto second = openInChunks(path, chunkBytes == 0 ? 256 : 0);
        for (const auto& [start, length] : windows) {
            wrongElsewhere +=
                !second || orEmpty(second->readEventsAt(start, length)) != expected(start, length);
        }
    });
    auto joinOther = qScopeGuard([&] { other.join(); });
    for (const auto& [start, length] : windows) {
        const auto window = reader->readEventsAt(start, length);
        QCOMPARE(bool(window), start <= last);
        COMPARE_EVENTS(orEmpty(window), expected(start, length));
    }
    joinOther.dismiss();
    other.join();
    QCOMPARE(wrongElsewhere.load(), 0);
}

void TestSdkRaw::readsFromAStartAndGoesOn_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("load");
    QTest::addColumn<quint64>("start");
    QTest::addColumn<quint64>("duration");
    const quint64 first = ordered.front().timestamp;
    const quint64 middle = ordered[100000].timestamp;
    const quint64 last = ordered.back().timestamp;
    const QString file = "ordered-evt3.raw";
    writeFile(dir.filePath("empty.raw"), evt3File({timeHigh(1), 0xE000}));
    // clang-format off
    QTest::newRow("long before the start") << file << true << first - 1000000 << quint64(40000);
    QTest::newRow("just before the start") << file << true << first - 1 << quint64(40000);
    QTest::newRow("on the first event") << file << true << first << quint64(40000);
    QTest::newRow("just after an event in the middle") << file << true << middle + 1 << quint64(40000);
    QTest::newRow("on the last event") << file << true << last << quint64(40000);
    QTest::newRow("just after the last event") << file << true << last + 1 << quint64(40000);
    QTest::newRow("zero duration") << file << true << middle << quint64(0);
    QTest::newRow("largest duration") << file << true << first << quint64(noEnd);
    QTest::newRow("end overflows by one") << file << true << middle << quint64(noEnd - middle + 1);
    QTest::newRow("two's complement of -5 ms") << file << true << quint64(ordered[100].timestamp) << quint64(0) - 5000;
    QTest::newRow("largest start") << file << true << quint64(noEnd) << quint64(noEnd);
    QTest::newRow("not loaded yet") << file << false << first << quint64(noEnd);
    QTest::newRow("recording without events") << "empty.raw" << true << quint64(0) << quint64(noEnd);
    // clang-format on
}

// A window read leaves the position at its end, saturated; a seek puts it on the first event at
// or after its time. readEventsFor goes on from there and gives events or nothing.
void TestSdkRaw::readsFromAStartAndGoesOn() {
    QFETCH(QString, file);
    QFETCH(bool, load);
    QFETCH(quint64, start);
    QFETCH(quint64, duration);
    const auto reader = korvane::DvsFileReader::createFileReader(dir.filePath(file).toStdString());
    // Loading twice must not count anything twice.
    QVERIFY(reader && (!load || (reader->loadFile() && reader->loadFile())));
    const Events events = load && file == "ordered-evt3.raw" ? ordered : Events();
    const bool inside = !events.empty() && start <= events.back().timestamp;
    std::uint64_t begin = 1, end = 1;
    QCOMPARE(reader->getBeginTime(begin) && reader->getEndTime(end), !events.empty());
    QVERIFY(events.empty() ? begin == 1 && end == 1
                           : begin == events.front().timestamp && end == events.back().timestamp);
    const auto window = reader->readEventsAt(start, duration);
    QCOMPARE(bool(window), inside);
    if (window) {
        COMPARE_EVENTS(*window, eventsBetween(events, start, duration));
        const auto next = reader->readEventsFor(1000);
        QVERIFY(!next || !next->empty());
        COMPARE_EVENTS(orEmpty(next),
                       eventsBetween(events, start + std::min(duration, noEnd - start), 1000));
    }
    QCOMPARE(reader->seekTo(start), inside);
    if (!inside && !events.empty()) {
        return;  // a failed seek leaves the position where it was
    }
    const auto slice = reader->readEventsFor(duration);
    QVERIFY(!slice || !slice->empty());
    const auto at = std::find_if(events.begin(), events.end(),
                                 [&](const Event2D& e) { return e.timestamp >= start; });
    COMPARE_EVENTS(orEmpty(slice),
                   inside ? eventsBetween(events, at->timestamp, duration) : Events());
}

void TestSdkRaw::writerRoundTrip_data() {
    QTest::addColumn<Events>("written");
    QTest::addColumn<Events>("expected");  // empty: as written
    QTest::addColumn<bool>("evt2");
    QTest::addColumn<quint64>("clamped");
    QTest::addColumn<quint64>("skipped");
    const Events jumps =
        joined({spaced(10, 1, 10), spaced(16777215, 1, 3), spaced(40000000, 9000000, 20),
                spaced(3600000000ull, 1, 5), spaced(3600000000ull + (1ull << 24) - 100, 50, 10)});
    // clang-format off
    QTest::newRow("one event at time 0") << Events{{0, 0, 1, 0}} << Events() << false << quint64(0) << quint64(0);
    QTest::newRow("single events on many rows") << spaced(100, 7, 5000) << Events() << false << quint64(0) << quint64(0);
    QTest::newRow("same time, rising x, both polarities") << Events{{1, 3, 1, 50}, {2, 3, 1, 50}, {3, 3, 1, 50}, {5, 3, 1, 50}, {8, 3, 1, 50}, {13, 3, 1, 50}, {14, 3, 1, 50}, {15, 3, 1, 50}, {16, 3, 1, 50}, {1, 3, 0, 50}, {2, 3, 0, 50}, {3, 3, 0, 50}, {5, 3, 0, 50}, {8, 3, 0, 50}, {13, 3, 0, 50}, {14, 3, 0, 50}, {15, 3, 0, 50}, {16, 3, 0, 50}, {1279, 4, 1, 50}, {1278, 4, 1, 50}} << Events() << false << quint64(0) << quint64(0);
    QTest::newRow("dense and sparse runs") << Events{{0, 700, 1, 9}, {1, 700, 1, 9}, {2, 700, 1, 9}, {3, 700, 1, 9}, {4, 700, 1, 9}, {5, 700, 1, 9}, {6, 700, 1, 9}, {7, 700, 1, 9}, {8, 700, 1, 9}, {9, 700, 1, 9}, {10, 700, 1, 9}, {11, 700, 1, 9}, {12, 700, 1, 9}, {20, 700, 1, 9}, {40, 700, 1, 9}, {41, 700, 1, 9}, {1279, 700, 1, 9}, {3, 700, 1, 9}, {4, 700, 1, 9}, {100, 700, 1, 10}, {111, 700, 1, 10}, {112, 700, 1, 10}, {123, 700, 1, 10}, {124, 700, 1, 10}} << Events() << false << quint64(0) << quint64(0);
    QTest::newRow("starts after several wraps") << spaced(5 * (1ull << 24) + 12345, 1000, 3000) << Events() << false << quint64(0) << quint64(0);
    QTest::newRow("jumps across wraps and hours") << jumps << Events() << false << quint64(0) << quint64(0);
    QTest::newRow("jumps across hours in EVT 2.0") << jumps << Events() << true << quint64(0) << quint64(0);
    QTest::newRow("wrap where the time-high drops by less than 2048") << joined({spaced(0x900000, 1, 2), spaced(0x1100000 + 0x100000, 1, 2)}) << Events() << false << quint64(0) << quint64(0);
    QTest::newRow("realistic stream in EVT 2.0, beyond the flush size") << sensorStream(3, 600000, 123456789) << Events() << true << quint64(0) << quint64(0);
    QTest::newRow("an earlier event takes the time before") << Events{{1, 1, 1, 1000}, {2, 1, 1, 900}, {3, 1, 1, 1000}, {4, 1, 1, 1001}} << Events{{1, 1, 1, 1000}, {2, 1, 1, 1000}, {3, 1, 1, 1000}, {4, 1, 1, 1001}} << false << quint64(1) << quint64(0);
    QTest::newRow("events outside the sensor left out") << Events{{1280, 1, 1, 10}, {1, 720, 0, 11}, {1279, 719, 5, 12}, {0, 0, 0, noEnd}} << Events{{1279, 719, 1, 12}} << false << quint64(0) << quint64(3);
    // clang-format on
}

void TestSdkRaw::writerRoundTrip() {
    QFETCH(Events, written);
    QFETCH(Events, expected);
    QFETCH(bool, evt2);
    QFETCH(quint64, clamped);
    QFETCH(quint64, skipped);
    expected = expected.empty() ? written : expected;
    korvane::RawFileWriter writer;
    const QString path = dir.filePath("round.raw");
    QVERIFY(record(writer, path, written,
                   {evt2 ? korvane::RawFormat::Evt2 : korvane::RawFormat::Evt3, {}, false}));
    QCOMPARE(writer.eventsWritten(), std::uint64_t(expected.size()));
    QCOMPARE(writer.clampedEvents(), clamped);
    QCOMPARE(writer.skippedEvents(), skipped);
    QVERIFY(writer.peakBufferBytes() < 2 * 1024 * 1024);
    const auto reader = openLoaded(path);
    QVERIFY(reader);
    COMPARE_EVENTS(allEvents(*reader), expected);
    QVERIFY(damageOf(reader->info()) == Damage{});
}

// What a killed recorder leaves behind: the events it was given reach the file without a close.
void TestSdkRaw::writerFileIsReadableWhileRecording() {
    const Events given = spaced(1000, 10, 100);
    korvane::RawFileWriter writer;
    const QString path = dir.filePath("live.raw");
    QVERIFY(writer.open(path.toStdString(), 1280, 720, "LIVE"));
    QVERIFY(writer.write(given.data(), given.size()));
    const auto inFile = [&] {
        writer.write(nullptr, 0);
        const auto reader = openLoaded(path);
        return reader ? allEvents(*reader) : Events();
    };
    QTRY_VERIFY_WITH_TIMEOUT(inFile() == given, 10000);
    QVERIFY(writer.close());
}

void TestSdkRaw::writerHeaderAndMisuse() {
    korvane::RawFileWriter writer;
    const QString path = dir.filePath("header.raw");
    const korvane::RawWriterOptions options{
        korvane::RawFormat::Evt3, {{"serial_number", "SER\nIAL 7"}, {"lonely", ""}}, false};
    QVERIFY(writer.open(path.toStdString(), 640, 480, options) && writer.close());
    const auto header = korvane::RawFileReader::open(path.toStdString());
    QVERIFY(header);
    QStringList entries;
    for (const auto& [key, value] : header->info().headerEntries) {
        entries << QString::fromStdString(key + "=" + value);
    }
    const QString text = entries.join('|');
    QVERIFY2(
        text.contains(QRegularExpression(
            "^date=\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\|evt=3.0\\|format=EVT3;height=480;"
            "width=640\\|geometry=640x480\\|serial_number=SER IAL 7\\|lonely=$")),
        qPrintable(text));
    const Event2D one{1, 1, 1, 1};
    QVERIFY(!writer.isOpen() && !writer.write(&one, 1) && !writer.flush() && !writer.close());
    QVERIFY(!writer.open(dir.filePath("missing/dir/x.raw").toStdString(), 1280, 720, "X"));
    QVERIFY(!writer.open(dir.filePath("zero.raw").toStdString(), 0, 720, "X"));
    QVERIFY(!writer.open(dir.filePath("huge.raw").toStdString(), 4096, 720, "X"));
    QVERIFY(!writer.isOpen());
    // Opening again closes the first file complete.
    QVERIFY(writer.open(dir.filePath("a.raw").toStdString(), 1280, 720, "A"));
    QVERIFY(writer.write(&one, 1));
    QVERIFY(writer.open(dir.filePath("b.raw").toStdString(), 1280, 720, "B"));
    QVERIFY(writer.close() && !writer.close());
    const auto first = openLoaded(dir.filePath("a.raw"));
    QVERIFY(first);
    COMPARE_EVENTS(allEvents(*first), Events{one});
}

// The reader's second thread: its job runs beside the owner, and wait hands on what the job
// threw, once.
void TestSdkRaw::helperThreadRunsBesideItsOwner() {
    korvane::HelperThread helper;
    std::atomic<bool> ownerWent{false};
    bool jobSawOwner = false;
    helper.start([&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!ownerWent && std::chrono::steady_clock::now() < until) {
            std::this_thread::yield();
        }
        jobSawOwner = ownerWent;
    });
    ownerWent = true;
    helper.wait();
    QVERIFY(jobSawOwner);
    helper.start([] { throw std::runtime_error("job failed"); });
    QVERIFY_EXCEPTION_THROWN(helper.wait(), std::runtime_error);
    helper.wait();
}

QTEST_APPLESS_MAIN(TestSdkRaw)
#include "tst_sdk_raw.moc"
