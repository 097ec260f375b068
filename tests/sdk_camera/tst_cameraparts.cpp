#include <QtTest>

#include <algorithm>
#include <map>

#include "BatchAssembler.h"
#include "BiasTool.h"
#include "SensorSimulator.h"
#include "korvane/SimulatedCameraControl.h"

using namespace korvane;

namespace {

bool set(BiasTool& tool, const std::map<std::string, int>& biases) {
    return std::all_of(biases.begin(), biases.end(),
                       [&](const auto& bias) { return tool.setParam(bias.first, bias.second); });
}

// Runs the tool's settings, its scene among them, for `steps` steps and hands every event to
// `seen`, with the begin of its step.
template <typename Seen>
void simulate(const BiasTool& tool, int steps, Seen&& seen) {
    SensorSimulator simulator(SceneKind::Shapes, 11);
    simulator.applySettings(tool.settings());
    std::vector<Event2D> events;
    for (int i = 0; i < steps; ++i) {
        const std::uint64_t begin = simulator.nextStepBegin();
        simulator.step(events);
        for (const Event2D& event : events) {
            seen(event, begin);
        }
    }
}

// Events of one polarity, or of both (-1).
std::uint64_t count(const BiasTool& tool, int steps, int polarity = -1) {
    std::uint64_t events = 0;
    simulate(tool, steps, [&](const Event2D& event, std::uint64_t) {
        events += polarity < 0 || event.polarity == polarity ? 1 : 0;
    });
    return events;
}

// Mirrored back when asked, so a flipped stream sums like the plain one.
std::uint64_t checksum(const BiasTool& tool, int steps, bool unflip = false) {
    std::uint64_t sum = simulation::checksumSeed;
    simulate(tool, steps, [&](Event2D event, std::uint64_t) {
        event.x = std::uint16_t(unflip ? SensorSimulator::width - 1 - event.x : event.x);
        sum = simulation::checksumEvents(sum, &event, 1);
    });
    return sum;
}

// One event every `spacing` microseconds over [begin, end), complete until end.
std::vector<Event2D> append(BatchAssembler* batches, std::uint64_t begin, std::uint64_t end,
                            std::uint64_t spacing = 1) {
    std::vector<Event2D> events;
    for (std::uint64_t t = begin; t < end; t += spacing) {
        events.emplace_back(std::uint16_t(t % 1280), 2, 1, t);
    }
    if (batches != nullptr) {
        batches->append(events.data(), events.size(), end);
    }
    return events;
}

}  // namespace

// The simulated camera's parts: the bias tool, the sensor simulator and the batch assembler.
class TestCameraParts : public QObject {
    Q_OBJECT

private slots:
    // Each getter and setter answers only for its own type.
    void biasesAnswerForTheirTypeOnly_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::newRow("int") << "refractory" << 0;
        QTest::newRow("float") << "motion_speed" << 1;
        QTest::newRow("bool") << "flip_x" << 2;
        QTest::newRow("enum") << "scene" << 3;
        QTest::newRow("unknown") << "Refractory" << -1;
    }
    void biasesAnswerForTheirTypeOnly() {
        QFETCH(QString, name);
        QFETCH(int, type);
        BiasTool tool(SceneKind::Shapes);
        const std::string key = name.toStdString();
        int intValue = 0;
        float floatValue = 0.0f;
        bool boolValue = false;
        std::string text;
        IntParameterInfo info;
        QCOMPARE(tool.getParamInfo(key, info), type == 0);
        QCOMPARE(tool.getParam(key, intValue), type == 0);
        QCOMPARE(tool.getParam(key, floatValue), type == 1);
        QCOMPARE(tool.getParam(key, boolValue), type == 2);
        QCOMPARE(tool.getParam(key, text), type == 3);
        QCOMPARE(tool.setParam(key, 1), type == 0);
        QCOMPARE(tool.setParam(key, 1.0f), type == 1);
        QCOMPARE(tool.setParam(key, true), type == 2);
        QCOMPARE(tool.setParam(key, std::string("windmill")), type == 3);
    }

    // Integer biases are kept in their ranges, and each steers its own part of the sensor.
    void intBiasesSteerTheSensor_data() {
        QTest::addColumn<QString>("biases");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<float>("value");
        // clang-format off
        QTest::newRow("contrast_on lowest") << "contrast_on=-100" << -100 << "thresholdOn" << 0.03125f;
        QTest::newRow("contrast_on clamped above") << "contrast_on=500" << 100 << "thresholdOn" << 2.0f;
        QTest::newRow("contrast_off half way up") << "contrast_off=50" << 50 << "thresholdOff" << 0.70710678f;
        QTest::newRow("contrast_off clamped below") << "contrast_off=-101" << -100 << "thresholdOff" << 0.03125f;
        QTest::newRow("refractory shortest") << "refractory=-100" << -100 << "refractory" << 2.0f;
        QTest::newRow("refractory default") << "refractory=0" << 0 << "refractory" << 100.0f;
        QTest::newRow("refractory longest") << "refractory=100" << 100 << "refractory" << 5000.0f;
        QTest::newRow("bandwidth narrowest: slow front end") << "bandwidth=-100" << -100 << "tau" << 1591.5494f;
        QTest::newRow("bandwidth widest: fast front end") << "bandwidth=100" << 100 << "tau" << 1.554247f;
        QTest::newRow("noise") << "noise=10" << 10 << "noise" << 1.0f;
        QTest::newRow("noise clamped above") << "noise=300" << 255 << "noise" << 25.5f;
        QTest::newRow("noise clamped below") << "noise=-5" << 0 << "noise" << 0.0f;
        QTest::newRow("narrow front end filters noise") << "noise=10,bandwidth=-100" << 10 << "noise" << 0.03125f;
        QTest::newRow("wide front end passes all noise, no more") << "noise=10,bandwidth=100" << 10 << "noise" << 1.0f;
        // clang-format on
    }
    void intBiasesSteerTheSensor() {
        QFETCH(QString, biases);
        QFETCH(int, stored);
        QFETCH(QString, setting);
        QFETCH(float, value);
        BiasTool tool(SceneKind::Shapes);
        for (const QString& bias : biases.split(',')) {
            QVERIFY(
                tool.setParam(bias.section('=', 0, 0).toStdString(), bias.section('=', 1).toInt()));
        }
        int read = 0;
        QVERIFY(tool.getParam(biases.section('=', 0, 0).toStdString(), read));
        QCOMPARE(read, stored);
        const SensorSettings settings = tool.settings();
        const std::map<QString, float> settingValues{
            {"thresholdOn", settings.thresholdOn},
            {"thresholdOff", settings.thresholdOff},
            {"refractory", float(settings.refractoryMicroseconds)},
            {"tau", settings.photoreceptorTauMicroseconds},
            {"noise", float(settings.noiseRatePerPixel)}};
        QCOMPARE(settingValues.at(setting), value);
    }

    // A camera model's start values stand in for 0, clamped like any other value.
    void biasesStartAtTheirDefaults() {
        BiasTool tool(SceneKind::Windmill, {{"contrast_on", 25}, {"noise", 300}, {"gain", 3}});
        const std::map<std::string, int> starts{
            {"contrast_on", 25}, {"contrast_off", 0}, {"refractory", 0}, {"noise", 255}};
        for (const auto& [name, start] : starts) {
            IntParameterInfo info;
            int value = -1;
            QVERIFY(tool.getParamInfo(name, info) && tool.getParam(name, value));
            QCOMPARE(value, start);
            QCOMPARE(info.defaultValue, start);
        }
        QCOMPARE(tool.settings().scene, SceneKind::Windmill);
    }

    // Refused values leave the value and the version alone; every other change moves the version.
    void biasesRefuseBadValues() {
        BiasTool tool(SceneKind::Windmill);
        const std::uint64_t start = tool.version();
        QVERIFY(!tool.setParam("motion_speed", float(qQNaN())));
        QVERIFY(!tool.setParam("scene", std::string("cube")));
        QVERIFY(!tool.setParam("scene", std::string("Shapes")));
        QCOMPARE(tool.version(), start);
        QVERIFY(tool.setParam("motion_speed", -1.0f));
        QCOMPARE(tool.settings().motionSpeed, 0.0f);
        QVERIFY(tool.setParam("motion_speed", 9.5f));
        QVERIFY(tool.setParam("scene", std::string("shapes")));
        QVERIFY(tool.setParam("flip_x", true));
        QVERIFY(tool.setParam("noise", 3));
        QCOMPARE(tool.version(), start + 5);
        QCOMPARE(tool.settings().motionSpeed, 4.0f);
        QCOMPARE(tool.settings().scene, SceneKind::Shapes);
        QVERIFY(tool.settings().flipX);
    }

    // A slow front end: events spill into later steps, each pixel blind for its refractory period.
    void streamIsOrderedAndInsideTheSensor() {
        BiasTool busy(SceneKind::Windmill);
        QVERIFY(set(busy, {{"contrast_on", -100}, {"contrast_off", -100}, {"refractory", 60}}));
        QVERIFY(set(busy, {{"bandwidth", -100}}));
        std::vector<std::uint64_t> ready(std::size_t(SensorSimulator::width) * 720, 0);
        std::uint64_t last = 0;
        std::uint64_t repeats = 0;
        std::uint64_t wrong = 0;
        simulate(busy, 500, [&](const Event2D& event, std::uint64_t begin) {
            std::uint64_t& pixel =
                ready[std::size_t(event.y % 720) * SensorSimulator::width + event.x % 1280];
            wrong += event.timestamp < begin || event.timestamp >= begin + 1000 ||
                     event.timestamp < last || event.x >= SensorSimulator::width ||
                     event.y >= SensorSimulator::height || event.polarity > 1 ||
                     event.timestamp < pixel;
            repeats += pixel != 0;
            pixel = event.timestamp + refractoryFromBias(60);
            last = event.timestamp;
        });
        QCOMPARE(wrong, std::uint64_t(0));
        QVERIFY2(repeats > 1000, qPrintable(QString::number(repeats)));
    }

    void sameSeedSameStreamAndFlipMirrors() {
        BiasTool shapes(SceneKind::Shapes);
        const std::uint64_t plain = checksum(shapes, 200);
        QCOMPARE(checksum(shapes, 200), plain);
        QVERIFY(checksum(BiasTool(SceneKind::Windmill), 200) != plain);
        QVERIFY(shapes.setParam("flip_x", true));
        QCOMPARE(checksum(shapes, 200, true), plain);
    }

    // Each row raises one bias and says whether the stream must shrink or grow.
    void biasesChangeTheStream_data() {
        QTest::addColumn<QString>("bias");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("polarity");
        QTest::addColumn<bool>("grows");
        QTest::newRow("positive threshold") << "contrast_on" << -40 << 60 << 1 << false;
        QTest::newRow("negative threshold") << "contrast_off" << -40 << 60 << 0 << false;
        QTest::newRow("refractory period") << "refractory" << -100 << 80 << -1 << false;
        QTest::newRow("noise") << "noise" << 0 << 40 << -1 << true;
    }
    void biasesChangeTheStream() {
        QFETCH(QString, bias);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, polarity);
        QFETCH(bool, grows);
        BiasTool tool(SceneKind::Shapes);
        QVERIFY(set(tool, {{"contrast_on", -60}, {"contrast_off", -60}}));
        QVERIFY(tool.setParam(bias.toStdString(), low));
        const std::uint64_t atLow = count(tool, 400, polarity);
        QVERIFY(tool.setParam(bias.toStdString(), high));
        const std::uint64_t atHigh = count(tool, 400, polarity);
        const QString counts = QString("%1 -> %2").arg(atLow).arg(atHigh);
        QVERIFY2(atLow > 1000, qPrintable(counts));
        // Clearly fewer, not a rounding difference.
        QVERIFY2(grows ? atHigh >= atLow : atHigh * 3 < atLow * 2, qPrintable(counts));
    }

    void stillSceneGivesOnlyNoise() {
        BiasTool still(SceneKind::Shapes);
        QVERIFY(set(still, {{"noise", 10}, {"bandwidth", 100}}));  // 1 Hz per pixel, all of it
        QVERIFY(still.setParam("motion_speed", 0.0f));
        QVERIFY(qAbs(qint64(count(still, 250)) - 1280 * 720 / 4) <= 1);
    }

    void restartOnlyMovesForward() {
        SensorSimulator simulator(SceneKind::Shapes, 11);
        simulator.restartAt(5500);
        QCOMPARE(simulator.nextStepBegin(), std::uint64_t(6000));
        simulator.restartAt(100);
        QCOMPARE(simulator.nextStepBegin(), std::uint64_t(6000));
    }

    void batchIsHandedOutOnceComplete() {
        BatchAssembler batches;
        batches.start(1000, 100);
        append(&batches, 1000, 1099);
        std::vector<Event2D> taken{Event2D()};
        batches.take(taken);
        QVERIFY(taken.empty());
        append(&batches, 1099, 1150);
        batches.take(taken);
        QCOMPARE(taken, append(nullptr, 1000, 1100));
        QCOMPARE(batches.takenEnd(), std::uint64_t(1100));
        batches.take(taken);
        QVERIFY(taken.empty());
        append(&batches, 1150, 1200);
        batches.take(taken);
        QCOMPARE(taken, append(nullptr, 1100, 1200));
    }

    // The batch being filled keeps its length; when several complete at once, the newest is
    // handed out and the count says how many were passed over. No batch is longer than a second.
    void newestBatchOfTheNewLength() {
        BatchAssembler batches;
        batches.start(0, 10);
        append(&batches, 0, 5);
        batches.setInterval(20);
        append(&batches, 5, 105);
        std::vector<Event2D> taken;
        batches.take(taken);
        QCOMPARE(taken, append(nullptr, 70, 90));
        QCOMPARE(batches.takenSequence(), std::uint64_t(5));
        append(&batches, 105, 111);
        batches.take(taken);
        QCOMPARE(taken, append(nullptr, 90, 110));
        QCOMPARE(batches.takenSequence(), std::uint64_t(6));
        QCOMPARE(BatchAssembler::clampInterval(UINT64_MAX), std::uint64_t(1000000));
    }
};

QTEST_APPLESS_MAIN(TestCameraParts)
#include "tst_cameraparts.moc"
