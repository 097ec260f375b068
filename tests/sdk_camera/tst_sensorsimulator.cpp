#include <QtTest>

#include "BiasTool.h"
#include "SensorSimulator.h"
#include "korvane/SimulatedCameraControl.h"

using namespace korvane;

namespace {

constexpr std::uint64_t seed = 11;

struct Tally {
    std::uint64_t events = 0;
    std::uint64_t positive = 0;
    std::uint64_t checksum = simulation::checksumSeed;
};

// Runs `steps` steps with the tool's settings and counts what came out.
Tally run(BiasTool& tool, int steps, SceneKind scene = SceneKind::Shapes) {
    SensorSimulator simulator(scene, seed);
    simulator.applySettings(tool.settings());
    std::vector<Event2D> events;
    Tally tally;
    for (int i = 0; i < steps; ++i) {
        simulator.step(events);
        tally.events += events.size();
        for (const Event2D& event : events) {
            tally.positive += event.polarity;
        }
        tally.checksum = simulation::checksumEvents(tally.checksum, events.data(), events.size());
    }
    return tally;
}

}  // namespace

class TestSensorSimulator : public QObject {
    Q_OBJECT

private slots:
    void stepsAreOrderedAndInsideTheSensor();
    void sameSeedSameStream();
    void biasesChangeTheStream_data();
    void biasesChangeTheStream();
    void refractoryPeriodSpacesEachPixel();
    void stillSceneGivesOnlyNoise();
    void flipMirrorsEveryEvent();
    void ratesSpanTheRange();
    void restartOnlyMovesForward();
};

void TestSensorSimulator::stepsAreOrderedAndInsideTheSensor() {
    BiasTool tool(SceneKind::Windmill);
    QVERIFY(tool.setParam("contrast_on", -100));
    QVERIFY(tool.setParam("bandwidth", -100));  // slow front end: events spill into later steps
    QVERIFY(tool.setParam("noise", 30));
    SensorSimulator simulator(SceneKind::Windmill, seed);
    simulator.applySettings(tool.settings());
    std::vector<Event2D> events;
    std::uint64_t total = 0;
    for (int i = 0; i < 300; ++i) {
        const std::uint64_t begin = simulator.nextStepBegin();
        simulator.step(events);
        QCOMPARE(simulator.nextStepBegin(), begin + SensorSimulator::stepMicroseconds);
        for (std::size_t j = 0; j < events.size(); ++j) {
            const Event2D& event = events[j];
            QVERIFY(event.timestamp >= begin && event.timestamp < simulator.nextStepBegin());
            QVERIFY(j == 0 || events[j - 1].timestamp <= event.timestamp);
            QVERIFY(event.x < SensorSimulator::width && event.y < SensorSimulator::height);
            QVERIFY(event.polarity <= 1);
        }
        total += events.size();
    }
    QVERIFY(total > 100000);
}

void TestSensorSimulator::sameSeedSameStream() {
    BiasTool tool(SceneKind::Shapes);
    const Tally first = run(tool, 200);
    const Tally second = run(tool, 200);
    QCOMPARE(first.checksum, second.checksum);
    QVERIFY(first.events > 0);
    QVERIFY(run(tool, 200, SceneKind::Windmill).checksum != first.checksum);
}

// Each row raises one bias and says whether the stream must shrink or grow.
void TestSensorSimulator::biasesChangeTheStream_data() {
    QTest::addColumn<QString>("bias");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<QString>("counted");
    QTest::addColumn<bool>("grows");
    QTest::newRow("positive threshold") << "contrast_on" << -40 << 60 << "positive" << false;
    QTest::newRow("negative threshold") << "contrast_off" << -40 << 60 << "negative" << false;
    QTest::newRow("refractory period") << "refractory" << -100 << 80 << "all" << false;
    QTest::newRow("noise") << "noise" << 0 << 40 << "all" << true;
    QTest::newRow("bandwidth lets noise through") << "bandwidth" << -100 << 60 << "all" << true;
}

void TestSensorSimulator::biasesChangeTheStream() {
    QFETCH(QString, bias);
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(QString, counted);
    QFETCH(bool, grows);
    BiasTool tool(SceneKind::Shapes);
    QVERIFY(tool.setParam("contrast_on", -60));
    QVERIFY(tool.setParam("contrast_off", -60));
    if (bias == "bandwidth") {
        // Noise alone: on moving edges the bandwidth trades against the refractory period.
        QVERIFY(tool.setParam("noise", 40));
        QVERIFY(tool.setParam("motion_speed", 0.0f));
    } else {
        QVERIFY(tool.setParam("noise", 0));
    }
    const auto count = [&](int value) {
        tool.setParam(bias.toStdString(), value);
        const Tally tally = run(tool, 400);
        if (counted == "positive") {
            return tally.positive;
        }
        return counted == "negative" ? tally.events - tally.positive : tally.events;
    };
    const std::uint64_t atLow = count(low);
    const std::uint64_t atHigh = count(high);
    QVERIFY2(atLow > 1000, qPrintable(QString::number(atLow)));
    if (grows) {
        QVERIFY2(atHigh >= atLow, qPrintable(QString("%1 -> %2").arg(atLow).arg(atHigh)));
    } else {
        // Clearly fewer, not a rounding difference.
        QVERIFY2(atHigh * 3 < atLow * 2, qPrintable(QString("%1 -> %2").arg(atLow).arg(atHigh)));
    }
}

void TestSensorSimulator::refractoryPeriodSpacesEachPixel() {
    const std::uint32_t refractory = refractoryFromBias(60);
    BiasTool tool(SceneKind::Windmill);
    QVERIFY(tool.setParam("contrast_on", -100));
    QVERIFY(tool.setParam("contrast_off", -100));
    QVERIFY(tool.setParam("refractory", 60));
    SensorSimulator simulator(SceneKind::Windmill, seed);
    simulator.applySettings(tool.settings());
    std::vector<std::uint64_t> last(std::size_t(SensorSimulator::width) * SensorSimulator::height,
                                    0);
    std::vector<Event2D> events;
    std::uint64_t repeats = 0;
    for (int i = 0; i < 500; ++i) {
        simulator.step(events);
        for (const Event2D& event : events) {
            std::uint64_t& previous = last[std::size_t(event.y) * SensorSimulator::width + event.x];
            if (previous != 0) {
                QVERIFY(event.timestamp + 1 >= previous + refractory);
                ++repeats;
            }
            previous = event.timestamp + 1;  // 0 stays "never fired"
        }
    }
    QVERIFY(repeats > 1000);
}

void TestSensorSimulator::stillSceneGivesOnlyNoise() {
    BiasTool tool(SceneKind::Shapes);
    QVERIFY(tool.setParam("motion_speed", 0.0f));
    QVERIFY(tool.setParam("noise", 10));  // one event per pixel and second
    QVERIFY(tool.setParam("bandwidth", 100));
    const Tally tally = run(tool, 250);
    QVERIFY(qAbs(qint64(tally.events) - 1280 * 720 / 4) <= 1);
    QVERIFY(tool.setParam("noise", 0));
    QCOMPARE(run(tool, 100).events, std::uint64_t(0));
}

void TestSensorSimulator::flipMirrorsEveryEvent() {
    BiasTool tool(SceneKind::Shapes);
    SensorSimulator plain(SceneKind::Shapes, seed);
    SensorSimulator mirrored(SceneKind::Shapes, seed);
    plain.applySettings(tool.settings());
    QVERIFY(tool.setParam("flip_x", true));
    mirrored.applySettings(tool.settings());
    std::vector<Event2D> a;
    std::vector<Event2D> b;
    for (int i = 0; i < 100; ++i) {
        plain.step(a);
        mirrored.step(b);
        QCOMPARE(a.size(), b.size());
        for (std::size_t j = 0; j < a.size(); ++j) {
            QCOMPARE(b[j].x, std::uint16_t(SensorSimulator::width - 1 - a[j].x));
            QCOMPARE(b[j].y, a[j].y);
            QCOMPARE(b[j].timestamp, a[j].timestamp);
        }
    }
}

// The biases together reach from a quiet sensor to well past 20 million events per second.
void TestSensorSimulator::ratesSpanTheRange() {
    BiasTool quiet(SceneKind::Shapes);
    quiet.setParam("contrast_on", 100);
    quiet.setParam("contrast_off", 100);
    quiet.setParam("refractory", 100);
    quiet.setParam("noise", 0);
    quiet.setParam("bandwidth", -100);
    const double quietRate = run(quiet, 1000).events;  // one second
    QVERIFY2(quietRate > 20000 && quietRate < 300000, qPrintable(QString::number(quietRate)));

    BiasTool busy(SceneKind::Shapes);
    busy.setParam("contrast_on", -100);
    busy.setParam("contrast_off", -100);
    busy.setParam("refractory", -100);
    busy.setParam("noise", 255);
    busy.setParam("bandwidth", 0);
    const double busyRate = run(busy, 200).events * 5.0;
    QVERIFY2(busyRate > 20e6, qPrintable(QString::number(busyRate)));
}

void TestSensorSimulator::restartOnlyMovesForward() {
    SensorSimulator simulator(SceneKind::Shapes, seed);
    simulator.restartAt(5500);
    QCOMPARE(simulator.nextStepBegin(), std::uint64_t(6000));
    simulator.restartAt(100);
    QCOMPARE(simulator.nextStepBegin(), std::uint64_t(6000));
    simulator.restartAt(7000);
    QCOMPARE(simulator.nextStepBegin(), std::uint64_t(7000));
    std::vector<Event2D> events;
    simulator.step(events);
    for (const Event2D& event : events) {
        QVERIFY(event.timestamp >= 7000);
    }
}

QTEST_APPLESS_MAIN(TestSensorSimulator)
#include "tst_sensorsimulator.moc"
