#include <QAction>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QTemporaryDir>
#include <QtTest>

#include "main_window/KvSlider.h"
#include "main_window/MainWidget.h"
#include "main_window/windowPlacement.h"
#include "settings/SettingUI.h"

class TestMainWidget : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startState();
    void menus_data();
    void menus();
    void quitClosesWindow();
    void unknownActionIgnored();
    void foldingSidePanel();
    void maximiseButtonSwapsCorners();
    void livePlayBar();
    void labelsSlots();
    void centring_data();
    void centring();

private:
    template <typename T>
    T* child(const char* name) const {
        T* found = window->findChild<T*>(name);
        if (!found) {
            qWarning("missing child %s", name);
        }
        return found;
    }
    void triggerAction(const QString& text);

    QTemporaryDir* dir = nullptr;
    QString previousDir;
    MainWidget* window = nullptr;
};

void TestMainWidget::init() {
    previousDir = QDir::currentPath();
    dir = new QTemporaryDir;
    QDir::setCurrent(dir->path());
    window = new MainWidget;
}

void TestMainWidget::cleanup() {
    delete window;
    QDir::setCurrent(previousDir);
    delete dir;
}

void TestMainWidget::startState() {
    QCOMPARE(window->objectName(), QString("Widget"));
    QCOMPARE(window->windowTitle(), QString("Widget"));
    QCOMPARE(window->size(), QSize(1000, 650));
    QCOMPARE(window->minimumSize(), QSize(1000, 650));
    QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);

    auto* fold = child<QPushButton>("pb_fold_setting");
    QVERIFY(fold->isCheckable() && fold->isChecked());
    for (const char* name : {"pb_play", "pb_record", "pb_loop", "pb_win_min", "pb_win_max"}) {
        auto* button = child<QPushButton>(name);
        QVERIFY2(button->isCheckable() && !button->isChecked(), name);
    }
    for (const char* name : {"pb_prv", "pb_stop", "pb_next", "pb_win_close"}) {
        QVERIFY2(!child<QPushButton>(name)->isCheckable(), name);
    }
    for (const char* name : {"pb_record", "pb_prv", "pb_play", "pb_stop", "pb_next", "pb_loop"}) {
        QVERIFY2(child<QPushButton>(name)->isEnabled(), name);
    }
    auto* slider = child<KvSlider>("slider_time");
    QVERIFY(slider->isEnabled());
    QCOMPARE(slider->value(), 0);
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 100);
    QCOMPARE(slider->pageStep(), 1);
    QCOMPARE(slider->orientation(), Qt::Horizontal);
    QVERIFY(!child<QSplitter>("splitter")->childrenCollapsible());
}

void TestMainWidget::menus_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("file") << "pb_menu_file" << QStringList{"Open Recording", "-", "Quit"};
    QTest::newRow("device") << "pb_menu_device" << QStringList{"Open Camera", "-"};
    QTest::newRow("help") << "pb_menu_help" << QStringList{"About us"};
}

void TestMainWidget::menus() {
    QFETCH(QString, button);
    QFETCH(QStringList, entries);
    QMenu* menu = window->findChild<QPushButton*>(button)->menu();
    QVERIFY(menu);
    QVERIFY(menu->testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(menu->styleSheet().contains("#004B6A"));
    QStringList actual;
    for (QAction* action : menu->actions()) {
        actual << (action->isSeparator() ? QString("-") : action->text());
    }
    QCOMPARE(actual, entries);
}

void TestMainWidget::triggerAction(const QString& text) {
    QAction action(text);
    QVERIFY(QMetaObject::invokeMethod(window, "openActionSlot", Q_ARG(QAction*, &action)));
}

void TestMainWidget::quitClosesWindow() {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QAction* quit = child<QPushButton>("pb_menu_file")->menu()->actions().last();
    QCOMPARE(quit->text(), QString("Quit"));
    quit->trigger();
    QVERIFY(!window->isVisible());
}

void TestMainWidget::unknownActionIgnored() {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    triggerAction("quit");
    triggerAction("Quit ");
    triggerAction(QString());
    QVERIFY(window->isVisible());
}

void TestMainWidget::foldingSidePanel() {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto* fold = child<QPushButton>("pb_fold_setting");
    auto* panel = child<QWidget>("widget_setting");
    auto* frame = child<QFrame>("frame_setting");
    QTest::mouseClick(fold, Qt::LeftButton);
    QVERIFY(!fold->isChecked());
    QVERIFY(panel->isHidden());
    QCOMPARE(frame->maximumWidth(), 40);
    QTest::mouseClick(fold, Qt::LeftButton);
    QVERIFY(fold->isChecked());
    QVERIFY(!panel->isHidden());
    QCOMPARE(frame->maximumWidth(), 500);
}

void TestMainWidget::maximiseButtonSwapsCorners() {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto* maximise = child<QPushButton>("pb_win_max");
    auto* titleBar = child<QWidget>("widget_title_bar");
    QTest::mouseClick(maximise, Qt::LeftButton);
    QVERIFY(maximise->isChecked());
    QVERIFY(titleBar->styleSheet().contains("border-top-left-radius:0px"));
    QVERIFY(!titleBar->styleSheet().contains("background"));
    QTest::mouseClick(maximise, Qt::LeftButton);
    QVERIFY(!maximise->isChecked());
    QVERIFY(titleBar->styleSheet().contains("border-top-left-radius:6px"));
    QVERIFY(titleBar->styleSheet().contains("border-bottom:1px solid #AAAAAA"));
}

void TestMainWidget::livePlayBar() {
    auto* slider = child<KvSlider>("slider_time");
    auto* label = child<QLabel>("label_time");
    slider->setValue(42);
    emit window->setShowCameraLiveUI(true);
    for (const char* name : {"pb_loop", "pb_next", "pb_prv", "pb_stop", "slider_time"}) {
        QVERIFY2(!window->findChild<QWidget*>(name)->isEnabled(), name);
    }
    QVERIFY(child<QPushButton>("pb_play")->isEnabled());
    QVERIFY(child<QPushButton>("pb_record")->isEnabled());
    QCOMPARE(slider->value(), 0);
    QCOMPARE(label->text(), QString("--/--"));

    label->setText("kept");
    slider->setValue(7);
    emit window->setShowCameraLiveUI(false);
    for (const char* name : {"pb_loop", "pb_next", "pb_prv", "pb_stop", "slider_time"}) {
        QVERIFY2(window->findChild<QWidget*>(name)->isEnabled(), name);
    }
    QCOMPARE(slider->value(), 7);
    QCOMPARE(label->text(), QString("kept"));
}

void TestMainWidget::labelsSlots() {
    emit window->toShowCameraSerial("KV-0001");
    emit window->toShowCameraTimestamp(83456789);
    QCOMPARE(child<QLabel>("label_show_camera_info")->text(), QString("KV-0001"));
    QCOMPARE(child<QLabel>("label_show_timestamp_info")->text(), QString("01:23:456789"));
    emit window->resetShowCameraFormTitle(true);
    QVERIFY(child<QLabel>("label_show_camera_info")->text().isEmpty());
    QVERIFY(child<QLabel>("label_show_timestamp_info")->text().isEmpty());
}

void TestMainWidget::centring_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("origin") << QRect(0, 0, 1920, 1040) << QSize(1000, 650) << QPoint(460, 195);
    QTest::newRow("task bar left")
        << QRect(64, 0, 1856, 1080) << QSize(1000, 650) << QPoint(492, 215);
    QTest::newRow("task bar top") << QRect(0, 40, 1920, 1040) << QSize(1000, 650)
                                  << QPoint(460, 235);
    QTest::newRow("second screen")
        << QRect(1920, 0, 1280, 1024) << QSize(1000, 650) << QPoint(2060, 187);
    QTest::newRow("odd sizes") << QRect(0, 0, 1001, 651) << QSize(1000, 650) << QPoint(0, 0);
    QTest::newRow("larger than screen")
        << QRect(0, 0, 800, 600) << QSize(1000, 650) << QPoint(-100, -25);
}

void TestMainWidget::centring() {
    QFETCH(QRect, available);
    QFETCH(QSize, window);
    QFETCH(QPoint, topLeft);
    QCOMPARE(centredTopLeft(available, window), topLeft);
}

QTEST_MAIN(TestMainWidget)
#include "tst_mainwidget.moc"
