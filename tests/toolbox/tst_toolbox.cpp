#include <QtCharts/QChartView>
#include <QtTest>

#include "dialogs/RateWindow.h"
#include "korvane/RawFileWriter.h"
#include "pipeline/EventFrameAccumulator.h"
#include "pipeline/RateCurveWorker.h"
#include "support/RawRecordings.h"

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

// The events and the trigger edges of a window of a recording, in file order.
std::pair<Events, Triggers> itemsOf(const QString& path, std::uint64_t from = 0,
                                    std::uint64_t duration = noEnd) {
    const auto reader = openLoaded(path);
    return reader ? std::make_pair(orEmpty(reader->readEventsAt(from, duration)),
                                   reader->readTriggersAt(from, duration))
                  : std::pair<Events, Triggers>();
}

// The events with a trigger edge after every 500 of them, in the given encoding.
QString writeStream(const QString& path, const Events& events, korvane::RawFormat format) {
    korvane::RawFileWriter writer;
    bool ok = writer.open(path.toStdString(), 1280, 720, {format, {}, true});
    for (std::size_t i = 0; ok && i < events.size(); i += 500) {
        const std::size_t count = std::min<std::size_t>(500, events.size() - i);
        ok = writer.write(&events[i], count) &&
             writer.writeTrigger({events[i + count - 1].timestamp, std::uint8_t(i / 500 % 3),
                                  std::uint8_t(i / 500 % 2)});
    }
    return ok && writer.close() ? path : QString();
}

}  // namespace

class TestToolbox : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void dumpPrintsTheWindow_data();
    void dumpPrintsTheWindow();
    void copiesHoldExactlyTheWindow_data();
    void copiesHoldExactlyTheWindow();
    void rateBinsCountTheirItems_data();
    void rateBinsCountTheirItems();
    void rateWindowCountsInTheBackgroundAndSeeks();
    void videoHasOneFramePerStepAndTheViewersPixels_data();
    void videoHasOneFramePerStepAndTheViewersPixels();
    void badInputIsRefusedWithoutOutput_data();
    void badInputIsRefusedWithoutOutput();

private:
    QTemporaryDir dir;
    QString sources[4];
};

void TestToolbox::initTestCase() {
    // A stream that steps back now and then in both encodings, one in time order, none.
    const Events stream = sensorStream(7, 300000, streamStart, true);
    sources[0] = writeStream(dir.filePath("source3.raw"), stream, korvane::RawFormat::Evt3);
    sources[1] = writeStream(dir.filePath("source2.raw"), stream, korvane::RawFormat::Evt2);
    const Events ordered = sensorStream(4, 20000, 1000000);
    sources[2] = writeStream(dir.filePath("ordered.raw"), ordered, korvane::RawFormat::Evt3);
    sources[3] = writeFile(dir.filePath("empty.raw"), evt3File({}));
    QVERIFY(!sources[0].isEmpty() && !sources[1].isEmpty() && !sources[2].isEmpty() &&
            !sources[3].isEmpty());
    QVERIFY(itemsOf(sources[0]).second.size() > 100);
}

void TestToolbox::dumpPrintsTheWindow_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<quint64>("from");
    QTest::addColumn<quint64>("duration");
    QTest::addColumn<int>("limit");
    const Events ordered = itemsOf(sources[2]).first;
    const quint64 middle = ordered[ordered.size() / 2].timestamp;
    const QString from = QString::number(middle);
    const quint64 all = noEnd;
    // clang-format off
    QTest::newRow("everything") << QStringList{sources[2]} << quint64(0) << all << -1;
    QTest::newRow("from and duration") << QStringList{sources[2], "--from", from, "--duration", "33333"} << middle << quint64(33333) << -1;
    QTest::newRow("duration from the first event") << QStringList{sources[2], "--duration", "5000"} << quint64(ordered.front().timestamp) << quint64(5000) << -1;
    QTest::newRow("limit") << QStringList{sources[2], "--limit", "17"} << quint64(0) << all << 17;
    QTest::newRow("limit zero") << QStringList{sources[2], "--limit", "0"} << quint64(0) << all << 0;
    QTest::newRow("largest duration") << QStringList{sources[2], "--from", from, "--duration", "18446744073709551615"} << middle << all << -1;
    QTest::newRow("from after the end") << QStringList{sources[2], "--from", "99999999999"} << quint64(99999999999) << all << -1;
    QTest::newRow("recording without events") << QStringList{sources[3]} << quint64(0) << all << -1;
    QTest::newRow("triggers") << QStringList{sources[1], "--triggers"} << quint64(0) << all << -1;
    QTest::newRow("triggers from the middle") << QStringList{sources[0], "--triggers", "--from", QString::number(streamStart + 100000)} << quint64(streamStart + 100000) << all << -1;
    // clang-format on
}

void TestToolbox::dumpPrintsTheWindow() {
    QFETCH(QStringList, arguments);
    QFETCH(quint64, from);
    QFETCH(quint64, duration);
    QFETCH(int, limit);
    const ToolRun run = runTool(QStringList{"dump"} + arguments);
    QCOMPARE(run.status, 0);
    const auto [events, triggers] = itemsOf(arguments[0], from, duration);
    QStringList lines;
    if (arguments.contains("--triggers")) {
        lines << "t,id,value";
        for (const ExtTrigger& t : triggers) {
            lines << QString("%1,%2,%3").arg(t.timestamp).arg(t.id).arg(t.value);
        }
    } else {
        lines << "t,x,y,p";
        for (const Event2D& e : events) {
            lines << QString("%1,%2,%3,%4").arg(e.timestamp).arg(e.x).arg(e.y).arg(e.polarity);
        }
    }
    QCOMPARE(QString(run.out), lines.mid(0, limit < 0 ? -1 : limit + 1).join('\n') + '\n');
    if (arguments[0] == sources[3]) {  // and info gives no time range nor rate
        const QByteArray info = runTool({"info", sources[3]}).out;
        QVERIFY(info.contains("\nfirst_timestamp_us: -\n") &&
                info.contains("\nevent_rate_hz: 0.0\n"));
    }
}

void TestToolbox::copiesHoldExactlyTheWindow_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("format");
    QTest::addColumn<quint64>("from");      // cut's --from; convert has none
    QTest::addColumn<quint64>("duration");  // 0: none given, to the end
    QTest::addColumn<bool>("convert");
    const quint64 edge = itemsOf(sources[0]).first[1000].timestamp;
    // clang-format off
    for (int source : {0, 1}) {
        for (const QString format : {"evt3", "evt2"}) {
            const QByteArray name = QByteArray(source == 0 ? "EVT 3.0" : "EVT 2.0") + " to " + format.toLatin1() + ": ";
            QTest::newRow(name + "inside one chunk, up to an event") << source << format << edge - 300 << quint64(300) << false;
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
// gap included, in either encoding, and a cut says where it starts.
void TestToolbox::copiesHoldExactlyTheWindow() {
    QFETCH(int, source);
    QFETCH(QString, format);
    QFETCH(quint64, from);
    QFETCH(quint64, duration);
    QFETCH(bool, convert);
    const QString copy = dir.filePath("copy.raw");
    QStringList arguments{convert ? "convert" : "cut", sources[source], copy, "--format", format};
    arguments << (convert ? QStringList() : QStringList{"--from", QString::number(from)})
              << (duration ? QStringList{"--duration", QString::number(duration)} : QStringList());
    const ToolRun run = runTool(arguments);
    QVERIFY2(run.status == 0, run.err.constData());
    const auto [events, triggers] = itemsOf(copy);
    const auto [expectedEvents, expectedTriggers] =
        itemsOf(sources[source], from, duration != 0 ? duration : noEnd);
    COMPARE_EVENTS(events, expectedEvents);
    QVERIFY(triggers == expectedTriggers);
    const auto reader = korvane::RawFileReader::open(copy.toStdString());
    QCOMPARE(QString::fromStdString(reader->info().format), format.toUpper());
    const auto& header = reader->info().headerEntries;
    QCOMPARE(std::count(header.begin(), header.end(),
                        std::make_pair(std::string("cut_start_us"), std::to_string(from))),
             std::ptrdiff_t(convert ? 0 : 1));
}

void TestToolbox::rateBinsCountTheirItems_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<quint64>("bin");
    QTest::newRow("EVT 3.0, default 10 ms") << 0 << quint64(10000);
    QTest::newRow("EVT 3.0, 1 ms bins") << 0 << quint64(1000);
    QTest::newRow("EVT 2.0, 3 s bins") << 1 << quint64(3000000);
}

// Bins follow each other from the one holding the earliest item, and add up to info's counts.
// One line per bin from the one holding the earliest item on, each counting the items in it:
// together they add up to the whole recording.
void TestToolbox::rateBinsCountTheirItems() {
    QFETCH(int, source);
    QFETCH(quint64, bin);
    QStringList arguments{"rate", sources[source]};
    const ToolRun run =
        runTool(bin == 10000 ? arguments : arguments << "--bin" << QString::number(bin));
    QCOMPARE(run.status, 0);
    const auto [events, triggers] = itemsOf(sources[source]);
    const std::uint64_t first = openLoaded(sources[source])->info().minTimestamp / bin * bin;
    std::vector<std::array<quint64, 4>> bins;  // events, positive, negative, triggers
    const auto count = [&](std::uint64_t time, int column) {
        bins.resize(std::max<std::size_t>(bins.size(), (time - first) / bin + 1));
        ++bins[(time - first) / bin][column];
    };
    for (const Event2D& e : events) {
        count(e.timestamp, 0);
        count(e.timestamp, e.polarity != 0 ? 1 : 2);
    }
    for (const ExtTrigger& t : triggers) {
        count(t.timestamp, 3);
    }
    QByteArray expected = "t_us,events,positive,negative,triggers\n";
    for (std::size_t i = 0; i < bins.size(); ++i) {
        expected += QByteArray::number(first + i * bin);
        for (const quint64 n : bins[i]) {
            expected += ',' + QByteArray::number(n);
        }
        expected += '\n';
    }
    QCOMPARE(run.out, expected);
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
    QTest::addColumn<int>("fps");
    QTest::addColumn<double>("speed");
    QTest::addColumn<int>("frames");
    QTest::newRow("20 fps at half speed: 25 ms a frame") << 20 << 0.5 << 10;
    QTest::newRow("10 fps at double speed: 200 ms a frame") << 10 << 2.0 << 2;
}

void TestToolbox::videoHasOneFramePerStepAndTheViewersPixels() {
#ifndef OSTREL_RAW_MEDIA
    QSKIP("ostrel-raw was built without video");
#else
    QFETCH(int, fps);
    QFETCH(double, speed);
    QFETCH(int, frames);
    const std::uint64_t from = streamStart + 1000;
    const auto step = static_cast<std::uint64_t>(1e6 * speed / fps);
    const int checked = frames * 3 / 4;
    const QString video = dir.filePath("out.mp4");
    const ToolRun run = runTool({"video", sources[0], video, "--from", QString::number(from),
                                 "--duration", QString::number(frames * step), "--fps",
                                 QString::number(fps), "--speed", QString::number(speed)});
    QVERIFY2(run.status == 0, run.err.constData());
    AVFormatContext* format = nullptr;
    QCOMPARE(avformat_open_input(&format, video.toUtf8().constData(), nullptr, nullptr), 0);
    std::shared_ptr<AVFormatContext> closer(format,
                                            [](AVFormatContext* f) { avformat_close_input(&f); });
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    QVERIFY(stream >= 0);
    const AVCodecParameters* parameters = format->streams[stream]->codecpar;
    std::shared_ptr<AVCodecContext> codec(
        avcodec_alloc_context3(avcodec_find_decoder(parameters->codec_id)),
        [](AVCodecContext* c) { avcodec_free_context(&c); });
    QVERIFY(avcodec_parameters_to_context(codec.get(), parameters) >= 0 &&
            avcodec_open2(codec.get(), nullptr, nullptr) == 0);
    QImage decoded(EventFrameAccumulator::defaultSize, QImage::Format_RGB888);
    int count = 0;
    std::shared_ptr<AVPacket> packet(av_packet_alloc(), [](AVPacket* p) { av_packet_free(&p); });
    std::shared_ptr<AVFrame> frame(av_frame_alloc(), [](AVFrame* f) { av_frame_free(&f); });
    for (bool more = true; more;) {
        more = av_read_frame(format, packet.get()) >= 0;
        if (!more || packet->stream_index == stream) {
            avcodec_send_packet(codec.get(), more ? packet.get() : nullptr);  // none: flush
        }
        av_packet_unref(packet.get());
        while (avcodec_receive_frame(codec.get(), frame.get()) == 0) {
            if (count++ == checked) {
                QCOMPARE(QSize(frame->width, frame->height), decoded.size());
                SwsContext* toRgb = sws_getContext(
                    frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                    frame->height, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr);
                uint8_t* target[1] = {decoded.bits()};
                const int stride[1] = {int(decoded.bytesPerLine())};
                sws_scale(toRgb, frame->data, frame->linesize, 0, frame->height, target, stride);
                sws_freeContext(toRgb);
            }
        }
    }
    QCOMPARE(count, frames);

    // Where the viewer paints the checked frame's slice, the frame shows the same colours: a
    // frame of another slice has background there.
    const auto reader = openLoaded(sources[0]);
    QVERIFY(reader);
    const Events slice = orEmpty(reader->readEventsAt(from + checked * step, step));
    EventFrameAccumulator accumulator;
    accumulator.addEvents(slice.data(), slice.data() + slice.size());
    const QImage expected = accumulator.takeImage();
    const QRgb background = FramePalette::standard().background.rgb();
    double difference = 0;
    int painted = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = decoded.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            if (b != background) {
                difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                              std::abs(qBlue(a) - qBlue(b));
                ++painted;
            }
        }
    }
    QVERIFY2(painted > 1000 && difference < 36 * painted,
             qPrintable(QString("%1 / %2").arg(difference).arg(painted)));
#endif
}

void TestToolbox::badInputIsRefusedWithoutOutput_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("mentions");
    const QString out = dir.filePath("refused/out.raw");
    QDir(dir.path()).mkdir("refused");
    const QString in = sources[0];
    const QString notRaw = writeFile(dir.filePath("text.raw"), "hello\n");
    // clang-format off
    QTest::newRow("no command") << QStringList() << "command";
    QTest::newRow("unknown command") << QStringList{"play", in} << "play";
    QTest::newRow("two files for one") << QStringList{"info", in, in} << "FILE";
    QTest::newRow("missing input") << QStringList{"cut", dir.filePath("none.raw"), out} << "no such file";
    QTest::newRow("input is a folder") << QStringList{"dump", dir.path()} << "directory";
    QTest::newRow("input is no recording") << QStringList{"convert", notRaw, out, "--format", "evt2"} << "not a readable";
    QTest::newRow("output in a missing folder") << QStringList{"convert", in, dir.filePath("no/out.raw"), "--format", "evt2"} << "no such folder";
    QTest::newRow("output onto the input") << QStringList{"cut", in, in} << "input";
    QTest::newRow("unknown option") << QStringList{"dump", in, "--fast"} << "--fast";
    QTest::newRow("option of another command") << QStringList{"info", in, "--limit", "3"} << "--limit";
    QTest::newRow("option without value") << QStringList{"dump", in, "--from"} << "--from";
    QTest::newRow("negative number") << QStringList{"dump", in, "--duration", "-5"} << "--duration";
    QTest::newRow("number with unit") << QStringList{"dump", in, "--from", "5ms"} << "--from";
    QTest::newRow("number too large") << QStringList{"dump", in, "--limit", "18446744073709551616"} << "--limit";
    QTest::newRow("--duration 0") << QStringList{"cut", in, out, "--duration", "0"} << "--duration";
    QTest::newRow("unknown format") << QStringList{"convert", in, out, "--format", "evt21"} << "evt21";
    QTest::newRow("--bin 0") << QStringList{"rate", in, "--bin", "0"} << "--bin";
    QTest::newRow("more bins than memory allows") << QStringList{"rate", in, "--bin", "1"} << "bins";
    QTest::newRow("plot in a missing folder") << QStringList{"rate", in, "--plot", dir.filePath("no/r.png")} << "no such folder";
    QTest::newRow("unknown palette") << QStringList{"video", in, out, "--palette", "sepia"} << "sepia";
    QTest::newRow("--fps 0") << QStringList{"video", in, out, "--fps", "0"} << "--fps";
    QTest::newRow("--speed -2") << QStringList{"video", in, out, "--speed", "-2"} << "--speed";
    // clang-format on
}

// One line on stderr naming what is wrong, status 1, nothing written and the input untouched.
void TestToolbox::badInputIsRefusedWithoutOutput() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, mentions);
    const QFileInfo before(arguments.value(1));
    const ToolRun run = runTool(arguments);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.isEmpty() && run.err.count('\n') == 1 && run.err.startsWith("ostrel-raw: ") &&
                 run.err.contains(mentions.toUtf8()),
             run.err.constData());
    QVERIFY(QDir(dir.filePath("refused")).isEmpty());
    QCOMPARE(QFileInfo(arguments.value(1)).size(), before.size());
}

QTEST_MAIN(TestToolbox)
#include "tst_toolbox.moc"
