#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "support/ModalDriver.h"
#include "main_window/MainWidget.h"

// Stands in for the browser: records the addresses the application asks to open.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void openUrl(const QUrl& url) { opened << url; }
};

class TestAboutUs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void asksFirst();
    void opensOnlyWhenAccepted_data();
    void opensOnlyWhenAccepted();

private:
    void chooseAboutUs();

    UrlCatcher catcher;
    QTemporaryDir* dir = nullptr;
    QString previousDir;
    MainWidget* window = nullptr;
};

void TestAboutUs::initTestCase() {
    QDesktopServices::setUrlHandler("https", &catcher, "openUrl");
    QDesktopServices::setUrlHandler("http", &catcher, "openUrl");
}

void TestAboutUs::cleanupTestCase() {
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("http");
}

// The main window writes config.ini into the working directory when it goes.
void TestAboutUs::init() {
    catcher.opened.clear();
    previousDir = QDir::currentPath();
    dir = new QTemporaryDir;
    QDir::setCurrent(dir->path());
    window = new MainWidget;
    window->show();
}

void TestAboutUs::cleanup() {
    delete window;
    QDir::setCurrent(previousDir);
    delete dir;
}

void TestAboutUs::chooseAboutUs() {
    QMenu* help = window->findChild<QPushButton*>("pb_menu_help")->menu();
    QAction* about = help->actions().first();
    QCOMPARE(about->text(), QString("About us"));
    about->trigger();
}

void TestAboutUs::asksFirst() {
    QString title;
    QString message;
    ModalDriver driver([&](QWidget* modal) {
        title = modal->findChild<QLabel*>("lb_title")->text();
        message = modal->findChild<QLabel*>("lb_show_message")->text();
        QVERIFY(catcher.opened.isEmpty());
        QTest::mouseClick(modal->findChild<QPushButton*>("pb_close"), Qt::LeftButton);
    });
    chooseAboutUs();
    QVERIFY(driver.acted());
    QCOMPARE(title, QString("Tips"));
    QCOMPARE(message, QString("Is it open in the browser?"));
}

void TestAboutUs::opensOnlyWhenAccepted_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("opens");
    QTest::newRow("Open") << "pb_open" << 1;
    QTest::newRow("Close") << "pb_close" << 0;
    QTest::newRow("cross") << "pb_win_close" << 0;
    QTest::newRow("Escape") << "escape" << 0;
}

void TestAboutUs::opensOnlyWhenAccepted() {
    QFETCH(QString, how);
    QFETCH(int, opens);
    ModalDriver driver([how](QWidget* modal) {
        if (how == "escape") {
            QTest::keyClick(modal, Qt::Key_Escape);
        } else {
            QTest::mouseClick(modal->findChild<QPushButton*>(how), Qt::LeftButton);
        }
    });
    chooseAboutUs();
    QVERIFY(driver.acted());
    QVERIFY(!driver.timedOut());
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(catcher.opened.size(), opens);
    if (opens) {
        const QUrl url = catcher.opened.first();
        QCOMPARE(url.scheme(), QString("https"));
        QVERIFY2(url.host().endsWith("korvane.com"), qPrintable(url.toString()));
    }
    QVERIFY(window->isVisible());
}

QTEST_MAIN(TestAboutUs)
#include "tst_aboutus.moc"
