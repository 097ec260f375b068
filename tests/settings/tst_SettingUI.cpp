#include <QtTest>

#include <QtTest/qtestspontaneevent.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FakeBiasTool.h"
#include "FakeCamera.h"
#include "ParamWrites.h"
#include "settings/SettingItemBox.h"
#include "settings/SettingUI.h"

using korvane::ToolParameterType;
using Writes = ParamWrites;

namespace {

QString titleOf(SettingItemBox* group) {
    return group->findChild<QLabel*>("lb_setting_box_title_text")->text();
}

bool isFolded(SettingItemBox* group) {
    const bool hidden = group->findChild<QWidget*>("widget_container")->isHidden();
    const bool checked = group->findChild<QPushButton*>("pb_fold")->isChecked();
    return hidden && checked;
}

bool isUnfolded(SettingItemBox* group) {
    const bool hidden = group->findChild<QWidget*>("widget_container")->isHidden();
    const bool checked = group->findChild<QPushButton*>("pb_fold")->isChecked();
    return !hidden && !checked;
}

void clickArrow(SettingItemBox* group) {
    QTest::mouseClick(group->findChild<QPushButton*>("pb_fold"), Qt::LeftButton);
}

std::shared_ptr<FakeBiasTool> toolWithRanges(const std::vector<std::pair<int, int>>& ranges,
                                             const std::string& prefix = "bias_") {
    auto tool = std::make_shared<FakeBiasTool>();
    for (size_t i = 0; i < ranges.size(); ++i) {
        tool->addParam(prefix + std::to_string(i), ToolParameterType::Int, ranges[i].first,
                       ranges[i].second);
    }
    return tool;
}

QPoint handleCenter(QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.singleStep = slider->singleStep();
    option.pageStep = slider->pageStep();
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
        .center();
}

}  // namespace

class TestSettingUI : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void freshPanelShowsFoldedDisplay();
    void arrowFoldsAndUnfolds();
    void biasesReplacedAndRemovedInPlace_data();
    void biasesReplacedAndRemovedInPlace();
    void noCameraRemovesBiases();
    void noCameraReleasesTheStoredCamera();
    void cameraWithoutBiasesGetsNoGroup_data();
    void cameraWithoutBiasesGetsNoGroup();
    void onlyIntegerParamsGetRows();
    void rowsStartAtCameraValuesWithoutWrites();
    void userActionsWriteToCamera_data();
    void userActionsWriteToCamera();
    void draggingWritesEveryValue();
    void rebuiltRowsShowCameraValues();
    void displayValuesAreForwarded();
    void neverShowsScrollBars();
    void wheelOverBiasSliderScrollsPanel();
    void stretchIsAddedOnlyWhenMissing();

private:
    QVBoxLayout* contentLayout() const;
    QStringList column() const;
    SettingItemBox* group(const QString& title) const;
    QList<QWidget*> rowsOf(SettingItemBox* group) const;
    QWidget* row(const QString& name) const;
    void open(std::shared_ptr<korvane::CameraTool> tool);

    SettingUI* panel = nullptr;
};

void TestSettingUI::init() {
    panel = new SettingUI();
    panel->resize(320, 577);
}

void TestSettingUI::cleanup() {
    delete panel;
    panel = nullptr;
}

QVBoxLayout* TestSettingUI::contentLayout() const {
    auto* area = panel->findChild<QScrollArea*>("scroll_area_setting");
    return qobject_cast<QVBoxLayout*>(area->widget()->layout());
}

// The content column top to bottom: group titles, and "stretch" for spacers.
QStringList TestSettingUI::column() const {
    QStringList entries;
    QVBoxLayout* layout = contentLayout();
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->spacerItem() != nullptr) {
            entries << "stretch";
        } else if (auto* box = qobject_cast<SettingItemBox*>(item->widget())) {
            entries << titleOf(box);
        } else {
            entries << "?";
        }
    }
    return entries;
}

SettingItemBox* TestSettingUI::group(const QString& title) const {
    for (SettingItemBox* box : panel->findChildren<SettingItemBox*>()) {
        if (titleOf(box) == title) {
            return box;
        }
    }
    return nullptr;
}

QList<QWidget*> TestSettingUI::rowsOf(SettingItemBox* box) const {
    return box->findChild<QWidget*>("widget_container")
        ->findChildren<QWidget*>("SettingBaseWithSlider");
}

QWidget* TestSettingUI::row(const QString& name) const {
    for (QWidget* candidate : rowsOf(group("Biases"))) {
        if (candidate->findChild<QLabel*>("lb_set_item_name")->text() == name) {
            return candidate;
        }
    }
    return nullptr;
}

void TestSettingUI::open(std::shared_ptr<korvane::CameraTool> tool) {
    QTest::ignoreMessage(QtDebugMsg, "setBiasesToolToInitUI");
    panel->setBiasesToolToInitUI(std::make_shared<FakeCamera>(std::move(tool)));
}

void TestSettingUI::freshPanelShowsFoldedDisplay() {
    QCOMPARE(panel->findChild<QLabel*>("lb_setting_ui")->text(), QString("Setting"));
    QCOMPARE(column(), (QStringList{"Display", "stretch"}));
    QVERIFY(isFolded(group("Display")));
}

void TestSettingUI::arrowFoldsAndUnfolds() {
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    SettingItemBox* display = group("Display");
    auto* timeBox = display->findChild<QComboBox*>("cb_accumulation_time");
    QVERIFY(!timeBox->isVisible());
    clickArrow(display);
    QVERIFY(isUnfolded(display));
    QVERIFY(timeBox->isVisible());
    clickArrow(display);
    QVERIFY(isFolded(display));
    QVERIFY(!timeBox->isVisible());
}

void TestSettingUI::biasesReplacedAndRemovedInPlace_data() {
    QTest::addColumn<bool>("displayUnfolded");
    QTest::newRow("Display folded") << false;
    QTest::newRow("Display unfolded") << true;
}

void TestSettingUI::biasesReplacedAndRemovedInPlace() {
    QFETCH(bool, displayUnfolded);
    if (displayUnfolded) {
        clickArrow(group("Display"));
    }
    open(toolWithRanges({{0, 255}, {0, 100}}, "first_"));
    QCOMPARE(column(), (QStringList{"Display", "Biases", "stretch"}));
    SettingItemBox* first = group("Biases");
    QVERIFY(isFolded(first));
    QCOMPARE(rowsOf(first).size(), 2);
    QVERIFY(row("first_0") != nullptr);

    QPointer<SettingItemBox> replaced(first);
    open(toolWithRanges({{0, 10}}, "second_"));
    QVERIFY(replaced.isNull());
    QCOMPARE(column(), (QStringList{"Display", "Biases", "stretch"}));
    QCOMPARE(rowsOf(group("Biases")).size(), 1);
    QVERIFY(row("second_0") != nullptr);
    QVERIFY(isFolded(group("Biases")));

    QTest::ignoreMessage(QtDebugMsg, "setBiasesToolToInitUI");
    QTest::ignoreMessage(QtDebugMsg, "camera device is null .");
    panel->setBiasesToolToInitUI(nullptr);
    QCOMPARE(column(), (QStringList{"Display", "stretch"}));
    QVERIFY(displayUnfolded ? isUnfolded(group("Display")) : isFolded(group("Display")));
}

void TestSettingUI::noCameraRemovesBiases() {
    QTest::ignoreMessage(QtDebugMsg, "setBiasesToolToInitUI");
    QTest::ignoreMessage(QtDebugMsg, "camera device is null .");
    panel->setBiasesToolToInitUI(nullptr);
    QCOMPARE(column(), (QStringList{"Display", "stretch"}));
}

// A camera the window released must really go (its recording is finalised when it does).
void TestSettingUI::noCameraReleasesTheStoredCamera() {
    auto tool = toolWithRanges({{0, 255}});
    std::weak_ptr<korvane::CameraTool> weakTool = tool;
    auto camera = std::make_shared<FakeCamera>(std::move(tool));
    std::weak_ptr<korvane::DvsCamera> weakCamera = camera;
    panel->setBiasesToolToInitUI(std::move(camera));
    QVERIFY(!weakCamera.expired());
    panel->setBiasesToolToInitUI(nullptr);
    QVERIFY(weakCamera.expired());
    QVERIFY(weakTool.expired());
}

void TestSettingUI::cameraWithoutBiasesGetsNoGroup_data() {
    QTest::addColumn<bool>("hasTool");
    QTest::newRow("empty parameter list") << true;
    QTest::newRow("no bias tool") << false;
}

// A camera whose getTool gives nothing is treated like one with no biases.
void TestSettingUI::cameraWithoutBiasesGetsNoGroup() {
    QFETCH(bool, hasTool);
    open(toolWithRanges({{0, 255}}));
    QCOMPARE(column(), (QStringList{"Display", "Biases", "stretch"}));

    auto camera = std::make_shared<FakeCamera>(hasTool ? std::make_shared<FakeBiasTool>()
                                                       : std::shared_ptr<FakeBiasTool>());
    QTest::ignoreMessage(QtDebugMsg, "setBiasesToolToInitUI");
    QTest::ignoreMessage(QtDebugMsg, "camera biases is null .");
    panel->setBiasesToolToInitUI(camera);
    QCOMPARE(camera->getToolCalls, 1);
    QCOMPARE(column(), (QStringList{"Display", "stretch"}));
}

void TestSettingUI::onlyIntegerParamsGetRows() {
    auto nonInteger = std::make_shared<FakeBiasTool>();
    nonInteger->addParam("gain", ToolParameterType::Float);
    nonInteger->addParam("enabled", ToolParameterType::Bool);
    nonInteger->addParam("mode", ToolParameterType::Enum);
    open(nonInteger);
    QCOMPARE(column(), (QStringList{"Display", "Biases", "stretch"}));
    QVERIFY(rowsOf(group("Biases")).isEmpty());

    auto mixed = std::make_shared<FakeBiasTool>();
    mixed->addParam("bias_fo", ToolParameterType::Int, 0, 255);
    mixed->addParam("gain", ToolParameterType::Float);
    mixed->addParamWithoutInfo("bias_hidden");
    mixed->addParam("mode", ToolParameterType::Enum);
    mixed->addParam("bias_hpf", ToolParameterType::Int, -10, 10);
    open(mixed);
    QStringList names;
    for (QWidget* biasRow : rowsOf(group("Biases"))) {
        names << biasRow->findChild<QLabel*>("lb_set_item_name")->text();
    }
    QCOMPARE(names, (QStringList{"bias_fo", "bias_hpf"}));
    QCOMPARE(mixed->otherWrites, 0);
}

// The rows show what the camera has, clamped into their range.
void TestSettingUI::rowsStartAtCameraValuesWithoutWrites() {
    auto tool = std::make_shared<FakeBiasTool>();
    tool->addParam("bias_0", ToolParameterType::Int, -100, 100, 60);
    tool->addParam("bias_1", ToolParameterType::Int, 50, 200, 0);
    tool->addParam("bias_2", ToolParameterType::Int, -200, -50, -120);
    open(tool);
    const std::vector<int> starts{60, 50, -120};
    for (size_t i = 0; i < starts.size(); ++i) {
        QWidget* biasRow = row(QString("bias_%1").arg(i));
        QVERIFY(biasRow != nullptr);
        QCOMPARE(biasRow->findChild<QSlider*>()->value(), starts[i]);
        QCOMPARE(biasRow->findChild<QLineEdit*>()->text(), QString::number(starts[i]));
    }
    QVERIFY(tool->intWrites.empty());
    QCOMPARE(tool->otherWrites, 0);
}

// clang-format off
void TestSettingUI::userActionsWriteToCamera_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("refuseAbove");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<Writes>("expected");
    QTest::addColumn<QString>("boxAfter");
    QTest::addColumn<bool>("rejected");
    const int all = INT_MAX;
    QTest::newRow("plus") << 0 << 255 << all << QStringList{"+"} << Writes{{"bias_0", 1}} << "1" << false;
    QTest::newRow("plus at maximum") << -10 << 0 << all << QStringList{"+"} << Writes{} << "0" << false;
    QTest::newRow("minus at minimum") << 0 << 255 << all << QStringList{"-"} << Writes{} << "0" << false;
    QTest::newRow("one step in a wide range") << 0 << 100000 << all << QStringList{"+", "-"}
        << Writes{{"bias_0", 1}, {"bias_0", 0}} << "0" << false;
    QTest::newRow("negative range") << -1000000 << -5 << all << QStringList{"+", "-"}
        << Writes{{"bias_0", -6}} << "-6" << false;
    QTest::newRow("single value") << 7 << 7 << all << QStringList{"+", "-", "9"} << Writes{} << "7" << false;
    QTest::newRow("minus then plus at minimum") << 50 << 200 << all << QStringList{"-", "+", "-", "-"}
        << Writes{{"bias_0", 51}, {"bias_0", 50}} << "50" << false;
    QTest::newRow("5000 clamps to 255") << 0 << 255 << all << QStringList{"100", "5000"}
        << Writes{{"bias_0", 100}, {"bias_0", 255}} << "255" << false;
    QTest::newRow("beyond int clamps to 255") << 0 << 255 << all << QStringList{"99999999999"}
        << Writes{{"bias_0", 255}} << "255" << false;
    QTest::newRow("clamped to the same value shows the value") << 0 << 255 << all
        << QStringList{"255", "999"} << Writes{{"bias_0", 255}} << "255" << false;
    QTest::newRow("typo writes nothing") << 0 << 255 << all << QStringList{"100", "1O0"}
        << Writes{{"bias_0", 100}} << "1O0" << true;
    QTest::newRow("empty writes nothing") << 0 << 255 << all << QStringList{""} << Writes{} << "" << true;
    QTest::newRow("fraction writes nothing") << 0 << 255 << all << QStringList{"12.5"} << Writes{}
        << "12.5" << true;
    QTest::newRow("number after a typo") << 0 << 255 << all << QStringList{"x", "7"}
        << Writes{{"bias_0", 7}} << "7" << false;
    QTest::newRow("refused number returns to the camera's value") << 0 << 255 << 100
        << QStringList{"50", "200"} << Writes{{"bias_0", 50}, {"bias_0", 200}} << "50" << false;
    QTest::newRow("refused plus returns to the camera's value") << 0 << 255 << 100
        << QStringList{"100", "+", "+"} << Writes{{"bias_0", 100}, {"bias_0", 101}, {"bias_0", 101}}
        << "100" << false;
}
// clang-format on

// "+" and "-" click the buttons; anything else is typed into the box and confirmed with Enter.
void TestSettingUI::userActionsWriteToCamera() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, refuseAbove);
    QFETCH(QStringList, actions);
    QFETCH(Writes, expected);
    QFETCH(QString, boxAfter);
    QFETCH(bool, rejected);
    auto tool = toolWithRanges({{min, max}});
    tool->refuseAbove = refuseAbove;
    open(tool);
    for (const auto& write : expected) {
        if (write.second > refuseAbove) {
            QTest::ignoreMessage(
                QtDebugMsg,
                qPrintable(QString("camera refused bias bias_0 = %1").arg(write.second)));
        }
    }
    QWidget* biasRow = row("bias_0");
    auto* box = biasRow->findChild<QLineEdit*>("le_set_item_value");
    for (const QString& action : actions) {
        if (action == "+" || action == "-") {
            const char* name = action == "+" ? "pb_add_item_value" : "pb_sub_item_value";
            QTest::mouseClick(biasRow->findChild<QPushButton*>(name), Qt::LeftButton);
        } else {
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Delete);
            QTest::keyClicks(box, action);
            QTest::keyClick(box, Qt::Key_Return);
        }
    }
    QCOMPARE(tool->intWrites, expected);
    QCOMPARE(box->text(), boxAfter);
    const QColor border = box->grab().toImage().pixelColor(0, box->height() / 2);
    QCOMPARE(border == QColor("#FF6058"), rejected);
}

void TestSettingUI::draggingWritesEveryValue() {
    auto tool = toolWithRanges({{0, 40}});
    open(tool);
    clickArrow(group("Biases"));
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    auto* slider = row("bias_0")->findChild<QSlider*>();
    std::vector<int> taken;
    connect(slider, &QSlider::valueChanged, this, [&taken](int value) { taken.push_back(value); });

    const QPoint start = handleCenter(slider);
    QMouseEvent press(QEvent::MouseButtonPress, start, slider->mapToGlobal(start), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &press);
    QVERIFY(slider->isSliderDown());
    QPoint at = start;
    for (int x = start.x() + 1; x < slider->width(); ++x) {
        at.setX(x);
        QMouseEvent move(QEvent::MouseMove, at, slider->mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(slider, &move);
    }
    QMouseEvent release(QEvent::MouseButtonRelease, at, slider->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &release);

    QCOMPARE(slider->value(), 40);
    QVERIFY2(taken.size() > 20, "the drag should pass through most values");
    Writes expected;
    for (int value : taken) {
        expected.emplace_back("bias_0", value);
    }
    QCOMPARE(tool->intWrites, expected);
}

// Rebuilding the rows of the open camera (a cancelled camera list does) reads its values again
// and writes nothing; another camera's rows show that camera's values, and a refused write to a
// bias with a UTF-8 name returns its row to them.
void TestSettingUI::rebuiltRowsShowCameraValues() {
    auto first = toolWithRanges({{0, 255}});
    auto camera = std::make_shared<FakeCamera>(first);
    panel->setBiasesToolToInitUI(camera);
    QTest::mouseClick(row("bias_0")->findChild<QPushButton*>("pb_add_item_value"), Qt::LeftButton);
    panel->setBiasesToolToInitUI(camera);
    QCOMPARE(row("bias_0")->findChild<QSlider*>()->value(), 1);
    QTest::mouseClick(row("bias_0")->findChild<QPushButton*>("pb_add_item_value"), Qt::LeftButton);
    QCOMPARE(first->intWrites, (Writes{{"bias_0", 1}, {"bias_0", 2}}));

    const std::string utf8Name = "bias_\xc3\xa9t\xc3\xa9";
    auto second = std::make_shared<FakeBiasTool>();
    second->addParam(utf8Name, ToolParameterType::Int, 0, 255, 7);
    second->refuseAbove = 7;
    open(second);
    QWidget* secondRow = row(QString::fromStdString(utf8Name));
    QCOMPARE(secondRow->findChild<QSlider*>()->value(), 7);
    QTest::ignoreMessage(QtDebugMsg, "camera refused bias bias_\xc3\xa9t\xc3\xa9 = 8");
    QTest::mouseClick(secondRow->findChild<QPushButton*>("pb_add_item_value"), Qt::LeftButton);
    QCOMPARE(second->intWrites, (Writes{{utf8Name, 8}}));
    QCOMPARE(secondRow->findChild<QSlider*>()->value(), 7);
    QCOMPARE(first->intWrites.size(), size_t(2));
}

void TestSettingUI::displayValuesAreForwarded() {
    std::vector<uint64_t> times;
    std::vector<uint32_t> rates;
    connect(panel, &SettingUI::signalCumulativeTimeChanged, this,
            [&times](uint64_t us) { times.push_back(us); });
    connect(panel, &SettingUI::signalFpsChanged, this,
            [&rates](uint32_t fps) { rates.push_back(fps); });
    group("Display")->findChild<QComboBox*>("cb_accumulation_time")->setCurrentIndex(3);
    group("Display")->findChild<QComboBox*>("cb_frame_rate")->setCurrentIndex(1);
    QCOMPARE(times, std::vector<uint64_t>{100000});
    QCOMPARE(rates, std::vector<uint32_t>{60});
}

void TestSettingUI::neverShowsScrollBars() {
    auto* area = panel->findChild<QScrollArea*>("scroll_area_setting");
    QCOMPARE(area->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(area->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(area->widgetResizable());
    open(toolWithRanges(std::vector<std::pair<int, int>>(12, {0, 255})));
    clickArrow(group("Display"));
    clickArrow(group("Biases"));
    panel->resize(260, 300);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    QTRY_VERIFY(area->verticalScrollBar()->maximum() > 0);
    QVERIFY(!area->verticalScrollBar()->isVisible());
    QVERIFY(!area->horizontalScrollBar()->isVisible());
}

// A real wheel turn is spontaneous: only such events travel on to the parents.
void TestSettingUI::wheelOverBiasSliderScrollsPanel() {
    // The rows start in the middle of their range, where the slider itself would move.
    auto tool = toolWithRanges(std::vector<std::pair<int, int>>(12, {-100, 100}));
    open(tool);
    clickArrow(group("Biases"));
    panel->resize(260, 300);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    auto* area = panel->findChild<QScrollArea*>("scroll_area_setting");
    QTRY_VERIFY(area->verticalScrollBar()->maximum() > 0);
    QCOMPARE(area->verticalScrollBar()->value(), 0);

    auto* slider = row("bias_0")->findChild<QSlider*>();
    QVERIFY(slider->isVisible());
    const QPoint at = handleCenter(slider);
    QWheelEvent wheel(at, slider->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    qApp->notify(slider, &wheel);

    QVERIFY(area->verticalScrollBar()->value() > 0);
    QCOMPARE(slider->value(), 0);
    QVERIFY(tool->intWrites.empty());
}

void TestSettingUI::stretchIsAddedOnlyWhenMissing() {
    QVBoxLayout* layout = contentLayout();
    panel->addStretchIfNeeded();
    QCOMPARE(column(), (QStringList{"Display", "stretch"}));

    delete layout->takeAt(layout->count() - 1);
    QCOMPARE(column(), (QStringList{"Display"}));
    panel->addStretchIfNeeded();
    QCOMPARE(column(), (QStringList{"Display", "stretch"}));

    delete layout->takeAt(layout->count() - 1);
    open(toolWithRanges({{0, 1}}));
    QCOMPARE(column().count("stretch"), 1);
    QCOMPARE(column().last(), QString("stretch"));
}

QTEST_MAIN(TestSettingUI)
#include "tst_SettingUI.moc"
