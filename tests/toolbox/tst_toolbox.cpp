#include <QPointer>
#include <QtCharts/QChartView>
#include <QtTest>

#include "dialogs/RateWindow.h"
#include "korvane/RawFileWriter.h"
#include "pipeline/EventFrameAccumulator.h"
#include "pipeline/RateCurveWorker.h"
#include "sdk_raw/RawTestFiles.h"

#ifdef OSTREL_RAW_MEDIA
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}
#endif

namespace {

// Just before an EVT 3.0 time wrap (2^24 µs), so that cuts and copies cross one.
constexpr std::uint64_t streamStart = (std::uint64_t{1} << 24) - 400000;

// What a dump shows of a recording: its events and trigger edges of a window, in file order.
struct Items {
    Events events;
    Triggers triggers;
};

Items itemsOf(const QString& path, std::uint64_t from = 0, std::uint64_t duration = noEnd) {
    Items items;
    if (const auto reader = openLoaded(path)) {
        const auto events = reader->readEventsAt(from, duration);
        items.events = events ? *events : Events();
        items.triggers = reader->readTriggersAt(from, duration);
    }
    return items;
}

#define COMPARE_ITEMS(actual, expected)                             \
    do {                                                            \
        const Items a = actual;                                     \
        const Items e = expected;                                   \
        COMPARE_EVENTS(a.events, e.events);                         \
        QCOMPARE(a.triggers.size(), e.triggers.size());             \
        QVERIFY2(a.triggers == e.triggers, "trigger edges differ"); \
    } while (false)

// As `dump` prints them: events, or with --triggers the trigger edges.
QByteArray csv(const Items& items, bool triggers, std::size_t limit) {
    QString text = triggers ? "t,id,value\n" : "t,x,y,p\n";
    for (std::size_t i = 0;
         i < std::min(limit, triggers ? items.triggers.size() : items.events.size()); ++i) {
        if (triggers) {
            const ExtTrigger& t = items.triggers[i];
            text += QString("%1,%2,%3\n").arg(t.timestamp).arg(t.id).arg(t.value);
        } else {
            const Event2D& e = items.events[i];
            text += QString("%1,%2,%3,%4\n").arg(e.timestamp).arg(e.x).arg(e.y).arg(e.polarity);
        }
    }
    return text.toUtf8();
}

// A sensor-like stream written in the given encoding: runs of neighbouring pixels on a row and
// single events, steps of 0 to 40 µs, now and then a step back (as EVT 3.0 time-lows take), a
// gap of 20 s after 600 ms or so, and a trigger edge every 500 events.
QString writeStream(const QString& path, korvane::RawFormat format, int count) {
    korvane::RawFileWriter writer;
    if (!writer.open(path.toStdString(), 1280, 720, korvane::RawWriterOptions{format, {}, true})) {
        return QString();
    }
    std::uint32_t state = 7;
    const auto next = [&state] { return state = state * 1664525u + 1013904223u, state >> 8; };
    std::uint64_t time = streamStart;
    Events run;
    for (int i = 0, groups = 0; i < count; i += static_cast<int>(run.size()), ++groups) {
        const bool back = next() % 200 == 0;
        time = groups == 30000 ? time + 20000000 : back ? time - 30 : time + next() % 40;
        const auto y = static_cast<std::uint16_t>(next() % 720);
        const auto polarity = static_cast<std::uint8_t>(next() % 2);
        const std::uint32_t x = next() % 1200;
        run.clear();
        for (std::uint32_t k = 0, length = 1 + next() % 12; k < length; ++k) {
            run.emplace_back(static_cast<std::uint16_t>(x + k + k / 3), y, polarity, time);
        }
        writer.write(run.data(), run.size());
        if (i / 500 != (i + static_cast<int>(run.size())) / 500) {
            writer.writeTrigger({time, std::uint8_t(next() % 4), std::uint8_t(i / 500 % 2)});
        }
    }
    return writer.close() ? path : QString();
}

}  // namespace

class TestToolbox : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void dumpPrintsTheWindow_data();
    void dumpPrintsTheWindow();
    void infoOfRecordingWithoutEvents();
    void copiesHoldExactlyTheWindow_data();
    void copiesHoldExactlyTheWindow();
    void rateBinsAddUpToInfo_data();
    void rateBinsAddUpToInfo();
    void rateWindowCountsInTheBackgroundAndSeeks();
    void videoHasOneFramePerStepAndTheViewersPixels_data();
    void videoHasOneFramePerStepAndTheViewersPixels();
    void badInputIsRefusedWithoutOutput_data();
    void badInputIsRefusedWithoutOutput();

private:
    QTemporaryDir dir;
    QString sources[4];  // EVT 3.0 and EVT 2.0 streams, no events, events in time order
};

void TestToolbox::initTestCase() {
    QVERIFY(dir.isValid());
    sources[0] = writeStream(dir.filePath("source3.raw"), korvane::RawFormat::Evt3, 300000);
    sources[1] = writeStream(dir.filePath("source2.raw"), korvane::RawFormat::Evt2, 300000);
    sources[2] = writeFile(dir.filePath("empty.raw"), evt3File({}));
    const Events ordered = syntheticEvents(4, 20000, 1000000);
    korvane::RawFileWriter writer;
    sources[3] = dir.filePath("ordered.raw");
    QVERIFY(writer.open(sources[3].toStdString(), 1280, 720, "TOOL-7"));
    QVERIFY(writer.write(ordered.data(), ordered.size()) && writer.close());
    QVERIFY(!sources[0].isEmpty() && !sources[1].isEmpty() && !sources[2].isEmpty());
    QVERIFY(itemsOf(sources[0]).triggers.size() > 100);
}

void TestToolbox::dumpPrintsTheWindow_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<quint64>("from");
    QTest::addColumn<quint64>("duration");
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("triggers");
    const quint64 all = noEnd;
    const Events ordered = itemsOf(sources[3]).events;
    const quint64 first = ordered.front().timestamp;
    const quint64 middle = ordered[ordered.size() / 2].timestamp;
    const QString from = QString::number(middle);
    // clang-format off
    QTest::newRow("everything") << 3 << QStringList() << quint64(0) << all << -1 << false;
    QTest::newRow("from the middle") << 3 << QStringList{"--from", from} << middle << all << -1 << false;
    QTest::newRow("from and duration") << 3 << QStringList{"--from", from, "--duration", "33333"} << middle << quint64(33333) << -1 << false;
    QTest::newRow("duration from the first event") << 3 << QStringList{"--duration", "5000"} << first << quint64(5000) << -1 << false;
    QTest::newRow("limit") << 3 << QStringList{"--limit", "17"} << quint64(0) << all << 17 << false;
    QTest::newRow("limit zero") << 3 << QStringList{"--limit", "0"} << quint64(0) << all << 0 << false;
    QTest::newRow("largest duration") << 3 << QStringList{"--from", from, "--duration", "18446744073709551615"} << middle << all << -1 << false;
    QTest::newRow("from after the end") << 3 << QStringList{"--from", "99999999999"} << quint64(99999999999) << all << -1 << false;
    QTest::newRow("recording without events") << 2 << QStringList() << quint64(0) << all << -1 << false;
    QTest::newRow("triggers") << 1 << QStringList{"--triggers"} << quint64(0) << all << -1 << true;
    QTest::newRow("triggers from the middle") << 0 << QStringList{"--triggers", "--from", QString::number(streamStart + 100000)} << quint64(streamStart + 100000) << all << -1 << true;
    // clang-format on
}

void TestToolbox::dumpPrintsTheWindow() {
    QFETCH(int, source);
    QFETCH(QStringList, options);
    QFETCH(quint64, from);
    QFETCH(quint64, duration);
    QFETCH(int, limit);
    QFETCH(bool, triggers);
    const ToolRun run = runTool(QStringList{"dump", sources[source]} + options);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, csv(itemsOf(sources[source], from, duration), triggers,
                          limit < 0 ? std::size_t(-1) : std::size_t(limit)));
}

void TestToolbox::infoOfRecordingWithoutEvents() {
    const ToolRun run = runTool({"info", sources[2]});
    QCOMPARE(run.status, 0);
    const QMap<QString, QString> values = keyValues(run.out);
    QCOMPARE(values.value("events"), QString("0"));
    QCOMPARE(values.value("first_timestamp_us"), QString("-"));
    QCOMPARE(values.value("event_rate_hz"), QString("0.0"));
}

void TestToolbox::copiesHoldExactlyTheWindow_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("format");
    QTest::addColumn<quint64>("from");      // cut's --from; convert has none
    QTest::addColumn<quint64>("duration");  // 0: none given, to the end
    QTest::addColumn<bool>("convert");
    // clang-format off
    for (int source : {0, 1}) {
        for (const QString format : {"evt3", "evt2"}) {
            const QByteArray name = QByteArray(source == 0 ? "EVT 3.0" : "EVT 2.0") + " to " + format.toLatin1() + ": ";
            QTest::newRow(name + "inside one chunk") << source << format << quint64(streamStart + 2000) << quint64(300) << false;
            QTest::newRow(name + "across many chunks and the wrap") << source << format << quint64(streamStart + 100000) << quint64(1500000) << false;
            QTest::newRow(name + "before all events") << source << format << quint64(0) << quint64(streamStart) << false;
            QTest::newRow(name + "after all events") << source << format << quint64(noEnd / 2) << quint64(1000) << false;
            QTest::newRow(name + "no --duration: to the end") << source << format << quint64(streamStart + 900000) << quint64(0) << false;
            QTest::newRow(name + "convert: everything") << source << format << quint64(0) << quint64(0) << true;
        }
    }
    // clang-format on
}

// Cut and convert keep every event and trigger edge of their window, step backs and the 20 s
// gap included, in either encoding.
void TestToolbox::copiesHoldExactlyTheWindow() {
    QFETCH(int, source);
    QFETCH(QString, format);
    QFETCH(quint64, from);
    QFETCH(quint64, duration);
    QFETCH(bool, convert);
    const QString copy = dir.filePath("copy.raw");
    QStringList arguments{convert ? "convert" : "cut", sources[source], copy, "--format", format};
    if (!convert) {
        arguments << "--from" << QString::number(from);
    }
    if (duration != 0) {
        arguments << "--duration" << QString::number(duration);
    }
    const ToolRun run = runTool(arguments);
    QVERIFY2(run.status == 0, run.err.constData());
    COMPARE_ITEMS(itemsOf(copy), itemsOf(sources[source], from, duration != 0 ? duration : noEnd));
    const auto reader = korvane::RawFileReader::open(copy.toStdString());
    QVERIFY(reader);
    QCOMPARE(QString::fromStdString(reader->info().format), format.toUpper());
    const auto& header = reader->info().headerEntries;
    QCOMPARE(std::count(header.begin(), header.end(),
                        std::make_pair(std::string("cut_start_us"), std::to_string(from))),
             convert ? 0 : 1);
}

void TestToolbox::rateBinsAddUpToInfo_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<quint64>("bin");
    QTest::newRow("EVT 3.0, default 10 ms") << 0 << quint64(0);
    QTest::newRow("EVT 3.0, 1 ms bins") << 0 << quint64(1000);
    QTest::newRow("EVT 2.0, 3 s bins") << 1 << quint64(3000000);
}

void TestToolbox::rateBinsAddUpToInfo() {
    QFETCH(int, source);
    QFETCH(quint64, bin);
    QStringList arguments{"rate", sources[source]};
    if (bin != 0) {
        arguments << "--bin" << QString::number(bin);
    }
    const ToolRun run = runTool(arguments);
    QCOMPARE(run.status, 0);
    QList<QByteArray> lines = run.out.trimmed().split('\n');
    QCOMPARE(lines.takeFirst(), QByteArray("t_us,events,positive,negative,triggers"));
    const quint64 width = bin != 0 ? bin : 10000;
    quint64 sums[4] = {0, 0, 0, 0};
    for (int i = 0; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split(',');
        QCOMPARE(fields.size(), 5);
        QVERIFY2(
            i == 0 || fields[0].toULongLong() == lines[i - 1].split(',')[0].toULongLong() + width,
            lines[i].constData());
        for (int k = 0; k < 4; ++k) {
            sums[k] += fields[k + 1].toULongLong();
        }
    }
    const auto reader = openLoaded(sources[source]);
    QVERIFY(reader);
    const korvane::RawFileInfo& info = reader->info();
    QCOMPARE(sums[0], info.events);
    QCOMPARE(sums[1], info.positive);
    QCOMPARE(sums[2], info.negative);
    QCOMPARE(sums[3], info.triggers);
    QCOMPARE(lines.front().split(',').front().toULongLong(), info.minTimestamp / width * width);
}

void TestToolbox::rateWindowCountsInTheBackgroundAndSeeks() {
    // Closed at once, counting or not: the thread is stopped and joined with the window.
    QPointer<RateWindow> closed = new RateWindow(sources[0], streamStart, streamStart + 1);
    closed->show();
    closed->close();
    QTRY_VERIFY(closed.isNull());

    QPointer<RateWindow> window = new RateWindow(sources[1], streamStart, streamStart + 1);
    std::vector<std::uint64_t> seeks;
    connect(window, &RateWindow::seekRequested, this, [&seeks](uint64_t t) { seeks.push_back(t); });
    // Queued to this thread after the window's own slot: the curve is shown when it arrives.
    korvane::EventRate rate;
    connect(window->findChild<RateCurveWorker*>(), &RateCurveWorker::finished, this,
            [&rate](const korvane::EventRate& counted) { rate = counted; });
    window->show();
    QTRY_VERIFY_WITH_TIMEOUT(rate.binUs != 0, 120000);
    auto* view = window->findChild<QtCharts::QChartView*>();
    QTRY_VERIFY(view->chart()->plotArea().width() > view->width() / 2);  // laid out
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->viewport()->rect().center());
    QCOMPARE(seeks.size(), std::size_t(1));
    QVERIFY(seeks[0] >= rate.firstBinStart &&
            seeks[0] < rate.firstBinStart + rate.bins.size() * rate.binUs);
    window->close();
    QTRY_VERIFY(window.isNull());
}

void TestToolbox::videoHasOneFramePerStepAndTheViewersPixels_data() {
    QTest::addColumn<QString>("fps");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<quint64>("duration");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("checked");  // the frame whose pixels are compared
    QTest::newRow("20 fps at half speed: 25 ms a frame") << "20"
                                                         << "0.5" << quint64(250000) << 10 << 7;
    QTest::newRow("10 fps at double speed: 200 ms a frame") << "10"
                                                            << "2" << quint64(400000) << 2 << 1;
}

void TestToolbox::videoHasOneFramePerStepAndTheViewersPixels() {
#ifndef OSTREL_RAW_MEDIA
    QSKIP("ostrel-raw was built without video");
#else
    QFETCH(QString, fps);
    QFETCH(QString, speed);
    QFETCH(quint64, duration);
    QFETCH(int, frames);
    QFETCH(int, checked);
    const std::uint64_t from = streamStart + 1000;
    const std::uint64_t step = duration / frames;
    const QString video = dir.filePath("out.mp4");
    const ToolRun run =
        runTool({"video", sources[0], video, "--from", QString::number(from), "--duration",
                 QString::number(duration), "--fps", fps, "--speed", speed});
    QVERIFY2(run.status == 0, run.err.constData());
    AVFormatContext* format = nullptr;
    QCOMPARE(avformat_open_input(&format, video.toUtf8().constData(), nullptr, nullptr), 0);
    std::shared_ptr<AVFormatContext> closer(format,
                                            [](AVFormatContext* f) { avformat_close_input(&f); });
    QVERIFY(avformat_find_stream_info(format, nullptr) >= 0);
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    QVERIFY(stream >= 0);
    const AVCodecParameters* parameters = format->streams[stream]->codecpar;
    QCOMPARE(QSize(parameters->width, parameters->height), EventFrameAccumulator::defaultSize);
    std::shared_ptr<AVCodecContext> codec(
        avcodec_alloc_context3(avcodec_find_decoder(parameters->codec_id)),
        [](AVCodecContext* c) { avcodec_free_context(&c); });
    avcodec_parameters_to_context(codec.get(), parameters);
    QCOMPARE(avcodec_open2(codec.get(), nullptr, nullptr), 0);

    // The checked frame against the viewer's painting of its slice and of the slice after it.
    const auto reader = openLoaded(sources[0]);
    QVERIFY(reader);
    QImage expected[2];
    for (int k = 0; k < 2; ++k) {
        EventFrameAccumulator accumulator;
        const auto slice = reader->readEventsAt(from + (checked + k) * step, step);
        accumulator.addEvents(slice->data(), slice->data() + slice->size());
        expected[k] = accumulator.takeImage();
    }
    QImage decoded(EventFrameAccumulator::defaultSize, QImage::Format_RGB888);
    int count = 0;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto receive = [&] {
        while (avcodec_receive_frame(codec.get(), frame) == 0) {
            if (count++ == checked) {
                SwsContext* toRgb = sws_getContext(
                    frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                    frame->height, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr);
                uint8_t* target[1] = {decoded.bits()};
                const int stride[1] = {int(decoded.bytesPerLine())};
                sws_scale(toRgb, frame->data, frame->linesize, 0, frame->height, target, stride);
                sws_freeContext(toRgb);
            }
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream) {
            avcodec_send_packet(codec.get(), packet);
            receive();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(codec.get(), nullptr);
    receive();
    av_packet_free(&packet);
    av_frame_free(&frame);
    QCOMPARE(count, frames);

    // Over the pixels either slice paints: the background alone would hide a wrong slice.
    const QRgb background = FramePalette::standard().background.rgb();
    const auto meanDifference = [&](const QImage& image) {
        double total = 0;
        int pixels = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (expected[0].pixel(x, y) != background ||
                    expected[1].pixel(x, y) != background) {
                    const QRgb a = decoded.pixel(x, y);
                    const QRgb b = image.pixel(x, y);
                    total += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                             std::abs(qBlue(a) - qBlue(b));
                    ++pixels;
                }
            }
        }
        return total / (3.0 * std::max(pixels, 1));
    };
    const double own = meanDifference(expected[0]);
    const double next = meanDifference(expected[1]);
    QVERIFY2(own < 12 && 4 * own < next,
             qPrintable(QString("%1 vs %2").arg(own, 0, 'f', 2).arg(next, 0, 'f', 2)));
#endif
}

void TestToolbox::badInputIsRefusedWithoutOutput_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("mentions");
    const QString out = dir.filePath("refused/out.raw");
    QDir(dir.path()).mkdir("refused");
    const QString source = sources[0];
    const QString notRaw = writeFile(dir.filePath("text.raw"), "hello\n");
    // clang-format off
    QTest::newRow("no command") << QStringList() << "command";
    QTest::newRow("unknown command") << QStringList{"play", source} << "play";
    QTest::newRow("info without file") << QStringList{"info"} << "FILE";
    QTest::newRow("info with two files") << QStringList{"info", source, source} << "FILE";
    QTest::newRow("info: missing input") << QStringList{"info", dir.filePath("none.raw")} << "no such file";
    QTest::newRow("cut: missing input") << QStringList{"cut", dir.filePath("none.raw"), out} << "no such file";
    QTest::newRow("dump: a directory") << QStringList{"dump", dir.path()} << "directory";
    QTest::newRow("info: not a recording") << QStringList{"info", notRaw} << "not a readable";
    QTest::newRow("unknown option") << QStringList{"dump", source, "--fast"} << "--fast";
    QTest::newRow("option without value") << QStringList{"dump", source, "--from"} << "--from";
    QTest::newRow("negative number") << QStringList{"dump", source, "--duration", "-5"} << "--duration";
    QTest::newRow("number with unit") << QStringList{"dump", source, "--from", "5ms"} << "--from";
    QTest::newRow("number too large") << QStringList{"dump", source, "--limit", "18446744073709551616"} << "--limit";
    QTest::newRow("info takes no options") << QStringList{"info", source, "--limit", "3"} << "--limit";
    QTest::newRow("convert: output in a missing folder") << QStringList{"convert", source, dir.filePath("no/out.raw"), "--format", "evt2"} << "no such folder";
    QTest::newRow("cut: --duration 0") << QStringList{"cut", source, out, "--duration", "0"} << "--duration";
    QTest::newRow("convert: unknown format") << QStringList{"convert", source, out, "--format", "evt21"} << "evt21";
    QTest::newRow("cut: onto its input") << QStringList{"cut", source, source} << "input";
    QTest::newRow("rate: --bin 0") << QStringList{"rate", source, "--bin", "0"} << "--bin";
    QTest::newRow("rate: more bins than memory allows") << QStringList{"rate", source, "--bin", "1"} << "bins";
    QTest::newRow("rate: plot in a missing folder") << QStringList{"rate", source, "--plot", dir.filePath("no/r.png")} << "no such folder";
    QTest::newRow("video: unknown palette") << QStringList{"video", source, out, "--palette", "sepia"} << "sepia";
    QTest::newRow("video: --fps 0") << QStringList{"video", source, out, "--fps", "0"} << "--fps";
    QTest::newRow("video: --speed -2") << QStringList{"video", source, out, "--speed", "-2"} << "--speed";
    // clang-format on
}

// One line on stderr naming what is wrong, status 1, nothing written and the input untouched.
void TestToolbox::badInputIsRefusedWithoutOutput() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, mentions);
    const QFileInfo before(arguments.value(1));
    const ToolRun run = runTool(arguments);
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY2(run.err.startsWith("ostrel-raw: ") && run.err.contains(mentions.toUtf8()),
             run.err.constData());
    QVERIFY(QDir(dir.filePath("refused")).isEmpty());
    QCOMPARE(QFileInfo(arguments.value(1)).size(), before.size());
}

QTEST_MAIN(TestToolbox)
#include "tst_toolbox.moc"
