// The frame's extras in the main window: its context menu, keeping a frame, the colours, the
// information overlay, the canvas size of the source, and recordings dropped on the window.
#include <QActionGroup>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <algorithm>

#include "app/AppConfig.h"
#include "dialogs/RecordingInfoDialog.h"
#include "korvane/RecordingStatus.h"
#include "main_window/MainWidget.h"
#include "main_window/ShowImageForm.h"
#include "pipeline/FramePalette.h"
#include "pipeline/OverlayText.h"
#include "pipeline/recordingFileName.h"

namespace {

// The figures change by the frame; four refreshes a second are enough to read them.
const int overlayPeriodMs = 250;

struct PaletteEntry {
    const char* name;
    const char* text;
};

const PaletteEntry paletteEntries[] = {
    {"default", QT_TR_NOOP("Default")},
    {"dark", QT_TR_NOOP("Dark")},
    {"blue-orange", QT_TR_NOOP("Blue and orange (colour-blind safe)")},
};

// The first local .raw file among what is dragged; empty when there is none.
QString droppedRecording(const QMimeData* data) {
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() &&
            QFileInfo(url.toLocalFile()).suffix().compare("raw", Qt::CaseInsensitive) == 0) {
            return url.toLocalFile();
        }
    }
    return QString();
}

}  // namespace

// Entries go before "Rate over time", which the constructor adds after these.
void MainWidget::buildContextMenu() {
    addFrameEntry(tr("Save frame as..."), &MainWidget::saveFrame);
    addFrameEntry(tr("Copy frame"), &MainWidget::copyFrame);
    addFrameEntry(tr("Fit"), &MainWidget::fitFrame);
    overlayAction = addFrameEntry(tr("Information overlay"), &MainWidget::toggleOverlay);
    overlayAction->setCheckable(true);

    QMenu* colours = showImageForm->addContextSubmenu(tr("Colours"));
    paletteGroup = new QActionGroup(colours);
    for (const PaletteEntry& entry : paletteEntries) {
        QAction* action = colours->addAction(tr(entry.text));
        action->setCheckable(true);
        action->setData(QString(entry.name));
        paletteGroup->addAction(action);
        const QString name = entry.name;
        connect(action, &QAction::triggered, this, [this, name] { choosePalette(name); });
    }
    connect(showImageForm->addContextEntry(tr("Recording information"),
                                           [this] { return recordingOpen(); }),
            &QAction::triggered, this, &MainWidget::showRecordingInfo);

    overlayTimer = new QTimer(this);
    connect(overlayTimer, &QTimer::timeout, this, &MainWidget::refreshOverlay);
}

// The entry shows its key; the key works only while the menu is open, the window's own
// shortcut the rest of the time.
QAction* MainWidget::addFrameEntry(const QString& text, Action action) {
    QAction* entry = showImageForm->addContextEntry(text);
    entry->setShortcut(keyOf(action));
    entry->setShortcutContext(Qt::WidgetShortcut);
    entry->setShortcutVisibleInContextMenu(true);
    connect(entry, &QAction::triggered, this, action);
    return entry;
}

// The frame is the one shown when asked: playback goes on while the dialog is open.
void MainWidget::saveFrame() {
    const QImage frame = accumulator.lastFrame();
    const uint64_t time = sourceState.mode() == SourceMode::LiveCamera
                              ? (lastEventTimestamp == noLiveEvent ? 0 : lastEventTimestamp.load())
                              : lastShownPosition.load();
    QFileDialog dialog(
        this, tr("Save frame as"),
        QDir(config->outputRawFilePath).filePath(defaultFrameName(frameSource(), time)),
        tr("PNG images (*.png)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("png");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().constFirst();
    if (!frame.save(path, "PNG")) {
        tell(tr("The frame could not be saved to %1.").arg(QDir::toNativeSeparators(path)));
    }
}

void MainWidget::copyFrame() {
    QGuiApplication::clipboard()->setImage(accumulator.lastFrame());
}

QString MainWidget::frameSource() const {
    switch (sourceState.mode()) {
        case SourceMode::RecordingFile:
            return QFileInfo(recordingPath).completeBaseName();
        case SourceMode::LiveCamera:
            return cameraSerial;
        case SourceMode::None:
            break;
    }
    return "frame";
}

// The frame shown takes the new colours at once, also while paused.
void MainWidget::choosePalette(const QString& name) {
    FramePalette palette = FramePalette::standard();
    FramePalette::byName(name, palette);
    accumulator.setPalette(palette);
    config->framePalette = palette.name;
    for (QAction* action : paletteGroup->actions()) {
        action->setChecked(action->data().toString() == palette.name);
    }
    showImageForm->showPixMap(QPixmap::fromImage(accumulator.lastFrame()));
}

void MainWidget::toggleOverlay() {
    overlayShown = !overlayShown;
    overlayAction->setChecked(overlayShown);
    if (overlayShown) {
        overlayTimer->start(overlayPeriodMs);
        refreshOverlay();
    } else {
        overlayTimer->stop();
        showImageForm->setOverlay({});
    }
}

void MainWidget::showRecordingInfo() {
    if (recordingOpen()) {
        (new RecordingInfoDialog(recordingPath, recordingFacts, this))->show();
    }
}

// GUI thread only. Another size is taken only between sources, when nothing paints.
void MainWidget::useCanvas(QSize size) {
    if (size == accumulator.size()) {
        return;
    }
    accumulator.resize(size);
    showImageForm->showPixMap(QPixmap::fromImage(accumulator.lastFrame()));
}

// GUI thread only, after each take. Playback counts the recording time its slices covered, live
// the wall time since the previous frame.
void MainWidget::countShownFrame() {
    const auto now = std::chrono::steady_clock::now();
    const FrameCounts counts = accumulator.lastFrameCounts();
    uint64_t spanUs = paintedSpanUs.exchange(0);
    if (sourceState.mode() == SourceMode::LiveCamera) {
        spanUs =
            uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(now - lastTake).count());
    }
    lastTake = now;
    if (spanUs != 0) {
        rateMeter.add(counts.events, counts.positive, spanUs);
    }
}

void MainWidget::refreshOverlay() {
    OverlayFigures figures;
    figures.rate = rateMeter.rate();
    figures.positiveShare = rateMeter.positiveShare();
    figures.frameEvents = accumulator.lastFrameCounts().events;
    figures.accumulationUs = accumulationTime;
    figures.frameRate = frameRate;
    if (recordingOpen()) {
        const uint64_t begin = sourceState.beginTime();
        figures.recordingOpen = true;
        figures.fileName = QFileInfo(recordingPath).fileName();
        figures.encoding = QString::fromStdString(recordingFacts.format);
        figures.width = recordingFacts.width;
        figures.height = recordingFacts.height;
        figures.positionUs = std::max(lastShownPosition.load(), begin) - begin;
        figures.durationUs = sourceState.endTime() - begin;
        figures.skippedWords = recordingFacts.skippedWords();
        figures.droppedEvents = recordingFacts.droppedEvents();
    }
    if (sourceState.recording() && sourceState.camera()) {
        figures.recording = korvane::recordingStatus(*sourceState.camera(), figures.recorder);
    }
    showImageForm->setOverlay(overlayLines(figures));
}

void MainWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedRecording(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

// The open flow runs its own modal loop: it starts once the drop is over, so the program the
// file came from is not kept waiting.
void MainWidget::dropEvent(QDropEvent* event) {
    const QString path = droppedRecording(event->mimeData());
    if (path.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    QMetaObject::invokeMethod(
        this, [this, path] { openRecordingFile(path); }, Qt::QueuedConnection);
}
