#include <QtTest>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include <vector>

#include "settings/SettingDisplayItem.h"

Q_DECLARE_METATYPE(std::vector<uint64_t>)
Q_DECLARE_METATYPE(std::vector<uint32_t>)

namespace QTest {
template <>
char* toString(const std::vector<uint64_t>& values) {
    QStringList texts;
    for (uint64_t value : values) {
        texts << QString::number(value);
    }
    return toString("{" + texts.join(", ") + "}");
}
template <>
char* toString(const std::vector<uint32_t>& values) {
    return toString(std::vector<uint64_t>(values.begin(), values.end()));
}
}  // namespace QTest

namespace {

const QString greyBorder = "QComboBox {    border: 1px solid #A7A7A7;    }";
const QString redBorder = "QComboBox {        border: 1px solid #FF6058;        }";

}  // namespace

class TestSettingDisplayItem : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void emitsNothingAtStart();
    void pickingPresetEmits_data();
    void pickingPresetEmits();
    void typedTimeOnLeaving_data();
    void typedTimeOnLeaving();
    void completedTimeKeepsCursor();
    void typedTimeMarksBorderWhileTyping_data();
    void typedTimeMarksBorderWhileTyping();
    void typedTimeWithEnter_data();
    void typedTimeWithEnter();
    void presetAfterRejectedEnterStillEmits();
    void typedFrameRate_data();
    void typedFrameRate();
    void enterOnUnchangedTextEmitsAgain();

private:
    void typeInto(QComboBox* box, const QString& text);
    void leave();
    void pick(QComboBox* box, const QString& entry);

    QWidget* host = nullptr;
    QLineEdit* elsewhere = nullptr;
    SettingDisplayItem* item = nullptr;
    QComboBox* timeBox = nullptr;
    QComboBox* fpsBox = nullptr;
    std::vector<uint64_t> times;
    std::vector<uint32_t> rates;
};

void TestSettingDisplayItem::init() {
    host = new QWidget();
    auto* layout = new QVBoxLayout(host);
    item = new SettingDisplayItem();
    elsewhere = new QLineEdit();
    // First in the tab order, so that activation focuses it rather than a combo box.
    layout->addWidget(elsewhere);
    layout->addWidget(item);
    timeBox = item->findChild<QComboBox*>("cb_accumulation_time");
    fpsBox = item->findChild<QComboBox*>("cb_frame_rate");
    QVERIFY(timeBox != nullptr && fpsBox != nullptr);
    times.clear();
    rates.clear();
    connect(item, &SettingDisplayItem::signalCumulativeTimeChanged, this,
            [this](uint64_t us) { times.push_back(us); });
    connect(item, &SettingDisplayItem::signalFpsChanged, this,
            [this](uint32_t fps) { rates.push_back(fps); });
    host->show();
    host->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host));
    QVERIFY(elsewhere->hasFocus());
}

void TestSettingDisplayItem::cleanup() {
    delete host;
    host = nullptr;
}

// Like a user: click into the box, select what is there and type over it.
void TestSettingDisplayItem::typeInto(QComboBox* box, const QString& text) {
    box->setFocus(Qt::MouseFocusReason);
    QVERIFY(box->hasFocus());
    box->lineEdit()->selectAll();
    QTest::keyClicks(box, text);
}

void TestSettingDisplayItem::leave() {
    elsewhere->setFocus(Qt::MouseFocusReason);
    QVERIFY(elsewhere->hasFocus());
}

// Opens the drop-down list and clicks the entry. Focus is moved away first: opening the list
// takes the focus from a box being edited, which finishes that editing.
void TestSettingDisplayItem::pick(QComboBox* box, const QString& entry) {
    const int row = box->findText(entry);
    QVERIFY(row >= 0);
    leave();
    box->showPopup();
    QAbstractItemView* list = box->view();
    QTRY_VERIFY(list->isVisible());
    const QRect rect = list->visualRect(box->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTRY_VERIFY(!list->isVisible());
}

void TestSettingDisplayItem::emitsNothingAtStart() {
    QCoreApplication::processEvents();
    QCOMPARE(timeBox->currentText(), QString("33.333ms"));
    QCOMPARE(fpsBox->currentText(), QString("30"));
    QVERIFY(timeBox->isEditable());
    QVERIFY(fpsBox->isEditable());
    QVERIFY(times.empty());
    QVERIFY(rates.empty());
}

void TestSettingDisplayItem::pickingPresetEmits_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<std::vector<uint64_t>>("expected");
    QTest::newRow("100ms") << "time" << QStringList{"100ms"} << std::vector<uint64_t>{100000};
    QTest::newRow("1ms then back to 33.333ms")
        << "time" << QStringList{"1ms", "33.333ms"} << std::vector<uint64_t>{1000, 33333};
    QTest::newRow("60") << "fps" << QStringList{"60"} << std::vector<uint64_t>{60};
    QTest::newRow("120 then 30") << "fps" << QStringList{"120", "30"}
                                 << std::vector<uint64_t>{120, 30};
}

void TestSettingDisplayItem::pickingPresetEmits() {
    QFETCH(QString, box);
    QFETCH(QStringList, entries);
    QFETCH(std::vector<uint64_t>, expected);
    QComboBox* combo = box == "time" ? timeBox : fpsBox;
    for (const QString& entry : entries) {
        pick(combo, entry);
    }
    if (box == "time") {
        QCOMPARE(times, expected);
        QVERIFY(rates.empty());
    } else {
        QCOMPARE(std::vector<uint64_t>(rates.begin(), rates.end()), expected);
        QVERIFY(times.empty());
    }
    QCOMPARE(combo->styleSheet(), greyBorder);
}

void TestSettingDisplayItem::typedTimeOnLeaving_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<std::vector<uint64_t>>("expected");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<QString>("border");
    QTest::newRow("500us kept") << "500us" << std::vector<uint64_t>{500} << "500us" << greyBorder;
    QTest::newRow("2.5 completed") << "2.5" << std::vector<uint64_t>{2500} << "2.5ms" << greyBorder;
    QTest::newRow("5 completed") << "5" << std::vector<uint64_t>{5000} << "5ms" << greyBorder;
    QTest::newRow("1000ms is one second")
        << "1000ms" << std::vector<uint64_t>{1000000} << "1000ms" << greyBorder;
    QTest::newRow("1001ms too long")
        << "1001ms" << std::vector<uint64_t>{} << "1001ms" << redBorder;
    QTest::newRow("letters") << "abc" << std::vector<uint64_t>{} << "abc" << redBorder;
}

void TestSettingDisplayItem::typedTimeOnLeaving() {
    QFETCH(QString, typed);
    QFETCH(std::vector<uint64_t>, expected);
    QFETCH(QString, textAfter);
    QFETCH(QString, border);
    typeInto(timeBox, typed);
    QCOMPARE(timeBox->lineEdit()->text(), typed);
    QVERIFY(times.empty());
    leave();
    QCOMPARE(times, expected);
    QCOMPARE(timeBox->lineEdit()->text(), textAfter);
    QCOMPARE(timeBox->styleSheet(), border);
    QVERIFY(rates.empty());
}

void TestSettingDisplayItem::completedTimeKeepsCursor() {
    typeInto(timeBox, "2.5");
    QTest::keyClick(timeBox, Qt::Key_Left);
    QCOMPARE(timeBox->lineEdit()->cursorPosition(), 2);
    leave();
    QCOMPARE(timeBox->lineEdit()->text(), QString("2.5ms"));
    QCOMPARE(timeBox->lineEdit()->cursorPosition(), 2);
}

void TestSettingDisplayItem::typedTimeMarksBorderWhileTyping_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("border");
    QTest::newRow("bare number") << "7" << greyBorder;
    QTest::newRow("too long") << "1001ms" << redBorder;
}

void TestSettingDisplayItem::typedTimeMarksBorderWhileTyping() {
    QFETCH(QString, typed);
    QFETCH(QString, border);
    typeInto(timeBox, typed);
    QCOMPARE(timeBox->styleSheet(), border);
    QVERIFY(times.empty());
}

// Enter adds the text to the list and makes it current, then finishes editing: both paths run.
void TestSettingDisplayItem::typedTimeWithEnter_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<std::vector<uint64_t>>("expected");
    QTest::addColumn<QString>("border");
    QTest::newRow("5ms on both paths") << "5ms" << std::vector<uint64_t>{5000, 5000} << greyBorder;
    QTest::newRow("5 completed on both paths")
        << "5" << std::vector<uint64_t>{5000, 5000} << greyBorder;
    QTest::newRow("letters") << "abc" << std::vector<uint64_t>{} << redBorder;
    QTest::newRow("5000ms") << "5000ms" << std::vector<uint64_t>{} << redBorder;
}

void TestSettingDisplayItem::typedTimeWithEnter() {
    QFETCH(QString, typed);
    QFETCH(std::vector<uint64_t>, expected);
    QFETCH(QString, border);
    typeInto(timeBox, typed);
    QTest::keyClick(timeBox, Qt::Key_Return);
    QCOMPARE(times, expected);
    QCOMPARE(timeBox->styleSheet(), border);
    QVERIFY(timeBox->findText(typed) >= 0);
}

void TestSettingDisplayItem::presetAfterRejectedEnterStillEmits() {
    typeInto(timeBox, "-5ms");
    QTest::keyClick(timeBox, Qt::Key_Return);
    QVERIFY(times.empty());
    pick(timeBox, "100ms");
    QCOMPARE(times, std::vector<uint64_t>{100000});
    QCOMPARE(timeBox->styleSheet(), greyBorder);
    pick(timeBox, "-5ms");
    QCOMPARE(times, std::vector<uint64_t>{100000});
    QCOMPARE(timeBox->styleSheet(), redBorder);
}

// Frame rates the receivers cannot divide by or keep in 16 bits are refused like non-numbers.
void TestSettingDisplayItem::typedFrameRate_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("enter");
    QTest::addColumn<std::vector<uint32_t>>("expected");
    QTest::addColumn<QString>("border");
    QTest::newRow("45 left") << "45" << false << std::vector<uint32_t>{45} << greyBorder;
    QTest::newRow("45 Enter") << "45" << true << std::vector<uint32_t>{45, 45} << greyBorder;
    QTest::newRow("65535 left") << "65535" << false << std::vector<uint32_t>{65535} << greyBorder;
    QTest::newRow("30.5 left") << "30.5" << false << std::vector<uint32_t>{} << redBorder;
    QTest::newRow("30.5 Enter") << "30.5" << true << std::vector<uint32_t>{} << redBorder;
    QTest::newRow("0 left") << "0" << false << std::vector<uint32_t>{} << redBorder;
    QTest::newRow("0 Enter") << "0" << true << std::vector<uint32_t>{} << redBorder;
    QTest::newRow("-3 Enter") << "-3" << true << std::vector<uint32_t>{} << redBorder;
    QTest::newRow("70000 Enter") << "70000" << true << std::vector<uint32_t>{} << redBorder;
    QTest::newRow("abc Enter") << "abc" << true << std::vector<uint32_t>{} << redBorder;
    QTest::newRow("abc left") << "abc" << false << std::vector<uint32_t>{} << redBorder;
}

void TestSettingDisplayItem::typedFrameRate() {
    QFETCH(QString, typed);
    QFETCH(bool, enter);
    QFETCH(std::vector<uint32_t>, expected);
    QFETCH(QString, border);
    typeInto(fpsBox, typed);
    QCOMPARE(fpsBox->styleSheet(), border);
    QVERIFY(rates.empty());
    if (enter) {
        QTest::keyClick(fpsBox, Qt::Key_Return);
    } else {
        leave();
    }
    QCOMPARE(rates, expected);
    QCOMPARE(fpsBox->styleSheet(), border);
    QVERIFY(times.empty());
}

void TestSettingDisplayItem::enterOnUnchangedTextEmitsAgain() {
    timeBox->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(timeBox, Qt::Key_Return);
    QTest::keyClick(timeBox, Qt::Key_Return);
    QCOMPARE(times, (std::vector<uint64_t>{33333, 33333}));
    QCOMPARE(timeBox->count(), 4);

    fpsBox->setFocus(Qt::MouseFocusReason);
    QTest::ignoreMessage(QtDebugMsg, "frame rate change: 30");
    QTest::keyClick(fpsBox, Qt::Key_Return);
    QTest::ignoreMessage(QtDebugMsg, "frame rate change: 30");
    QTest::keyClick(fpsBox, Qt::Key_Return);
    QCOMPARE(rates, (std::vector<uint32_t>{30, 30}));
}

QTEST_MAIN(TestSettingDisplayItem)
#include "tst_SettingDisplayItem.moc"
