#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtCharts/QChartView>
#include <QtTest>
#include <limits>
#include <memory>
#include <vector>

#include "dialogs/RateWindow.h"
#include "korvane/RawFileReader.h"
#include "korvane/RawFileWriter.h"
#include "pipeline/EventFrameAccumulator.h"
#include "pipeline/RateCurveWorker.h"

#ifdef OSTREL_RAW_MEDIA
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}
#endif

using korvane::Event2D;
using korvane::ExtTrigger;

namespace {

constexpr std::uint64_t all = std::numeric_limits<std::uint64_t>::max();
// Just before an EVT 3.0 time wrap (2^24 µs), so that cuts and copies cross one.
constexpr std::uint64_t streamStart = (std::uint64_t{1} << 24) - 400000;

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run runTool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(OSTREL_RAW_TOOL), arguments);
    Run run;
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit) {
        run.status = process.exitCode();
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// What a dump shows of a recording: its events and trigger edges of a window, in file order.
struct Items {
    std::vector<Event2D> events;
    std::vector<ExtTrigger> triggers;
};

Items itemsOf(const QString& path, std::uint64_t from = 0, std::uint64_t duration = all) {
    Items items;
    auto reader = korvane::RawFileReader::open(path.toStdString());
    if (reader && reader->loadFile()) {
        if (const auto events = reader->readEventsAt(from, duration)) {
            items.events = *events;
        }
        items.triggers = reader->readTriggersAt(from, duration);
    }
    return items;
}

void compareItems(const Items& actual, const Items& expected) {
    QVERIFY2(actual.events == expected.events, qPrintable(QString("%1 events, expected %2")
                                                              .arg(actual.events.size())
                                                              .arg(expected.events.size())));
    QVERIFY2(actual.triggers == expected.triggers, qPrintable(QString("%1 triggers, expected %2")
                                                                  .arg(actual.triggers.size())
                                                                  .arg(expected.triggers.size())));
}

// A sensor-like stream written in the given encoding: runs of neighbouring pixels on a row and
// single events, steps of 0 to 40 µs, now and then a step back (as EVT 3.0 time-lows take), a
// gap of 20 s after 600 ms or so, and a trigger edge every 500 events.
QString writeStream(const QString& path, korvane::RawFormat format, int count) {
    korvane::RawWriterOptions options;
    options.format = format;
    options.keepEarlierTimes = true;
    korvane::RawFileWriter writer;
    if (!writer.open(path.toStdString(), 1280, 720, options)) {
        return QString();
    }
    std::uint32_t state = 7;
    const auto next = [&state] { return state = state * 1664525u + 1013904223u, state >> 8; };
    std::uint64_t time = streamStart;
    std::vector<Event2D> run;
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
    void cutHoldsExactlyTheWindow_data();
    void cutHoldsExactlyTheWindow();
    void convertingThereAndBackKeepsEverything_data();
    void convertingThereAndBackKeepsEverything();
    void rateBinsAddUpToInfo_data();
    void rateBinsAddUpToInfo();
    void rateWindowCountsInTheBackgroundAndSeeks();
    void videoHasOneFramePerStepAndTheViewersPixels();
    void badInputIsRefusedWithoutOutput_data();
    void badInputIsRefusedWithoutOutput();

private:
    QTemporaryDir dir;
    QString sources[2];  // EVT 3.0, EVT 2.0
};

void TestToolbox::initTestCase() {
    QVERIFY(dir.isValid());
    sources[0] = writeStream(dir.filePath("source3.raw"), korvane::RawFormat::Evt3, 300000);
    sources[1] = writeStream(dir.filePath("source2.raw"), korvane::RawFormat::Evt2, 300000);
    QVERIFY(!sources[0].isEmpty() && !sources[1].isEmpty());
    QVERIFY(itemsOf(sources[0]).triggers.size() > 100);
}

void TestToolbox::cutHoldsExactlyTheWindow_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("format");
    QTest::addColumn<quint64>("from");
    QTest::addColumn<quint64>("duration");
    // clang-format off
    for (int source : {0, 1}) {
        for (const QString format : {"evt3", "evt2"}) {
            const QByteArray name = QByteArray(source == 0 ? "EVT 3.0" : "EVT 2.0") + " to " +
                                    format.toLatin1() + ": ";
            QTest::newRow(name + "inside one chunk") << source << format << quint64(streamStart + 2000) << quint64(300);
            QTest::newRow(name + "across many chunks and the wrap") << source << format << quint64(streamStart + 100000) << quint64(1500000);
            QTest::newRow(name + "before all events") << source << format << quint64(0) << quint64(streamStart);
            QTest::newRow(name + "after all events") << source << format << quint64(all / 2) << quint64(1000);
            QTest::newRow(name + "no --duration: to the end") << source << format << quint64(streamStart + 900000) << quint64(0);
        }
    }
    // clang-format on
}

void TestToolbox::cutHoldsExactlyTheWindow() {
    QFETCH(int, source);
    QFETCH(QString, format);
    QFETCH(quint64, from);
    QFETCH(quint64, duration);
    const QString cut = dir.filePath("cut.raw");
    QStringList arguments{"cut",      sources[source], cut, "--from", QString::number(from),
                          "--format", format};
    if (duration != 0) {
        arguments << "--duration" << QString::number(duration);
    }
    const Run run = runTool(arguments);
    QVERIFY2(run.status == 0, run.err.constData());
    compareItems(itemsOf(cut), itemsOf(sources[source], from, duration != 0 ? duration : all));
    auto reader = korvane::RawFileReader::open(cut.toStdString());
    QVERIFY(reader);
    QCOMPARE(QString::fromStdString(reader->info().format), format.toUpper());
    const auto& header = reader->info().headerEntries;
    QVERIFY(std::count(header.begin(), header.end(),
                       std::make_pair(std::string("cut_start_us"), std::to_string(from))) == 1);
}

void TestToolbox::convertingThereAndBackKeepsEverything_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("generated, with step backs, a wrap and triggers") << sources[0];
    for (const char* name : {"evt3_sample.raw", "evt3_pedestrians.raw", "evt2_sample.raw"}) {
        QTest::newRow(name) << QDir(QStringLiteral(OSTREL_SHARED_DIR "/samples")).filePath(name);
    }
}

void TestToolbox::convertingThereAndBackKeepsEverything() {
    QFETCH(QString, source);
    if (!QFile::exists(source)) {
        QSKIP("the shared samples are not here");
    }
    const QString there = dir.filePath("there.raw");
    const QString back = dir.filePath("back.raw");
    const Items original = itemsOf(source);
    QVERIFY(!original.events.empty());
    const bool evt3 = korvane::RawFileReader::open(source.toStdString())->info().format == "EVT3";
    QCOMPARE(runTool({"convert", source, there, "--format", evt3 ? "evt2" : "evt3"}).status, 0);
    QCOMPARE(runTool({"convert", there, back, "--format", evt3 ? "evt3" : "evt2"}).status, 0);
    compareItems(itemsOf(there), original);
    compareItems(itemsOf(back), original);
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
    const Run run = runTool(arguments);
    QCOMPARE(run.status, 0);
    QList<QByteArray> lines = run.out.trimmed().split('\n');
    QCOMPARE(lines.takeFirst(), QByteArray("t_us,events,positive,negative,triggers"));
    const quint64 width = bin != 0 ? bin : 10000;
    quint64 sums[4] = {0, 0, 0, 0};
    quint64 previous = 0;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(',');
        QCOMPARE(fields.size(), 5);
        const quint64 start = fields[0].toULongLong();
        QVERIFY2(previous == 0 || start == previous + width, line.constData());
        previous = start;
        for (int i = 0; i < 4; ++i) {
            sums[i] += fields[i + 1].toULongLong();
        }
    }
    auto reader = korvane::RawFileReader::open(sources[source].toStdString());
    QVERIFY(reader->loadFile());
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

void TestToolbox::videoHasOneFramePerStepAndTheViewersPixels() {
#ifndef OSTREL_RAW_MEDIA
    QSKIP("ostrel-raw was built without video");
#else
    // A quarter of a second at 20 fps and half speed: half a second of video, 10 frames of 25 ms
    // of the recording each.
    const std::uint64_t from = streamStart + 1000;
    const QString video = dir.filePath("out.mp4");
    const Run run = runTool({"video", sources[0], video, "--from", QString::number(from),
                             "--duration", "250000", "--fps", "20", "--speed", "0.5"});
    QVERIFY2(run.status == 0, run.err.constData());
    AVFormatContext* format = nullptr;
    QCOMPARE(avformat_open_input(&format, video.toUtf8().constData(), nullptr, nullptr), 0);
    std::shared_ptr<AVFormatContext> closer(format,
                                            [](AVFormatContext* f) { avformat_close_input(&f); });
    QVERIFY(avformat_find_stream_info(format, nullptr) >= 0);
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    QVERIFY(stream >= 0);
    const AVCodecParameters* parameters = format->streams[stream]->codecpar;
    QCOMPARE(parameters->codec_id, AV_CODEC_ID_H264);
    QCOMPARE(QSize(parameters->width, parameters->height), EventFrameAccumulator::defaultSize);
    std::shared_ptr<AVCodecContext> codec(
        avcodec_alloc_context3(avcodec_find_decoder(parameters->codec_id)),
        [](AVCodecContext* c) { avcodec_free_context(&c); });
    avcodec_parameters_to_context(codec.get(), parameters);
    QCOMPARE(avcodec_open2(codec.get(), nullptr, nullptr), 0);

    // Frame 7 against the viewer's painting of its slice and of the slice after it.
    const int wanted = 7;
    auto reader = korvane::RawFileReader::open(sources[0].toStdString());
    QVERIFY(reader->loadFile());
    QImage expected[2];
    for (int k = 0; k < 2; ++k) {
        EventFrameAccumulator accumulator;
        const auto slice = reader->readEventsAt(from + (wanted + k) * 25000, 25000);
        accumulator.addEvents(slice->data(), slice->data() + slice->size());
        expected[k] = accumulator.takeImage();
    }
    QImage decoded(EventFrameAccumulator::defaultSize, QImage::Format_RGB888);
    int frames = 0;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto receive = [&] {
        while (avcodec_receive_frame(codec.get(), frame) == 0) {
            if (frames++ == wanted) {
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
    QCOMPARE(frames, 10);

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
    // clang-format off
    QTest::newRow("cut: missing input") << QStringList{"cut", dir.filePath("none.raw"), out} << "no such file";
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

void TestToolbox::badInputIsRefusedWithoutOutput() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, mentions);
    const QFileInfo before(arguments.value(1));
    const Run run = runTool(arguments);
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY2(run.err.startsWith("ostrel-raw: ") && run.err.contains(mentions.toUtf8()),
             run.err.constData());
    QVERIFY(QDir(dir.filePath("refused")).isEmpty());
    QCOMPARE(QFileInfo(arguments.value(1)).size(), before.size());
}

QTEST_MAIN(TestToolbox)
#include "tst_toolbox.moc"
