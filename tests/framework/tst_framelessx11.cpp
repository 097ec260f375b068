// Window-system moves on a real X server: a private Xvfb without window manager, driven with
// xdotool. Without Xvfb or xdotool the tests skip.
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QtTest>
#include <csignal>

#include "dialogs/InitDialog.h"
#include "dialogs/WaitingWin.h"
#include "framework/QFramelessHelper.h"
#include "framework/QFramelessWidget.h"
#include "framework/windowTranslucency.h"

namespace {

// Starts Xvfb on a free display; returns its pid and sets display, or -1.
pid_t startXvfb(QByteArray* display) {
    if (QStandardPaths::findExecutable("Xvfb").isEmpty()) {
        return -1;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        return -1;
    }
    const QByteArray fd = QByteArray::number(fds[1]);
    const pid_t pid = fork();
    if (pid == 0) {
        // Dies with the test, however the test ends; its chatter stays out of the test output.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        close(fds[0]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", "1280x800x24",
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    QByteArray number;
    pollfd ready = {fds[0], POLLIN, 0};
    char buffer[16];
    while (!number.endsWith('\n') && poll(&ready, 1, 10000) > 0) {
        const ssize_t count = read(fds[0], buffer, sizeof buffer);
        if (count <= 0) {
            break;
        }
        number.append(buffer, static_cast<int>(count));
    }
    close(fds[0]);
    if (pid < 0 || number.trimmed().isEmpty()) {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        return -1;
    }
    *display = ":" + number.trimmed();
    return pid;
}

void xdotool(const QStringList& arguments) {
    QProcess::execute("xdotool", arguments);
    QTest::qWait(60);
}

void pointerTo(const QPoint& global) {
    xdotool({"mousemove", QString::number(global.x()), QString::number(global.y())});
}

// Presses the left button at from and moves by in five steps before releasing it.
void dragBy(const QPoint& from, const QPoint& by) {
    pointerTo(from);
    xdotool({"mousedown", "1"});
    for (int step = 1; step <= 5; ++step) {
        pointerTo(from + by * step / 5);
    }
    xdotool({"mouseup", "1"});
    QTest::qWait(200);
}

// Share of the window's pixels on screen, inside its mask, that are black: what a translucent
// window shows where nothing composites it.
double blackShare(QWidget* window) {
    window->show();
    const bool exposed = QTest::qWaitForWindowExposed(window);
    QTest::qWait(200);
    const QImage shot =
        QGuiApplication::primaryScreen()
            ->grabWindow(0, window->x(), window->y(), window->width(), window->height())
            .toImage();
    int black = 0;
    for (const QRect& rect : window->mask().isEmpty() ? QRegion(window->rect()) : window->mask()) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                black += shot.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
            }
        }
    }
    return exposed ? double(black) / (window->width() * window->height()) : 1.0;
}

}  // namespace

class TestFramelessX11 : public QObject {
    Q_OBJECT

public:
    explicit TestFramelessX11(bool xServer) : xServer(xServer) {}

private slots:
    void initTestCase();
    void cleanup();
    void dragTitleBar();
    void resizeFromCorner();
    void noShadowBandWithoutCompositor();
    void compositorTurnsShadowOn();

private:
    void showWindow();

    bool xServer = false;
    QPointer<QFramelessWidget> window;
    QWidget* titleBar = nullptr;
};

void TestFramelessX11::initTestCase() {
    if (!xServer) {
        QSKIP("needs Xvfb");
    }
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) {
        QSKIP("needs xdotool");
    }
    QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
}

void TestFramelessX11::cleanup() {
    delete window;
}

// Built like the main window: resizable, shadow and native frame requested.
void TestFramelessX11::showWindow() {
    window = new QFramelessWidget(nullptr, true, true, true);
    auto* layout = new QVBoxLayout(window);
    titleBar = new QWidget(window);
    titleBar->setFixedHeight(40);
    new QPushButton("x", titleBar);
    layout->addWidget(titleBar);
    layout->addWidget(new QWidget(window), 1);
    window->setMinimumSize(300, 200);
    window->setGeometry(200, 150, 500, 400);
    window->framelessHelper()->setTitleBar(titleBar);
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) {
        qWarning("window not exposed");
    }
    QTRY_COMPARE(window->pos(), QPoint(200, 150));
}

void TestFramelessX11::dragTitleBar() {
    showWindow();
    dragBy(titleBar->mapToGlobal(QPoint(250, 20)), QPoint(120, -60));
    QTRY_COMPARE(window->geometry(), QRect(320, 90, 500, 400));
}

void TestFramelessX11::resizeFromCorner() {
    showWindow();
    const QPoint corner = window->mapToGlobal(QPoint(497, 397));
    dragBy(corner, QPoint(60, 35));
    QTRY_COMPARE(window->geometry(), QRect(200, 150, 560, 435));
    dragBy(corner + QPoint(60, 35), QPoint(-600, -600));
    QTRY_COMPARE(window->geometry(), QRect(200, 150, 300, 200));
}

void TestFramelessX11::noShadowBandWithoutCompositor() {
    if (windowSystemShowsTranslucency()) {
        QSKIP("a compositing manager runs");
    }
    showWindow();
    QVERIFY(!window->testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(window->layout()->contentsMargins() != QMargins(10, 10, 10, 10));
    // 10 pixels in: inside the 13-pixel zone of a drawn shadow, outside the plain 8.
    dragBy(window->mapToGlobal(QPoint(10, 200)), QPoint(-40, 0));
    QTest::qWait(200);
    QCOMPARE(window->geometry(), QRect(200, 150, 500, 400));
    // The other translucent windows draw no black either (the logo has a little).
    WaitingWin waiting(nullptr);
    QCOMPARE(blackShare(&waiting), 0.0);
    InitDialog startup(nullptr);
    QVERIFY(blackShare(&startup) < 0.01);
}

void TestFramelessX11::compositorTurnsShadowOn() {
    if (QStandardPaths::findExecutable("xcompmgr").isEmpty()) {
        QSKIP("needs xcompmgr");
    }
    QVERIFY(!windowSystemShowsTranslucency());
    QProcess compositor;
    compositor.start("xcompmgr", QStringList());
    QVERIFY(compositor.waitForStarted());
    QTRY_VERIFY(windowSystemShowsTranslucency());
    showWindow();
    QVERIFY(window->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(window->layout()->contentsMargins(), QMargins(10, 10, 10, 10));
    QVERIFY(WaitingWin(nullptr).testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(InitDialog(nullptr).testAttribute(Qt::WA_TranslucentBackground));
    delete window;
    compositor.terminate();
    QVERIFY(compositor.waitForFinished());
    QTRY_VERIFY(!windowSystemShowsTranslucency());
}

int main(int argc, char* argv[]) {
    QByteArray display;
    const pid_t xvfb = startXvfb(&display);
    if (xvfb > 0) {
        qputenv("DISPLAY", display);
        qputenv("QT_QPA_PLATFORM", "xcb");
        // The private server has neither OpenGL nor a session bus; Qt's attempts to reach them
        // would only show up as leaks under the sanitizers.
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        TestFramelessX11 test(xvfb > 0);
        result = QTest::qExec(&test, argc, argv);
    }
    if (xvfb > 0) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
    }
    return result;
}

#include "tst_framelessx11.moc"
