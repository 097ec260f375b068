#include <QtTest>

#include <cmath>
#include <map>

#include "BatchAssembler.h"
#include "BiasTool.h"
#include "SensorSimulator.h"
#include "korvane/SimulatedCameraControl.h"

using namespace korvane;

namespace {

template <typename Record>
QString text(const Record& record) {
    return QString::fromStdString(record.toString());
}

QString text(ToolParameterType type) {
    return QString::fromStdString(ToolParameterTypeToString(type));
}

bool set(BiasTool& tool, const std::map<std::string, int>& biases) {
    bool all = true;
    for (const auto& [name, value] : biases) {
        all = tool.setParam(name, value) && all;
    }
    return all;
}

// Runs the tool's scene with its settings for `steps` steps and hands every event to `seen`,
// with the begin of its step.
template <typename Seen>
void simulate(const BiasTool& tool, int steps, Seen&& seen) {
    SensorSimulator simulator(tool.settings().scene, 11);
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
        events.emplace_back(std::uint16_t(t % 1280), std::uint16_t(t % 720), std::uint8_t(t & 1),
                            t);
    }
    if (batches != nullptr) {
        batches->append(events.data(), events.size(), end);
    }
    return events;
}

}  // namespace

// The simulated camera's parts: parameter records, the bias tool, the sensor simulator and the
// batch assembler.
class TestCameraParts : public QObject {
    Q_OBJECT

private slots:
    void recordTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("basic") << text(BasicParameterInfo{"speed", "", ToolParameterType::Float}) << "Name: speed Description:  Type: float";
        QTest::newRow("int") << text(IntParameterInfo{-5, 100, 10, "mV"}) << "Min: -5 Max: 100 Default: 10 Unit: mV";
        QTest::newRow("float: six decimals, no exponent") << text(FloatParameterInfo{-2.0f, 1e10f, 0.25f, "x"}) << "Min: -2.000000 Max: 10000000000.000000 Default: 0.250000 Unit: x";
        QTest::newRow("bool true") << text(BoolParameterInfo{true}) << "Default: 1";
        QTest::newRow("bool false") << text(BoolParameterInfo{false}) << "Default: 0";
        QTest::newRow("enum counts its options") << text(EnumParameterInfo{{"shapes", "x y"}, "x y"}) << "Options: 2 Default: x y";
        QTest::newRow("type int") << text(ToolParameterType::Int) << "int";
        QTest::newRow("type bool") << text(ToolParameterType::Bool) << "bool";
        QTest::newRow("type enum") << text(ToolParameterType::Enum) << "enum";
        QTest::newRow("type string") << text(ToolParameterType::String) << "string";
        QTest::newRow("not a type") << text(static_cast<ToolParameterType>(99)) << "unknown";
        // clang-format on
    }
    void recordTexts() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }

    // Int and float records clamp alike; a NaN compares false both ways and passes.
    void recordClamps_data() {
        QTest::addColumn<float>("min");
        QTest::addColumn<float>("max");
        QTest::addColumn<float>("value");
        QTest::addColumn<float>("result");
        QTest::newRow("below") << 10.0f << 20.0f << 5.0f << 10.0f;
        QTest::newRow("above") << 10.0f << 20.0f << 25.0f << 20.0f;
        QTest::newRow("inside") << 10.0f << 20.0f << 15.0f << 15.0f;
        QTest::newRow("inverted range: min first") << 20.0f << 10.0f << 15.0f << 20.0f;
        QTest::newRow("NaN") << 0.0f << 1.0f << float(qQNaN()) << float(qQNaN());
    }
    void recordClamps() {
        QFETCH(float, min);
        QFETCH(float, max);
        QFETCH(float, value);
        QFETCH(float, result);
        QCOMPARE(FloatParameterInfo({min, max, 0.0f, ""}).constraintValue(value), result);
        if (!qIsNaN(value)) {
            QCOMPARE(IntParameterInfo({int(min), int(max), 0, ""}).constraintValue(int(value)),
                     int(result));
        }
    }

    // The order is the one the settings window shows.
    void listsBiasesInDisplayOrder() {
        QStringList biases;
        for (const BasicParameterInfo& info : BiasTool(SceneKind::Shapes).getAllParamInfo()) {
            biases << QString("%1 %2").arg(QString::fromStdString(info.name)).arg(int(info.type));
        }
        QCOMPARE(biases,
                 QStringList({"contrast_on 0", "contrast_off 0", "refractory 0", "bandwidth 0",
                              "noise 0", "motion_speed 1", "flip_x 2", "scene 3"}));
    }

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

    void intBiasesKeepToTheirRanges_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("stored");
        QTest::newRow("inside") << "refractory" << 42 << 42;
        QTest::newRow("above") << "contrast_on" << 500 << 100;
        QTest::newRow("below") << "contrast_off" << -101 << -100;
        QTest::newRow("noise below its own range") << "noise" << -5 << 0;
        QTest::newRow("noise top of its own range") << "noise" << 255 << 255;
    }
    void intBiasesKeepToTheirRanges() {
        QFETCH(QString, name);
        QFETCH(int, value);
        QFETCH(int, stored);
        BiasTool tool(SceneKind::Shapes);
        const std::uint64_t before = tool.version();
        int read = -1;
        QVERIFY(tool.setParam(name.toStdString(), value));
        QVERIFY(tool.getParam(name.toStdString(), read));
        QCOMPARE(read, stored);
        QVERIFY(tool.version() > before);
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
        bool flip = true;
        float speed = 0.0f;
        std::string scene;
        QVERIFY(tool.getParam("flip_x", flip) && tool.getParam("motion_speed", speed) &&
                tool.getParam("scene", scene));
        QVERIFY(!flip);
        QCOMPARE(speed, 1.0f);
        QCOMPARE(scene, std::string("windmill"));
    }

    // Refused values leave the value and the version alone.
    void sceneBiasesRefuseBadValues() {
        BiasTool tool(SceneKind::Windmill);
        const std::uint64_t start = tool.version();
        QVERIFY(!tool.setParam("motion_speed", float(qQNaN())));
        QVERIFY(!tool.setParam("scene", std::string("cube")));
        QVERIFY(!tool.setParam("scene", std::string("Shapes")));
        QCOMPARE(tool.version(), start);
        QVERIFY(tool.setParam("motion_speed", 9.5f));
        QVERIFY(tool.setParam("scene", std::string("shapes")));
        QVERIFY(tool.setParam("flip_x", true));
        QCOMPARE(tool.version(), start + 3);
        QCOMPARE(tool.settings().motionSpeed, 4.0f);
        QCOMPARE(tool.settings().scene, SceneKind::Shapes);
        QVERIFY(tool.settings().flipX);
    }

    void settingsFollowTheBiases() {
        BiasTool tool(SceneKind::Shapes);
        QVERIFY(set(tool, {{"contrast_on", 100}, {"contrast_off", -100}, {"refractory", 50}}));
        QVERIFY(set(tool, {{"bandwidth", -40}, {"noise", 20}}));
        const SensorSettings settings = tool.settings();
        const double cutoff = cutoffHertzFromBias(-40);
        QCOMPARE(settings.thresholdOn, thresholdFromBias(100));
        QCOMPARE(settings.thresholdOff, thresholdFromBias(-100));
        QCOMPARE(settings.refractoryMicroseconds, refractoryFromBias(50));
        QCOMPARE(settings.photoreceptorTauMicroseconds, tauMicrosecondsFromCutoff(cutoff));
        QCOMPARE(settings.noiseRatePerPixel, noiseRateFromBiases(20, cutoff));
    }

    void biasMappings_data() {
        QTest::addColumn<int>("bias");
        QTest::addColumn<float>("threshold");
        QTest::addColumn<uint>("refractory");
        QTest::addColumn<double>("cutoff");
        QTest::addColumn<int>("noise");
        QTest::addColumn<double>("rate");
        // clang-format off
        QTest::newRow("lowest: noise filtered") << -100 << 0.03125f << 2u << 100.0 << 10 << 100.0 / 3200.0;
        QTest::newRow("middle: noise passes") << 0 << 0.25f << 100u << 3200.0 << 10 << 1.0;
        QTest::newRow("half way up") << 50 << 0.70710678f << 707u << 3200.0 * std::sqrt(32.0) << 0 << 0.0;
        QTest::newRow("highest") << 100 << 2.0f << 5000u << 102400.0 << 255 << 25.5;
        QTest::newRow("clamped above") << 1000 << 2.0f << 5000u << 102400.0 << 255 << 25.5;
        QTest::newRow("clamped below, negative noise") << -1000 << 0.03125f << 2u << 100.0 << -5 << 0.0;
        // clang-format on
    }
    void biasMappings() {
        QFETCH(int, bias);
        QFETCH(float, threshold);
        QFETCH(uint, refractory);
        QFETCH(double, cutoff);
        QFETCH(int, noise);
        QFETCH(double, rate);
        QCOMPARE(thresholdFromBias(bias), threshold);
        QCOMPARE(uint(refractoryFromBias(bias)), refractory);
        QCOMPARE(cutoffHertzFromBias(bias), cutoff);
        QCOMPARE(noiseRateFromBiases(noise, cutoff), rate);
    }

    // A slow front end and noise: events spill into later steps.
    void streamIsOrderedAndInsideTheSensor() {
        BiasTool busy(SceneKind::Windmill);
        QVERIFY(set(busy, {{"contrast_on", -100}, {"bandwidth", -100}, {"noise", 30}}));
        std::uint64_t last = 0;
        std::uint64_t total = 0;
        std::uint64_t wrong = 0;
        simulate(busy, 300, [&](const Event2D& event, std::uint64_t begin) {
            wrong += event.timestamp < begin || event.timestamp >= begin + 1000 ||
                     event.timestamp < last || event.x >= SensorSimulator::width ||
                     event.y >= SensorSimulator::height || event.polarity > 1;
            last = event.timestamp;
            ++total;
        });
        QCOMPARE(wrong, std::uint64_t(0));
        QVERIFY(total > 100000);
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
        QTest::newRow("bandwidth lets noise through") << "bandwidth" << -100 << 60 << -1 << true;
    }
    void biasesChangeTheStream() {
        QFETCH(QString, bias);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, polarity);
        QFETCH(bool, grows);
        // Noise alone for the bandwidth: on moving edges it trades against the refractory period.
        const bool noiseOnly = bias == "bandwidth";
        BiasTool tool(SceneKind::Shapes);
        QVERIFY(set(tool,
                    {{"contrast_on", -60}, {"contrast_off", -60}, {"noise", noiseOnly ? 40 : 0}}));
        QVERIFY(tool.setParam("motion_speed", noiseOnly ? 0.0f : 1.0f));
        QVERIFY(tool.setParam(bias.toStdString(), low));
        const std::uint64_t atLow = count(tool, 400, polarity);
        QVERIFY(tool.setParam(bias.toStdString(), high));
        const std::uint64_t atHigh = count(tool, 400, polarity);
        const QString counts = QString("%1 -> %2").arg(atLow).arg(atHigh);
        QVERIFY2(atLow > 1000, qPrintable(counts));
        // Clearly fewer, not a rounding difference.
        QVERIFY2(grows ? atHigh >= atLow : atHigh * 3 < atLow * 2, qPrintable(counts));
    }

    void refractoryPeriodSpacesEachPixel() {
        BiasTool tool(SceneKind::Windmill);
        QVERIFY(set(tool, {{"contrast_on", -100}, {"contrast_off", -100}, {"refractory", 60}}));
        std::vector<std::uint64_t> ready(std::size_t(SensorSimulator::width) * 720, 0);
        std::uint64_t repeats = 0;
        std::uint64_t early = 0;
        simulate(tool, 500, [&](const Event2D& event, std::uint64_t) {
            std::uint64_t& pixel = ready[std::size_t(event.y) * SensorSimulator::width + event.x];
            repeats += pixel != 0;
            early += event.timestamp < pixel;
            pixel = event.timestamp + refractoryFromBias(60);
        });
        QCOMPARE(early, std::uint64_t(0));
        QVERIFY(repeats > 1000);
    }

    void stillSceneGivesOnlyNoise() {
        BiasTool still(SceneKind::Shapes);
        QVERIFY(set(still, {{"noise", 10}, {"bandwidth", 100}}));  // 1 Hz per pixel, all of it
        QVERIFY(still.setParam("motion_speed", 0.0f));
        QVERIFY(qAbs(qint64(count(still, 250)) - 1280 * 720 / 4) <= 1);
        QVERIFY(still.setParam("noise", 0));
        QCOMPARE(count(still, 100), std::uint64_t(0));
    }

    // The biases together reach from a quiet sensor to well past 20 million events per second.
    void ratesSpanTheRange() {
        BiasTool quiet(SceneKind::Shapes);
        BiasTool busy(SceneKind::Shapes);
        QVERIFY(set(quiet, {{"contrast_on", 100}, {"contrast_off", 100}, {"refractory", 100}}));
        QVERIFY(set(busy, {{"contrast_on", -100}, {"contrast_off", -100}, {"refractory", -100}}));
        QVERIFY(quiet.setParam("bandwidth", -100) && busy.setParam("noise", 255));
        const std::uint64_t quietRate = count(quiet, 1000);  // one second
        QVERIFY2(quietRate > 20000 && quietRate < 300000, qPrintable(QString::number(quietRate)));
        const std::uint64_t busyRate = count(busy, 200) * 5;
        QVERIFY2(busyRate > 20000000, qPrintable(QString::number(busyRate)));
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
        append(&batches, 1150, 1250);
        batches.stop();
        batches.take(taken);
        QVERIFY(taken.empty());
    }

    // The batch being filled keeps its length; when several complete at once, the newest is
    // handed out and the count says how many were passed over.
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
    }

    void intervalIsClamped_data() {
        QTest::addColumn<quint64>("asked");
        QTest::addColumn<quint64>("used");
        QTest::newRow("zero is the shortest") << quint64(0) << quint64(1);
        QTest::newRow("a frame") << quint64(33333) << quint64(33333);
        QTest::newRow("above a second") << quint64(1000001) << quint64(1000000);
    }
    void intervalIsClamped() {
        QFETCH(quint64, asked);
        QFETCH(quint64, used);
        QCOMPARE(quint64(BatchAssembler::clampInterval(asked)), used);
        BatchAssembler batches;
        batches.start(0, asked);
        append(&batches, 0, 2100000, 1000);
        std::vector<Event2D> taken;
        batches.take(taken);
        QCOMPARE(batches.takenEnd() - batches.takenBegin(), used);
    }
};

QTEST_APPLESS_MAIN(TestCameraParts)
#include "tst_cameraparts.moc"
