#pragma once

#include <QStringList>

class MainWidget;

// `ostrel FILE`: opens and plays FILE (the first argument after the program's name; Qt's own
// options are gone by then) once the event loop runs, through the same flow as File > Open
// Recording. Nothing happens without an argument.
void openCommandLineRecording(MainWidget& window, const QStringList& arguments);
