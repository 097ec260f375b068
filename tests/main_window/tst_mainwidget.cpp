#include <QAction>
#include <QDir>
#include <QFrame>
#include <QGraphicsPixmapItem>
#include <QGraphicsView>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "main_window/MainWidget.h"
#include "main_window/windowPlacement.h"
#include "settings/SettingUI.h"

class TestMainWidget : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void menus_data();
    void menus();
    void quitClosesWindow();
    void foldingSidePanel();
    void centring_data();
    void centring();
    void paletteRemembered_data();
    void paletteRemembered();

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

// Only the exact text "Quit" closes the window.
void TestMainWidget::quitClosesWindow() {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    triggerAction("quit");
    triggerAction("Quit ");
    triggerAction(QString());
    QVERIFY(window->isVisible());
    child<QPushButton>("pb_menu_file")->menu()->actions().last()->trigger();
    QVERIFY(!window->isVisible());
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

void TestMainWidget::paletteRemembered_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("chosen");   // from the frame's menu, then the window closes
    QTest::addColumn<uint>("background");  // of the frame shown at the next start
    QTest::addColumn<QString>("stored");
    QTest::newRow("never chosen: no key") << QByteArray() << "" << 0xff707070u << "<none>";
    QTest::newRow("dark kept") << QByteArray("[Setting]\nframe_palette=dark\n") << "" << 0xff000000u
                               << "dark";
    QTest::newRow("unknown name: default colours")
        << QByteArray("[Setting]\nframe_palette=sepia\n") << "" << 0xff707070u << "default";
    QTest::newRow("chosen from the menu")
        << QByteArray() << "blue-orange" << 0xffffffffu << "blue-orange";
}

void TestMainWidget::paletteRemembered() {
    QFETCH(QByteArray, ini);
    QFETCH(QString, chosen);
    QFETCH(uint, background);
    QFETCH(QString, stored);
    delete window;
    QFile file("config.ini");
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size());
    file.close();
    window = new MainWidget;
    for (QAction* action : window->findChildren<QAction*>()) {
        if (!chosen.isEmpty() && action->data().toString() == chosen) {
            action->trigger();
        }
    }
    delete window;
    window = new MainWidget;
    QCOMPARE(window->frameAccumulator().lastFrame().pixel(0, 0), QRgb(background));
    const auto items = window->findChild<QGraphicsView*>()->scene()->items();
    QCOMPARE(items.size(), 1);
    const QImage shown = static_cast<QGraphicsPixmapItem*>(items.front())->pixmap().toImage();
    QCOMPARE(shown.pixel(0, 0), QRgb(background));
    QCOMPARE(QSettings("config.ini", QSettings::IniFormat)
                 .value("Setting/frame_palette", "<none>")
                 .toString(),
             stored);
}

QTEST_MAIN(TestMainWidget)
#include "tst_mainwidget.moc"
