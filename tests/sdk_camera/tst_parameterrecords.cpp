#include <QtTest>

#include <cmath>
#include <limits>
#include <type_traits>
#include <utility>

#include "korvane/BasicParameterInfo.h"
#include "korvane/BoolParameterInfo.h"
#include "korvane/EnumParameterInfo.h"
#include "korvane/FloatParameterInfo.h"
#include "korvane/IntParameterInfo.h"
#include "korvane/ToolInfo.h"
#include "korvane/ToolParameterType.h"

using namespace korvane;

template <typename Record>
constexpr bool isPlainValue =
    std::is_copy_constructible_v<Record>&& std::is_move_constructible_v<Record>&&
        std::is_copy_assignable_v<Record>&& std::is_move_assignable_v<Record> &&
    !std::is_polymorphic_v<Record>;
static_assert(isPlainValue<BasicParameterInfo>);
static_assert(isPlainValue<IntParameterInfo>);
static_assert(isPlainValue<FloatParameterInfo>);
static_assert(isPlainValue<BoolParameterInfo>);
static_assert(isPlainValue<EnumParameterInfo>);
static_assert(isPlainValue<ToolInfo>);
static_assert(sizeof(ToolParameterType) == 4);
static_assert(static_cast<int>(ToolParameterType::Int) == 0);

class TestParameterRecords : public QObject {
    Q_OBJECT

private slots:
    void basicText_data();
    void basicText();
    void intText_data();
    void intText();
    void floatText_data();
    void floatText();
    void boolText_data();
    void boolText();
    void enumText_data();
    void enumText();
    void intClamp_data();
    void intClamp();
    void floatClamp_data();
    void floatClamp();
    void floatClampPassesNan();
    void textAndClampLeaveRecordAlone();
    void copiesAreMemberwise();
    void movedFromRecordsAreEmpty();
    void defaultsAreEmpty();
    void typeTexts_data();
    void typeTexts();
};

void TestParameterRecords::basicText_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::newRow("int") << "contrast_on"
                         << "Rise per event" << 0
                         << "Name: contrast_on Description: Rise per event Type: int";
    QTest::newRow("empty description keeps two spaces")
        << "speed"
        << "" << 1 << "Name: speed Description:  Type: float";
    QTest::newRow("all empty") << ""
                               << "" << 2 << "Name:  Description:  Type: bool";
    QTest::newRow("enum") << "scene"
                          << "What it sees" << 3
                          << "Name: scene Description: What it sees Type: enum";
}

void TestParameterRecords::basicText() {
    QFETCH(QString, name);
    QFETCH(QString, description);
    QFETCH(int, type);
    QFETCH(QString, text);
    const BasicParameterInfo info{name.toStdString(), description.toStdString(),
                                  static_cast<ToolParameterType>(type)};
    QCOMPARE(QString::fromStdString(info.toString()), text);
}

void TestParameterRecords::intText_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("defaultValue");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("text");
    QTest::newRow("negative min, unit") << -5 << 100 << 10 << "mV"
                                        << "Min: -5 Max: 100 Default: 10 Unit: mV";
    QTest::newRow("empty unit keeps trailing space") << 0 << 255 << 128 << ""
                                                     << "Min: 0 Max: 255 Default: 128 Unit: ";
    QTest::newRow("32-bit extremes")
        << std::numeric_limits<int>::min() << std::numeric_limits<int>::max() << 0 << "us"
        << "Min: -2147483648 Max: 2147483647 Default: 0 Unit: us";
    QTest::newRow("unit with spaces") << -1 << 1 << -1 << "0.1 Hz"
                                      << "Min: -1 Max: 1 Default: -1 Unit: 0.1 Hz";
}

void TestParameterRecords::intText() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, defaultValue);
    QFETCH(QString, unit);
    QFETCH(QString, text);
    // Aggregate order is the field order: min, max, defaultValue, unit.
    const IntParameterInfo info{min, max, defaultValue, unit.toStdString()};
    QCOMPARE(QString::fromStdString(info.toString()), text);
}

void TestParameterRecords::floatText_data() {
    QTest::addColumn<float>("min");
    QTest::addColumn<float>("max");
    QTest::addColumn<float>("defaultValue");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("text");
    QTest::newRow("six decimals") << 0.0f << 1.5f << 0.25f << ""
                                  << "Min: 0.000000 Max: 1.500000 Default: 0.250000 Unit: ";
    QTest::newRow("negative") << -2.0f << 4.0f << 1.0f << "x"
                              << "Min: -2.000000 Max: 4.000000 Default: 1.000000 Unit: x";
    QTest::newRow("large, fixed not exponent")
        << 0.0f << 1e10f << 0.0f << ""
        << "Min: 0.000000 Max: 10000000000.000000 Default: 0.000000 Unit: ";
    QTest::newRow("below the sixth decimal")
        << 1e-7f << 1.0f << 0.1f << "V"
        << "Min: 0.000000 Max: 1.000000 Default: 0.100000 Unit: V";
}

void TestParameterRecords::floatText() {
    QFETCH(float, min);
    QFETCH(float, max);
    QFETCH(float, defaultValue);
    QFETCH(QString, unit);
    QFETCH(QString, text);
    const FloatParameterInfo info{min, max, defaultValue, unit.toStdString()};
    QCOMPARE(QString::fromStdString(info.toString()), text);
}

void TestParameterRecords::boolText_data() {
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<QString>("text");
    QTest::newRow("true") << true << "Default: 1";
    QTest::newRow("false") << false << "Default: 0";
}

void TestParameterRecords::boolText() {
    QFETCH(bool, defaultValue);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(BoolParameterInfo{defaultValue}.toString()), text);
}

void TestParameterRecords::enumText_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<QString>("text");
    QTest::newRow("no options") << QStringList() << "a"
                                << "Options: 0 Default: a";
    QTest::newRow("three options, count only")
        << QStringList{"shapes", "windmill", "x y"} << "windmill"
        << "Options: 3 Default: windmill";
    QTest::newRow("empty default") << QStringList{"one"} << ""
                                   << "Options: 1 Default: ";
}

void TestParameterRecords::enumText() {
    QFETCH(QStringList, options);
    QFETCH(QString, defaultValue);
    QFETCH(QString, text);
    EnumParameterInfo info;
    for (const QString& option : options) {
        info.options.push_back(option.toStdString());
    }
    info.defaultValue = defaultValue.toStdString();
    QCOMPARE(QString::fromStdString(info.toString()), text);
}

void TestParameterRecords::intClamp_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("result");
    QTest::newRow("below") << 10 << 20 << 5 << 10;
    QTest::newRow("above") << 10 << 20 << 25 << 20;
    QTest::newRow("inside") << 10 << 20 << 15 << 15;
    QTest::newRow("at min") << 10 << 20 << 10 << 10;
    QTest::newRow("at max") << 10 << 20 << 20 << 20;
    QTest::newRow("signed compare") << -100 << 100 << -101 << -100;
    QTest::newRow("lowest int") << -100 << 100 << std::numeric_limits<int>::min() << -100;
    QTest::newRow("inverted, below min") << 20 << 10 << 5 << 20;
    QTest::newRow("inverted, between") << 20 << 10 << 15 << 20;
    QTest::newRow("inverted, at min") << 20 << 10 << 20 << 10;
    QTest::newRow("inverted, above both") << 20 << 10 << 25 << 10;
    QTest::newRow("inverted, at max") << 20 << 10 << 10 << 20;
}

void TestParameterRecords::intClamp() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, value);
    QFETCH(int, result);
    QCOMPARE(IntParameterInfo({min, max, 0, ""}).constraintValue(value), result);
}

void TestParameterRecords::floatClamp_data() {
    const float infinity = std::numeric_limits<float>::infinity();
    QTest::addColumn<float>("min");
    QTest::addColumn<float>("max");
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("result");
    QTest::newRow("below") << 10.0f << 20.0f << 5.0f << 10.0f;
    QTest::newRow("above") << 10.0f << 20.0f << 25.0f << 20.0f;
    QTest::newRow("inside") << 10.0f << 20.0f << 15.5f << 15.5f;
    QTest::newRow("at bounds") << 10.0f << 20.0f << 20.0f << 20.0f;
    QTest::newRow("minus infinity") << 0.0f << 4.0f << -infinity << 0.0f;
    QTest::newRow("plus infinity") << 0.0f << 4.0f << infinity << 4.0f;
    QTest::newRow("inverted, below min") << 20.0f << 10.0f << 19.9f << 20.0f;
    QTest::newRow("inverted, at min") << 20.0f << 10.0f << 20.0f << 10.0f;
    QTest::newRow("inverted, above") << 20.0f << 10.0f << 30.0f << 10.0f;
}

void TestParameterRecords::floatClamp() {
    QFETCH(float, min);
    QFETCH(float, max);
    QFETCH(float, value);
    QFETCH(float, result);
    QCOMPARE(FloatParameterInfo({min, max, 0.0f, ""}).constraintValue(value), result);
}

void TestParameterRecords::floatClampPassesNan() {
    const FloatParameterInfo info{0.0f, 1.0f, 0.5f, ""};
    QVERIFY(std::isnan(info.constraintValue(std::numeric_limits<float>::quiet_NaN())));
}

void TestParameterRecords::textAndClampLeaveRecordAlone() {
    const IntParameterInfo before{20, 10, 15, "mV"};
    IntParameterInfo info = before;
    info.toString();
    info.constraintValue(100);
    QCOMPARE(info.min, before.min);
    QCOMPARE(info.max, before.max);
    QCOMPARE(info.defaultValue, before.defaultValue);
    QCOMPARE(info.unit, before.unit);
}

void TestParameterRecords::copiesAreMemberwise() {
    const EnumParameterInfo original{{"a", "b"}, "b"};
    EnumParameterInfo copy = original;
    copy.options.push_back("c");
    QCOMPARE(original.options.size(), std::size_t(2));
    QCOMPARE(copy.toString(), std::string("Options: 3 Default: b"));

    const ToolInfo tool{7, {"x"}, "text"};
    ToolInfo assigned;
    assigned = tool;
    QCOMPARE(assigned.kind, 7);
    QCOMPARE(assigned.entries, tool.entries);
    QCOMPARE(assigned.text, tool.text);

    FloatParameterInfo floats{0.0f, 1.0f, 0.5f, "V"};
    const FloatParameterInfo floatCopy(floats);
    floats.unit = "A";
    QCOMPARE(floatCopy.unit, std::string("V"));
    QCOMPARE(floatCopy.toString(),
             std::string("Min: 0.000000 Max: 1.000000 Default: 0.500000 Unit: V"));
}

void TestParameterRecords::movedFromRecordsAreEmpty() {
    // Long enough to live on the heap, so a move takes the buffer rather than copying it.
    const std::string longText(64, 'q');
    BasicParameterInfo basic{longText, longText, ToolParameterType::Enum};
    const BasicParameterInfo moved(std::move(basic));
    QCOMPARE(moved.name, longText);
    QVERIFY(basic.name.empty());
    QVERIFY(basic.description.empty());

    EnumParameterInfo options{{longText, longText}, longText};
    EnumParameterInfo target;
    target = std::move(options);
    QCOMPARE(target.options.size(), std::size_t(2));
    QVERIFY(options.options.empty());
    QVERIFY(options.defaultValue.empty());
    QCOMPARE(options.toString(), std::string("Options: 0 Default: "));

    ToolInfo tool{1, {longText}, longText};
    const ToolInfo movedTool(std::move(tool));
    QVERIFY(tool.entries.empty());
    QVERIFY(tool.text.empty());
    QCOMPARE(movedTool.entries.front(), longText);
}

void TestParameterRecords::defaultsAreEmpty() {
    QVERIFY(BasicParameterInfo().name.empty());
    QVERIFY(BasicParameterInfo().description.empty());
    QVERIFY(IntParameterInfo().unit.empty());
    QVERIFY(FloatParameterInfo().unit.empty());
    QVERIFY(EnumParameterInfo().options.empty());
    QVERIFY(EnumParameterInfo().defaultValue.empty());
    QVERIFY(ToolInfo().entries.empty());
    QVERIFY(ToolInfo().text.empty());
}

void TestParameterRecords::typeTexts_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::newRow("int") << 0 << "int";
    QTest::newRow("float") << 1 << "float";
    QTest::newRow("bool") << 2 << "bool";
    QTest::newRow("enum") << 3 << "enum";
    QTest::newRow("string") << 4 << "string";
    QTest::newRow("not a type") << 99 << "unknown";
    QTest::newRow("negative") << -1 << "unknown";
}

void TestParameterRecords::typeTexts() {
    QFETCH(int, type);
    QFETCH(QString, text);
    QCOMPARE(
        QString::fromStdString(ToolParameterTypeToString(static_cast<ToolParameterType>(type))),
        text);
}

QTEST_APPLESS_MAIN(TestParameterRecords)
#include "tst_parameterrecords.moc"
