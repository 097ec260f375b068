// What only a real X server shows: whether a compositing manager runs, and what translucent
// windows look like without one. The server is a private Xvfb without window manager; without
// Xvfb the tests skip.
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QtTest>
#include <csignal>

#include "dialogs/InitDialog.h"
#include "dialogs/WaitingWin.h"
#include "framework/QFramelessWidget.h"
#include "framework/windowTranslucency.h"

namespace {

// Starts Xvfb on a free display; returns its pid and sets display, or -1.
pid_t startXvfb(QByteArray* display) {
    int fds[2];
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() || pipe(fds) != 0) {
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
    ssize_t count = 0;
    while (!number.endsWith('\n') && poll(&ready, 1, 10000) > 0 &&
           (count = read(fds[0], buffer, sizeof buffer)) > 0) {
        number.append(buffer, static_cast<int>(count));
    }
    close(fds[0]);
    if (number.trimmed().isEmpty()) {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        return -1;
    }
    *display = ":" + number.trimmed();
    return pid;
}

// Share of the window's pixels on screen, inside its mask, that are black: what a translucent
// window shows where nothing composites it. An unexposed window counts as black.
double blackShare(QWidget* window) {
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) {
        return 1.0;
    }
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
    return double(black) / (window->width() * window->height());
}

}  // namespace

class TestFramelessX11 : public QObject {
    Q_OBJECT

public:
    explicit TestFramelessX11(bool xServer) : xServer(xServer) {}

private slots:
    void initTestCase();
    void cleanup();
    void noShadowBandWithoutCompositor();
    void compositorTurnsShadowOn();

private:
    void showWindow();

    bool xServer = false;
    QPointer<QFramelessWidget> window;
};

void TestFramelessX11::initTestCase() {
    if (!xServer) {
        QSKIP("needs Xvfb");
    }
    QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
}

void TestFramelessX11::cleanup() {
    delete window;
}

// Built like the main window: resizable, shadow and native frame requested.
void TestFramelessX11::showWindow() {
    window = new QFramelessWidget(nullptr, true, true, true);
    new QVBoxLayout(window);
    window->setGeometry(200, 150, 500, 400);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void TestFramelessX11::noShadowBandWithoutCompositor() {
    QVERIFY(!windowSystemShowsTranslucency());
    showWindow();
    QVERIFY(!window->testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(window->layout()->contentsMargins() != QMargins(10, 10, 10, 10));
    // The resize zone is the plain 8 pixels, not the 13 of a drawn shadow.
    QTest::mouseMove(window, QPoint(7, 200));
    QTRY_COMPARE(window->cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(window, QPoint(10, 200));
    QTRY_COMPARE(window->cursor().shape(), Qt::ArrowCursor);
    // The other translucent windows draw no black either (the logo has a little); until the
    // server shows them, the screen behind is black too.
    WaitingWin waiting(nullptr);
    QTRY_COMPARE(blackShare(&waiting), 0.0);
    InitDialog startup(nullptr);
    QTRY_VERIFY(blackShare(&startup) < 0.01);
}

void TestFramelessX11::compositorTurnsShadowOn() {
    if (QStandardPaths::findExecutable("xcompmgr").isEmpty()) {
        QSKIP("needs xcompmgr");
    }
    QProcess compositor;
    compositor.start("xcompmgr", QStringList());
    QVERIFY(compositor.waitForStarted());
    QTRY_VERIFY(windowSystemShowsTranslucency());
    showWindow();
    QVERIFY(window->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(window->layout()->contentsMargins(), QMargins(10, 10, 10, 10));
    QVERIFY(WaitingWin(nullptr).testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(InitDialog(nullptr).testAttribute(Qt::WA_TranslucentBackground));
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
