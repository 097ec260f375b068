#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QStyle>
#include <QStyleFactory>
#include <QtDebug>

#include "app/commandLineRecording.h"
#include "dialogs/InitDialog.h"
#include "main_window/MainWidget.h"

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
    // The installed menu entry's name, so desktops match the window to it.
    QGuiApplication::setDesktopFileName("com.korvane.Ostrel");
    if (QStyle* style = QStyleFactory::create("windows")) {
        QApplication::setStyle(style);
    }
    useApplicationFont();
    QApplication::setWindowIcon(QIcon(":/img/assets/Korvane logo_navigate.png"));

    InitDialog initDialog(nullptr);
    initDialog.exec();

    MainWidget mainWidget;
    mainWidget.show();
    // The keys work at once, also where no window manager activates a new window.
    mainWidget.activateWindow();
    openCommandLineRecording(mainWidget, QCoreApplication::arguments());
    return app.exec();
}
