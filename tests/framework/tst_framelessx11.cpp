// What only a real X server shows: whether a compositing manager runs, and what translucent
// windows look like without one. The server is a private Xvfb without window manager; without
// Xvfb the test skips.
#include <unistd.h>
#include <QtTest>
#include <QtWidgets>
#include <vector>

#include "dialogs/InitDialog.h"
#include "dialogs/WaitingWin.h"
#include "framework/QFramelessWidget.h"
#include "framework/windowTranslucency.h"
#include "support/FramePixels.h"

namespace {

// Share of the window's pixels on screen, inside its mask, that are black: what a translucent
// window shows where nothing composites it. An unexposed window counts as black.
double blackShare(QWidget* window) {
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) {
        return 1.0;
    }
    QImage shot(window->size(), QImage::Format_RGB32);
    shot.fill(Qt::white);
    QPainter painter(&shot);
    painter.setClipRegion(window->mask().isEmpty() ? QRegion(window->rect()) : window->mask());
    painter.drawPixmap(0, 0,
                       QGuiApplication::primaryScreen()->grabWindow(
                           0, window->x(), window->y(), window->width(), window->height()));
    painter.end();
    return colourCounts(shot).value(qRgb(0, 0, 0)) / double(shot.width() * shot.height());
}

}  // namespace

class TestFramelessX11 : public QObject {
    Q_OBJECT

private slots:
    void shadowFollowsTheCompositor();
};

// A window built like the main window (resizable, shadow and native frame requested) has no
// shadow band while nothing composites, nor do the other translucent windows show black; made
// while a compositing manager runs, windows get their shadow.
void TestFramelessX11::shadowFollowsTheCompositor() {
    if (QGuiApplication::platformName() != "xcb") {
        QSKIP("needs Xvfb");
    }
    QVERIFY(!windowSystemShowsTranslucency());
    QFramelessWidget plain(nullptr, true, true, true);
    new QVBoxLayout(&plain);
    plain.setGeometry(200, 150, 500, 400);
    plain.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plain));
    QVERIFY(!plain.testAttribute(Qt::WA_TranslucentBackground));
    // The resize zone is the plain 8 pixels, not the 13 of a drawn shadow.
    QTest::mouseMove(&plain, QPoint(7, 200));
    QTRY_COMPARE(plain.cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(&plain, QPoint(10, 200));
    QTRY_COMPARE(plain.cursor().shape(), Qt::ArrowCursor);
    // The logo has a little black; until the server shows a window, the screen behind is black.
    WaitingWin waiting(nullptr);
    QTRY_COMPARE(blackShare(&waiting), 0.0);
    InitDialog startup(nullptr);
    QTRY_VERIFY(blackShare(&startup) < 0.01);

    if (QStandardPaths::findExecutable("xcompmgr").isEmpty()) {
        QSKIP("needs xcompmgr");
    }
    QProcess compositor;
    compositor.start("xcompmgr", QStringList());
    QVERIFY(compositor.waitForStarted());
    QTRY_VERIFY(windowSystemShowsTranslucency());
    QFramelessWidget shadowed(nullptr, true, true, true);
    new QVBoxLayout(&shadowed);
    shadowed.show();
    QVERIFY(shadowed.testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(WaitingWin(nullptr).testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(InitDialog(nullptr).testAttribute(Qt::WA_TranslucentBackground));
    compositor.terminate();
    QVERIFY(compositor.waitForFinished());
    QTRY_VERIFY(!windowSystemShowsTranslucency());
}

int main(int argc, char* argv[]) {
    // Runs itself again under a private X server, which xvfb-run starts and stops.
    if (qEnvironmentVariableIsEmpty("OSTREL_IN_XVFB") &&
        !QStandardPaths::findExecutable("xvfb-run").isEmpty() &&
        !QStandardPaths::findExecutable("xauth").isEmpty()) {
        qputenv("OSTREL_IN_XVFB", "1");
        qputenv("QT_QPA_PLATFORM", "xcb");
        // No OpenGL nor session bus there; Qt's attempts to reach them would only show up as
        // leaks under the sanitizers.
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        std::vector<char*> command = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a")};
        command.insert(command.end(), argv, argv + argc + 1);
        execvp(command[0], command.data());
    }
    QApplication app(argc, argv);
    TestFramelessX11 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_framelessx11.moc"
