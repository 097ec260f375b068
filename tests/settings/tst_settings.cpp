#include <QtTest>

#include <QtTest/qtestspontaneevent.h>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QVBoxLayout>
#include <climits>
#include <map>

#include "korvane/DvsCamera.h"
#include "settings/SettingItemBox.h"
#include "settings/SettingUI.h"

using korvane::ToolParameterType;

namespace {

// Holds integer biases and records every write the camera would take; it refuses values above
// refuseAbove and keeps what it had. Writes of other types or to unknown names are stray.
class FakeBiasTool : public korvane::CameraTool {
public:
    FakeBiasTool() : korvane::CameraTool("Biases") {}

    std::vector<korvane::BasicParameterInfo> getAllParamInfo() override { return params; }
    bool getParamInfo(std::string name, korvane::IntParameterInfo& info) override {
        const bool known = ranges.count(name) != 0;
        info = known ? ranges[name] : info;
        return known;
    }
    bool getParam(std::string, std::string&) override { return false; }
    bool getParam(std::string, bool&) override { return false; }
    bool getParam(std::string, float&) override { return false; }
    bool getParam(std::string name, int& value) override {
        const bool known = values.count(name) != 0;
        value = known ? values[name] : value;
        return known;
    }
    bool setParam(std::string, const std::string&) override { return ++strayWrites < 0; }
    bool setParam(std::string, const bool&) override { return ++strayWrites < 0; }
    bool setParam(std::string, const float&) override { return ++strayWrites < 0; }
    bool setParam(std::string name, const int& value) override {
        if (values.count(name) == 0) {
            return ++strayWrites < 0;
        }
        writes << value;
        values[name] = value > refuseAbove ? values[name] : value;
        return value <= refuseAbove;
    }

    std::vector<korvane::BasicParameterInfo> params;
    std::map<std::string, korvane::IntParameterInfo> ranges;
    std::map<std::string, int> values;
    QList<int> writes;
    int strayWrites = 0;
    int refuseAbove = INT_MAX;
};

class FakeCamera : public korvane::DvsCamera {
public:
    explicit FakeCamera(std::shared_ptr<FakeBiasTool> tool) : tool(std::move(tool)) {}
    bool isConnected() override { return true; }
    void setTimeInterval(std::uint64_t) override {}
    bool startStream() override { return true; }
    bool stopStream() override { return true; }
    void fetchEvents(std::vector<korvane::Event2D>& events) override { events.clear(); }
    void releaseEventHandle(std::uint32_t) override {}
    bool startRecording(std::string) override { return false; }
    bool stopRecording() override { return false; }
    std::shared_ptr<korvane::CameraTool> getTool(korvane::ToolType) override { return tool; }

    std::shared_ptr<FakeBiasTool> tool;
};

// Comma-separated parameters: "name" an integer bias with the given range, at 60 in the camera,
// "name:float" another type, "name:norange" an integer whose range cannot be read.
std::shared_ptr<FakeBiasTool> makeTool(const QString& spec, int min = 0, int max = 255) {
    auto tool = std::make_shared<FakeBiasTool>();
    for (const QString& param : spec.split(',', Qt::SkipEmptyParts)) {
        const std::string name = param.section(':', 0, 0).toStdString();
        const QString type = param.section(':', 1);
        tool->params.push_back(
            {name, "", type == "float" ? ToolParameterType::Float : ToolParameterType::Int});
        if (type.isEmpty()) {
            tool->ranges[name] = {min, max, 0, ""};
            tool->values[name] = 60;
        }
    }
    return tool;
}

bool isFolded(SettingItemBox* group, bool folded) {
    return group->findChild<QWidget*>("widget_container")->isHidden() == folded &&
           group->findChild<QPushButton*>("pb_fold")->isChecked() == folded;
}

// A group just added is shown, and laid out, once the event loop has run.
void clickArrow(SettingItemBox* group) {
    auto* arrow = group->findChild<QPushButton*>("pb_fold");
    QTRY_VERIFY_WITH_TIMEOUT(arrow->isVisible(), 20000);
    QTest::mouseClick(arrow, Qt::LeftButton);
}

// The left edge of a box whose border the style sheet draws red for rejected text.
bool markedRed(QWidget* box) {
    return box->grab().toImage().pixelColor(0, box->height() / 2) == QColor("#FF6058");
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void displayValues_data();
    void displayValues();
    void panelFollowsCameras_data();
    void panelFollowsCameras();
    void biasRowWrites_data();
    void biasRowWrites();
    void wheelOverBiasSliderScrollsPanel();

private:
    SettingItemBox* group(int index) const;
    QWidget* firstRow() const { return panel->findChild<QWidget*>("SettingBaseWithSlider"); }
    QStringList column() const;

    QWidget* host = nullptr;
    QLineEdit* elsewhere = nullptr;
    SettingUI* panel = nullptr;
};

void TestSettings::init() {
    host = new QWidget;
    auto* layout = new QVBoxLayout(host);
    elsewhere = new QLineEdit;
    panel = new SettingUI;
    // First in the tab order, so that activation focuses it rather than a combo box.
    layout->addWidget(elsewhere);
    layout->addWidget(panel);
    host->resize(320, 600);
    host->show();
    host->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host, 20000));
}

void TestSettings::cleanup() {
    delete host;
}

// Display first, then Biases while there are any.
SettingItemBox* TestSettings::group(int index) const {
    return panel->findChildren<SettingItemBox*>().value(index);
}

// The content column top to bottom: group titles each followed by its bias rows' names, and
// "stretch" for spacers.
QStringList TestSettings::column() const {
    QStringList entries;
    QLayout* layout = panel->findChild<QScrollArea*>()->widget()->layout();
    for (int i = 0; i < layout->count(); ++i) {
        auto* box = qobject_cast<SettingItemBox*>(layout->itemAt(i)->widget());
        entries << (box ? box->findChild<QLabel*>("lb_setting_box_title_text")->text() : "stretch");
        for (QWidget* row :
             box ? box->findChildren<QWidget*>("SettingBaseWithSlider") : QWidgetList()) {
            entries << row->findChild<QLabel*>("lb_set_item_name")->text();
        }
    }
    return entries;
}

// clang-format off
void TestSettings::displayValues_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("actions");  // typed and left, typed and "\n" for Enter, or "[entry]" picked
    QTest::addColumn<QList<qulonglong>>("sent");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<bool>("red");
    using V = QList<qulonglong>;
    QTest::newRow("microseconds") << "time" << QStringList{"500us"} << V{500} << "500us" << false;
    QTest::newRow("bare number gets ms") << "time" << QStringList{"2.5"} << V{2500} << "2.5ms" << false;
    QTest::newRow("upper-case unit") << "time" << QStringList{"5MS"} << V{5000} << "5MS" << false;
    QTest::newRow("shortest") << "time" << QStringList{"1us"} << V{1} << "1us" << false;
    QTest::newRow("below a microsecond") << "time" << QStringList{"0.9us"} << V{} << "0.9us" << true;
    QTest::newRow("one second") << "time" << QStringList{"1000ms"} << V{1000000} << "1000ms" << false;
    QTest::newRow("over a second") << "time" << QStringList{"1001ms"} << V{} << "1001ms" << true;
    QTest::newRow("letters not completed") << "time" << QStringList{"abc"} << V{} << "abc" << true;
    QTest::newRow("negative") << "time" << QStringList{"-5ms"} << V{} << "-5ms" << true;
    QTest::newRow("Enter completes") << "time" << QStringList{"5\n"} << V{5000, 5000} << "5ms" << false;
    QTest::newRow("Enter over a second") << "time" << QStringList{"5000ms\n"} << V{} << "5000ms" << true;
    QTest::newRow("presets in turn") << "time" << QStringList{"[1ms]", "[33.333ms]"} << V{1000, 33333} << "33.333ms" << false;
    QTest::newRow("preset after a refused Enter") << "time" << QStringList{"-5ms\n", "[100ms]"} << V{100000} << "100ms" << false;
    QTest::newRow("refused entry picked") << "time" << QStringList{"-5ms\n", "[100ms]", "[-5ms]"} << V{100000} << "-5ms" << true;
    QTest::newRow("frame rate Enter") << "fps" << QStringList{"45\n"} << V{45, 45} << "45" << false;
    QTest::newRow("lowest rate") << "fps" << QStringList{"1"} << V{1} << "1" << false;
    QTest::newRow("highest 16-bit rate") << "fps" << QStringList{"65535"} << V{65535} << "65535" << false;
    QTest::newRow("rate above 16 bits") << "fps" << QStringList{"65536"} << V{} << "65536" << true;
    QTest::newRow("zero rate Enter") << "fps" << QStringList{"0\n"} << V{} << "0" << true;
    QTest::newRow("fractional rate") << "fps" << QStringList{"30.5"} << V{} << "30.5" << true;
    QTest::newRow("hexadecimal rate") << "fps" << QStringList{"0x10"} << V{} << "0x10" << true;
    QTest::newRow("rate presets in turn") << "fps" << QStringList{"[120]", "[30]"} << V{120, 30} << "30" << false;
}
// clang-format on

// As a user: click into the box, select what is there and type over it, then press Enter or click
// elsewhere; or open the list and click an entry. Completing a time keeps the cursor where it was.
void TestSettings::displayValues() {
    QFETCH(QString, box);
    QFETCH(QStringList, actions);
    QFETCH(QList<qulonglong>, sent);
    QFETCH(QString, textAfter);
    QFETCH(bool, red);
    clickArrow(group(0));
    auto* combo =
        panel->findChild<QComboBox*>(box == "time" ? "cb_accumulation_time" : "cb_frame_rate");
    QList<qulonglong> times;
    QList<qulonglong> rates;
    QObject receiver;  // goes before the lists, also when the focus leaves as the panel goes
    connect(panel, &SettingUI::signalCumulativeTimeChanged, &receiver,
            [&times](uint64_t us) { times << us; });
    connect(panel, &SettingUI::signalFpsChanged, &receiver,
            [&rates](uint32_t fps) { rates << fps; });
    for (const QString& action : actions) {
        if (action.startsWith('[')) {
            // Opening the list takes the focus from a box being edited, which finishes that.
            elsewhere->setFocus(Qt::MouseFocusReason);
            combo->showPopup();
            QAbstractItemView* list = combo->view();
            QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), 20000);
            const QRect rect = list->visualRect(
                combo->model()->index(combo->findText(action.mid(1).chopped(1)), 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
            QTRY_VERIFY_WITH_TIMEOUT(!list->isVisible(), 20000);
            continue;
        }
        combo->setFocus(Qt::MouseFocusReason);
        if (action != "\n") {
            combo->lineEdit()->selectAll();
            QTest::keyClick(combo->lineEdit(), Qt::Key_Delete);
            QTest::keyClicks(combo, action.endsWith('\n') ? action.chopped(1) : action);
        }
        // Delete drops what the box offers to complete the text with.
        QTest::keyClick(combo->lineEdit(), Qt::Key_Delete);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Home);
        if (action.endsWith('\n')) {
            QTest::keyClick(combo, Qt::Key_Return);
        } else {
            elsewhere->setFocus(Qt::MouseFocusReason);
            QCOMPARE(combo->lineEdit()->cursorPosition(), 0);
        }
    }
    QCOMPARE(box == "time" ? times : rates, sent);
    QCOMPARE(combo->lineEdit()->text(), textAfter);
    QCOMPARE(markedRed(combo), red);
}

// clang-format off
void TestSettings::panelFollowsCameras_data() {
    QTest::addColumn<QStringList>("cameras");  // opened in turn: biases, "-" for none, or "no tool"
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one camera") << QStringList{"a,b"} << QStringList{"Display", "Biases", "a", "b", "stretch"};
    QTest::newRow("another camera replaces the rows") << QStringList{"a,b", "c"} << QStringList{"Display", "Biases", "c", "stretch"};
    QTest::newRow("no camera removes them") << QStringList{"a", "-"} << QStringList{"Display", "stretch"};
    QTest::newRow("camera without a bias tool") << QStringList{"a", "no tool"} << QStringList{"Display", "stretch"};
    QTest::newRow("camera without biases") << QStringList{"a", ""} << QStringList{"Display", "stretch"};
    QTest::newRow("only integers with a range") << QStringList{"fo,gain:float,hid:norange,hpf"} << QStringList{"Display", "Biases", "fo", "hpf", "stretch"};
    QTest::newRow("no integer biases") << QStringList{"gain:float"} << QStringList{"Display", "Biases", "stretch"};
}
// clang-format on

// Biases come after the display settings, folded; the display settings stay as the user left
// them. A camera the panel no longer shows is let go (its recording is finalised when it goes).
void TestSettings::panelFollowsCameras() {
    QFETCH(QStringList, cameras);
    QFETCH(QStringList, expected);
    SettingItemBox* display = group(0);
    QVERIFY(isFolded(display, true));
    clickArrow(display);
    std::vector<std::weak_ptr<FakeBiasTool>> tools;
    for (const QString& spec : cameras) {
        auto tool = spec == "no tool" ? nullptr : makeTool(spec);
        tools.push_back(tool);
        panel->setBiasesToolToInitUI(spec == "-" ? nullptr : std::make_shared<FakeCamera>(tool));
    }
    tools.pop_back();
    QCOMPARE(column(), expected);
    QCOMPARE(panel->findChildren<SettingItemBox*>().size(), expected.contains("Biases") ? 2 : 1);
    QVERIFY(!group(1) || isFolded(group(1), true));
    for (const auto& tool : tools) {
        QVERIFY(tool.expired());
    }
    QVERIFY(isFolded(display, false));
    clickArrow(display);
    QVERIFY(isFolded(display, true));
}

// clang-format off
void TestSettings::biasRowWrites_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("refuseAbove");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QList<int>>("writes");
    QTest::addColumn<QString>("boxAfter");
    QTest::addColumn<bool>("rejected");
    const int all = INT_MAX;
    using W = QList<int>;
    QTest::newRow("starts at the camera's value") << -100 << 100 << all << QStringList{} << W{} << "60" << false;
    QTest::newRow("plus") << 0 << 255 << all << QStringList{"+"} << W{61} << "61" << false;
    QTest::newRow("minus at minimum") << 60 << 255 << all << QStringList{"-"} << W{} << "60" << false;
    QTest::newRow("negative range") << -1000000 << -5 << all << QStringList{"+", "-"} << W{-6} << "-6" << false;
    QTest::newRow("below the range, at minimum") << 100 << 200 << all << QStringList{"-", "+", "-", "-"} << W{101, 100} << "100" << false;
    QTest::newRow("beyond int clamps") << 0 << 255 << all << QStringList{"99999999999"} << W{255} << "255" << false;
    QTest::newRow("typed number clamps") << 0 << 255 << all << QStringList{"100", "5000", "999"} << W{100, 255} << "255" << false;
    QTest::newRow("typo") << 0 << 255 << all << QStringList{"100", "1O0"} << W{100} << "1O0" << true;
    QTest::newRow("fraction") << 0 << 255 << all << QStringList{"12.5"} << W{} << "12.5" << true;
    QTest::newRow("plus after a typo") << 0 << 255 << all << QStringList{"x", "+"} << W{61} << "61" << false;
    QTest::newRow("same number after a typo") << 0 << 255 << all << QStringList{"x", "60"} << W{} << "60" << false;
    QTest::newRow("refused number snaps back") << 0 << 255 << 100 << QStringList{"50", "200"} << W{50, 200} << "50" << false;
    QTest::newRow("refused plus snaps back") << 0 << 255 << 100 << QStringList{"100", "+", "+"} << W{100, 101, 101} << "100" << false;
    QTest::newRow("rebuilt rows write nothing") << 0 << 255 << all << QStringList{"+", "rebuild", "+"} << W{61, 62} << "62" << false;
    QTest::newRow("dragging writes every value") << 55 << 65 << all << QStringList{"drag"} << W{61, 62, 63, 64, 65} << "65" << false;
}
// clang-format on

// "+" and "-" click the buttons, "drag" pulls the handle from the middle to the right end,
// "rebuild" opens the same camera again; anything else is typed into the box and confirmed with
// Enter. The bias's name is UTF-8, as the camera gives it.
void TestSettings::biasRowWrites() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, refuseAbove);
    QFETCH(QStringList, actions);
    QFETCH(QList<int>, writes);
    QFETCH(QString, boxAfter);
    QFETCH(bool, rejected);
    auto tool = makeTool("bias_\u00E9t\u00E9", min, max);
    tool->refuseAbove = refuseAbove;
    auto camera = std::make_shared<FakeCamera>(tool);
    panel->setBiasesToolToInitUI(camera);
    clickArrow(group(1));
    for (const QString& action : actions) {
        QWidget* biasRow = firstRow();
        auto* slider = biasRow->findChild<QSlider*>();
        if (action == "+" || action == "-") {
            const char* button = action == "+" ? "pb_add_item_value" : "pb_sub_item_value";
            QTest::mouseClick(biasRow->findChild<QPushButton*>(button), Qt::LeftButton);
        } else if (action == "rebuild") {
            panel->setBiasesToolToInitUI(camera);
            clickArrow(group(1));
        } else if (action == "drag") {
            QPoint at = slider->mapTo(host, slider->rect().center());
            QTest::mousePress(host->windowHandle(), Qt::LeftButton, {}, at);
            for (const int end = at.x() + slider->width(); at.x() < end; at.rx()++) {
                QTest::mouseMove(host->windowHandle(), at);
            }
            QTest::mouseRelease(host->windowHandle(), Qt::LeftButton, {}, at);
        } else {
            auto* box = biasRow->findChild<QLineEdit*>();
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Delete);
            QTest::keyClicks(box, action);
            QTest::keyClick(box, Qt::Key_Return);
        }
    }
    QCOMPARE(tool->writes, writes);
    QCOMPARE(tool->strayWrites, 0);
    auto* box = firstRow()->findChild<QLineEdit*>();
    QCOMPARE(box->text(), boxAfter);
    QCOMPARE(markedRed(box), rejected);
    QVERIFY(rejected || firstRow()->findChild<QSlider*>()->value() == boxAfter.toInt());
}

// A real wheel turn is spontaneous: only such events travel on to the parents. The column has
// no scroll bars, also when it is longer than the panel.
void TestSettings::wheelOverBiasSliderScrollsPanel() {
    // The rows start inside their range, where the slider itself would move.
    auto tool = makeTool("b0,b1,b2,b3,b4,b5,b6,b7,b8,b9,b10,b11");
    panel->setBiasesToolToInitUI(std::make_shared<FakeCamera>(tool));
    clickArrow(group(1));
    host->resize(260, 300);
    auto* area = panel->findChild<QScrollArea*>();
    QTRY_VERIFY_WITH_TIMEOUT(area->verticalScrollBar()->maximum() > 0, 20000);
    QVERIFY(!area->verticalScrollBar()->isVisible() && !area->horizontalScrollBar()->isVisible());
    auto* slider = firstRow()->findChild<QSlider*>();
    const QPoint at = slider->rect().center();
    QWheelEvent wheel(at, slider->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    qApp->notify(slider, &wheel);
    QVERIFY(area->verticalScrollBar()->value() > 0);
    QCOMPARE(slider->value(), 60);
    QVERIFY(tool->writes.isEmpty());
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
