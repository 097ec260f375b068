#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QStyle>
#include <QStyleFactory>
#include <QtDebug>

#include "dialogs/InitDialog.h"
#include "main_window/MainWidget.h"

#ifdef Q_OS_WIN
#include <windows.h>

#include <shellapi.h>

#endif

namespace {

void useApplicationFont() {
    const int id = QFontDatabase::addApplicationFont(":/font/NotoSansSC-Medium.ttf");
    if (id == -1) {
        qDebug() << "Failed to load font!";
        return;
    }
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (!families.isEmpty()) {
        QApplication::setFont(QFont(families.first()));
        // The forms name the Windows font 黑体; elsewhere the bundled font stands in for it, so
        // that the fixed-width time and serial labels keep their text inside.
        QFont::insertSubstitution(QString::fromUtf8("黑体"), families.first());
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (QStyle* style = QStyleFactory::create("windows")) {
        QApplication::setStyle(style);
    }
    useApplicationFont();
    QApplication::setWindowIcon(QIcon(":/img/assets/Korvane logo_navigate.png"));

    InitDialog initDialog(nullptr);
    initDialog.exec();

    MainWidget mainWidget;
    mainWidget.show();
    return app.exec();
}

#ifdef Q_OS_WIN
// The GUI entry: split the wide command line into ANSI arguments and hand them to main.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int argc = 0;
    LPWSTR* wideArgv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!wideArgv) {
        return -1;
    }
    char** argv = new char*[argc + 1];
    for (int i = 0; i < argc; ++i) {
        const int size =
            WideCharToMultiByte(CP_ACP, 0, wideArgv[i], -1, nullptr, 0, nullptr, nullptr);
        argv[i] = new char[size];
        WideCharToMultiByte(CP_ACP, 0, wideArgv[i], -1, argv[i], size, nullptr, nullptr);
    }
    argv[argc] = nullptr;
    LocalFree(wideArgv);
    const int result = main(argc, argv);
    for (int i = 0; i < argc; ++i) {
        delete[] argv[i];
    }
    delete[] argv;
    return result;
}
#endif
