#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>

#include "BiasTool.h"
#include "SensorSettings.h"

using namespace korvane;

class TestBiasTool : public QObject {
    Q_OBJECT

private slots:
    void listsParametersInDisplayOrder();
    void intInfoOnlyForIntegers_data();
    void intInfoOnlyForIntegers();
    void intValuesClampToRange_data();
    void intValuesClampToRange();
    void typedAccess_data();
    void typedAccess();
    void floatClampsAndRefusesNan();
    void enumTakesOnlyItsOptions();
    void startsAtDefaults();
    void versionMovesWithEveryChange();
    void settingsFollowBiases();
    void thresholdMapping_data();
    void thresholdMapping();
    void cutoffAndNoiseMapping_data();
    void cutoffAndNoiseMapping();
    void refractoryMapping_data();
    void refractoryMapping();
};

void TestBiasTool::listsParametersInDisplayOrder() {
    BiasTool tool(SceneKind::Shapes);
    QCOMPARE(QString::fromStdString(tool.name()), QString("Biases"));
    const std::vector<BasicParameterInfo> all = tool.getAllParamInfo();
    QStringList names;
    QList<int> types;
    for (const BasicParameterInfo& info : all) {
        names << QString::fromStdString(info.name);
        types << static_cast<int>(info.type);
        QVERIFY(!info.description.empty());
    }
    QCOMPARE(names, QStringList({"contrast_on", "contrast_off", "refractory", "bandwidth", "noise",
                                 "motion_speed", "flip_x", "scene"}));
    QCOMPARE(types, QList<int>({0, 0, 0, 0, 0, 1, 2, 3}));
    // Stable: a second call gives the same order.
    QCOMPARE(tool.getAllParamInfo().front().name, all.front().name);
    QCOMPARE(tool.getAllParamInfo().back().name, all.back().name);
}

void TestBiasTool::intInfoOnlyForIntegers_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<QString>("unit");
    QTest::newRow("contrast_on") << "contrast_on" << true << -100 << 100 << "";
    QTest::newRow("contrast_off") << "contrast_off" << true << -100 << 100 << "";
    QTest::newRow("refractory") << "refractory" << true << -100 << 100 << "";
    QTest::newRow("bandwidth") << "bandwidth" << true << -100 << 100 << "";
    QTest::newRow("noise") << "noise" << true << 0 << 255 << "0.1 Hz";
    QTest::newRow("float") << "motion_speed" << false << 0 << 0 << "";
    QTest::newRow("bool") << "flip_x" << false << 0 << 0 << "";
    QTest::newRow("enum") << "scene" << false << 0 << 0 << "";
    QTest::newRow("unknown") << "gain" << false << 0 << 0 << "";
    QTest::newRow("case matters") << "Contrast_On" << false << 0 << 0 << "";
}

void TestBiasTool::intInfoOnlyForIntegers() {
    QFETCH(QString, name);
    QFETCH(bool, found);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(QString, unit);
    BiasTool tool(SceneKind::Shapes);
    IntParameterInfo info{1234, 1234, 1234, "untouched"};
    QCOMPARE(tool.getParamInfo(name.toStdString(), info), found);
    if (found) {
        QCOMPARE(info.min, min);
        QCOMPARE(info.max, max);
        QVERIFY(info.defaultValue >= min && info.defaultValue <= max);
        QCOMPARE(QString::fromStdString(info.unit), unit);
    } else {
        QCOMPARE(info.min, 1234);
        QCOMPARE(info.unit, std::string("untouched"));
    }
}

void TestBiasTool::intValuesClampToRange_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stored");
    QTest::newRow("inside") << "contrast_on" << 42 << 42;
    QTest::newRow("above") << "contrast_on" << 500 << 100;
    QTest::newRow("below") << "contrast_off" << -101 << -100;
    QTest::newRow("lowest int") << "refractory" << std::numeric_limits<int>::min() << -100;
    QTest::newRow("highest int") << "bandwidth" << std::numeric_limits<int>::max() << 100;
    QTest::newRow("bound") << "noise" << 255 << 255;
}

void TestBiasTool::intValuesClampToRange() {
    QFETCH(QString, name);
    QFETCH(int, value);
    QFETCH(int, stored);
    BiasTool tool(SceneKind::Shapes);
    QVERIFY(tool.setParam(name.toStdString(), value));
    int read = -7;
    QVERIFY(tool.getParam(name.toStdString(), read));
    QCOMPARE(read, stored);
}

// Each getter and setter answers only for its own type.
void TestBiasTool::typedAccess_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::newRow("int") << "refractory" << 0;
    QTest::newRow("float") << "motion_speed" << 1;
    QTest::newRow("bool") << "flip_x" << 2;
    QTest::newRow("enum") << "scene" << 3;
    QTest::newRow("unknown") << "exposure" << -1;
}

void TestBiasTool::typedAccess() {
    QFETCH(QString, name);
    QFETCH(int, type);
    BiasTool tool(SceneKind::Shapes);
    const std::string key = name.toStdString();
    int intValue = 0;
    float floatValue = 0.0f;
    bool boolValue = false;
    std::string text;
    QCOMPARE(tool.getParam(key, intValue), type == 0);
    QCOMPARE(tool.getParam(key, floatValue), type == 1);
    QCOMPARE(tool.getParam(key, boolValue), type == 2);
    QCOMPARE(tool.getParam(key, text), type == 3);
    QCOMPARE(tool.setParam(key, 1), type == 0);
    QCOMPARE(tool.setParam(key, 1.0f), type == 1);
    QCOMPARE(tool.setParam(key, true), type == 2);
    QCOMPARE(tool.setParam(key, std::string("windmill")), type == 3);
}

void TestBiasTool::floatClampsAndRefusesNan() {
    BiasTool tool(SceneKind::Shapes);
    float speed = 0.0f;
    QVERIFY(tool.setParam("motion_speed", 9.5f));
    QVERIFY(tool.getParam("motion_speed", speed));
    QCOMPARE(speed, 4.0f);
    QVERIFY(tool.setParam("motion_speed", -std::numeric_limits<float>::infinity()));
    QVERIFY(tool.getParam("motion_speed", speed));
    QCOMPARE(speed, 0.0f);
    QVERIFY(!tool.setParam("motion_speed", std::numeric_limits<float>::quiet_NaN()));
    QVERIFY(tool.getParam("motion_speed", speed));
    QCOMPARE(speed, 0.0f);
}

void TestBiasTool::enumTakesOnlyItsOptions() {
    BiasTool tool(SceneKind::Windmill);
    std::string scene;
    QVERIFY(tool.getParam("scene", scene));
    QCOMPARE(scene, std::string("windmill"));
    QVERIFY(!tool.setParam("scene", std::string("cube")));
    QVERIFY(!tool.setParam("scene", std::string("Shapes")));
    QVERIFY(tool.setParam("scene", std::string("shapes")));
    QVERIFY(tool.getParam("scene", scene));
    QCOMPARE(scene, std::string("shapes"));
    QCOMPARE(tool.settings().scene, SceneKind::Shapes);
}

void TestBiasTool::startsAtDefaults() {
    BiasTool tool(SceneKind::Shapes);
    for (const BasicParameterInfo& basic : tool.getAllParamInfo()) {
        if (basic.type != ToolParameterType::Int) {
            continue;
        }
        IntParameterInfo info;
        int value = 0;
        QVERIFY(tool.getParamInfo(basic.name, info));
        QVERIFY(tool.getParam(basic.name, value));
        QCOMPARE(value, info.defaultValue);
        // The viewer shows a new row at 0 clamped into the range; that is the value in force.
        QCOMPARE(value, std::clamp(0, info.min, info.max));
    }
    bool flip = true;
    QVERIFY(tool.getParam("flip_x", flip));
    QVERIFY(!flip);
}

void TestBiasTool::versionMovesWithEveryChange() {
    BiasTool tool(SceneKind::Shapes);
    const std::uint64_t start = tool.version();
    QVERIFY(tool.setParam("noise", 3));
    QVERIFY(tool.version() > start);
    const std::uint64_t afterInt = tool.version();
    QVERIFY(!tool.setParam("noise", 3.0f));
    QVERIFY(!tool.setParam("nothing", 3));
    QCOMPARE(tool.version(), afterInt);
    QVERIFY(tool.setParam("flip_x", true));
    QVERIFY(tool.version() > afterInt);
}

void TestBiasTool::settingsFollowBiases() {
    BiasTool tool(SceneKind::Shapes);
    QVERIFY(tool.setParam("contrast_on", 100));
    QVERIFY(tool.setParam("contrast_off", -100));
    QVERIFY(tool.setParam("refractory", 2500));
    QVERIFY(tool.setParam("noise", 20));
    QVERIFY(tool.setParam("bandwidth", 255));
    QVERIFY(tool.setParam("motion_speed", 2.5f));
    QVERIFY(tool.setParam("flip_x", true));
    const SensorSettings settings = tool.settings();
    QCOMPARE(settings.thresholdOn, 2.0f);
    QCOMPARE(settings.thresholdOff, 0.03125f);
    QCOMPARE(settings.refractoryMicroseconds, 5000u);
    QCOMPARE(settings.noiseRatePerPixel, 2.0);
    QVERIFY(settings.photoreceptorTauMicroseconds < 10.0f);
    QCOMPARE(settings.motionSpeed, 2.5f);
    QVERIFY(settings.flipX);
}

void TestBiasTool::thresholdMapping_data() {
    QTest::addColumn<int>("bias");
    QTest::addColumn<float>("threshold");
    QTest::newRow("lowest") << -100 << 0.03125f;
    QTest::newRow("middle") << 0 << 0.25f;
    QTest::newRow("highest") << 100 << 2.0f;
    QTest::newRow("clamped below") << -1000 << 0.03125f;
    QTest::newRow("clamped above") << 1000 << 2.0f;
}

void TestBiasTool::thresholdMapping() {
    QFETCH(int, bias);
    QFETCH(float, threshold);
    QCOMPARE(thresholdFromBias(bias), threshold);
    QVERIFY(thresholdFromBias(bias) <= thresholdFromBias(std::min(bias + 1, 100)));
}

void TestBiasTool::cutoffAndNoiseMapping_data() {
    QTest::addColumn<int>("bandwidth");
    QTest::addColumn<int>("noise");
    QTest::addColumn<double>("cutoff");
    QTest::addColumn<double>("rate");
    QTest::newRow("narrowest filters noise") << -100 << 10 << 100.0 << 1.0 * 100.0 / 3200.0;
    QTest::newRow("default passes it") << 0 << 10 << 3200.0 << 1.0;
    QTest::newRow("widest") << 100 << 255 << 102400.0 << 25.5;
    QTest::newRow("clamped") << 300 << 255 << 102400.0 << 25.5;
    QTest::newRow("no noise") << 50 << 0 << 3200.0 * std::sqrt(32.0) << 0.0;
    QTest::newRow("negative noise is none") << 0 << -5 << 3200.0 << 0.0;
}

void TestBiasTool::cutoffAndNoiseMapping() {
    QFETCH(int, bandwidth);
    QFETCH(int, noise);
    QFETCH(double, cutoff);
    QFETCH(double, rate);
    QVERIFY(qFuzzyCompare(cutoffHertzFromBias(bandwidth), cutoff));
    QVERIFY(qFuzzyCompare(1.0 + noiseRateFromBiases(noise, cutoffHertzFromBias(bandwidth)),
                          1.0 + rate));
    QVERIFY(tauMicrosecondsFromCutoff(cutoff) > 0.0f);
}

void TestBiasTool::refractoryMapping_data() {
    QTest::addColumn<int>("bias");
    QTest::addColumn<uint>("microseconds");
    QTest::newRow("shortest") << -100 << 2u;
    QTest::newRow("default") << 0 << 100u;
    QTest::newRow("half way up") << 50 << 707u;
    QTest::newRow("longest") << 100 << 5000u;
    QTest::newRow("clamped") << 5000 << 5000u;
}

void TestBiasTool::refractoryMapping() {
    QFETCH(int, bias);
    QFETCH(uint, microseconds);
    QCOMPARE(uint(refractoryFromBias(bias)), microseconds);
}

QTEST_APPLESS_MAIN(TestBiasTool)
#include "tst_biastool.moc"
