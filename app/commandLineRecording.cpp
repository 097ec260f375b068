#include "app/commandLineRecording.h"

#include <QFileInfo>
#include <QTimer>

#include "main_window/MainWidget.h"

// A relative path is taken from the working directory now, so the folder remembered for the
// open dialog is a whole one.
void openCommandLineRecording(MainWidget& window, const QStringList& arguments) {
    if (arguments.size() < 2 || arguments.at(1).isEmpty()) {
        return;
    }
    const QString path = QFileInfo(arguments.at(1)).absoluteFilePath();
    QTimer::singleShot(0, &window, [&window, path] { window.openRecordingFile(path); });
}
