#include <QtTest>

#include <QPushButton>
#include <QSlider>

#include <string>
#include <utility>
#include <vector>

#include "ParamWrites.h"
#include "settings/SettingBaseWithSlider.h"

using Reports = ParamWrites;

class TestSettingBaseWithSlider : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void buttonsStepByOneInAnyRange_data();
    void buttonsStepByOneInAnyRange();
    void reportsNameAsUtf8();
    void wheelIsWithheldFromSlider();

private:
    void makeRow(const QString& name, int min, int max);
    void click(const char* button);

    SettingBaseWithSlider* row = nullptr;
    QSlider* slider = nullptr;
    Reports reports;
};

void TestSettingBaseWithSlider::init() {
    reports.clear();
}

void TestSettingBaseWithSlider::cleanup() {
    delete row;
    row = nullptr;
}

void TestSettingBaseWithSlider::makeRow(const QString& name, int min, int max) {
    row = new SettingBaseWithSlider(name);
    row->setRange(min, max);
    row->setValue(0);
    slider = row->findChild<QSlider*>("slider_item_value");
    QVERIFY(slider != nullptr);
    connect(row, &SettingBaseWithSlider::signalItemValueChanged, this,
            [this](std::string param, int value) { reports.emplace_back(param, value); });
}

void TestSettingBaseWithSlider::click(const char* button) {
    QTest::mouseClick(row->findChild<QPushButton*>(button), Qt::LeftButton);
}

void TestSettingBaseWithSlider::buttonsStepByOneInAnyRange_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("afterPlus");
    QTest::addColumn<int>("afterMinus");
    QTest::addColumn<Reports>("expected");
    QTest::newRow("small range") << 0 << 6 << 1 << 0 << Reports{{"bias_fo", 1}, {"bias_fo", 0}};
    QTest::newRow("wide range") << 0 << 100000 << 1 << 0 << Reports{{"bias_fo", 1}, {"bias_fo", 0}};
    QTest::newRow("negative range at maximum")
        << -1000000 << -5 << -5 << -6 << Reports{{"bias_fo", -6}};
    QTest::newRow("single value") << 7 << 7 << 7 << 7 << Reports{};
}

void TestSettingBaseWithSlider::buttonsStepByOneInAnyRange() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, afterPlus);
    QFETCH(int, afterMinus);
    QFETCH(Reports, expected);
    makeRow("bias_fo", min, max);
    click("pb_add_item_value");
    QCOMPARE(slider->value(), afterPlus);
    click("pb_sub_item_value");
    QCOMPARE(slider->value(), afterMinus);
    QCOMPARE(reports, expected);
}

void TestSettingBaseWithSlider::reportsNameAsUtf8() {
    makeRow(QString::fromUtf8("bias_\xc3\xa9t\xc3\xa9"), 0, 10);
    click("pb_add_item_value");
    QCOMPARE(reports, (Reports{{"bias_\xc3\xa9t\xc3\xa9", 1}}));
}

void TestSettingBaseWithSlider::wheelIsWithheldFromSlider() {
    makeRow("bias_fo", 0, 255);
    row->show();
    QVERIFY(QTest::qWaitForWindowExposed(row));
    const QPoint at(slider->width() / 2, slider->height() / 2);
    QWheelEvent wheel(at, slider->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &wheel);
    QVERIFY(!wheel.isAccepted());
    QCOMPARE(slider->value(), 0);
    QVERIFY(reports.empty());
}

QTEST_MAIN(TestSettingBaseWithSlider)
#include "tst_SettingBaseWithSlider.moc"
