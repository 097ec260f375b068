// A real main window driven as a user drives it: menus, keys, the play bar, modal dialogs
// answered by timers; what is checked is what the user sees.
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>
#include <atomic>
#include <ctime>

#include "app/commandLineRecording.h"
#include "dialogs/KVMessageBox.h"
#include "dialogs/RecordingInfoDialog.h"
#include "korvane/RawFileWriter.h"
#include "korvane/SimulatedCameraControl.h"
#include "main_window/KvGraphicsView.h"
#include "main_window/KvSlider.h"
#include "main_window/MainWidget.h"
#include "main_window/ShowImageForm.h"
#include "pipeline/formatTimestamp.h"
#include "pipeline/recordingFileName.h"
#include "settings/SettingUI.h"
#include "support/FramePixels.h"
#include "support/ModalDriver.h"
#include "support/ScopedWorkDir.h"

namespace {

const uint64_t second = 1000000;

QString text(uint64_t us) {
    return QString::fromStdString(formatTimestamp(us));
}

bool writeFile(const QString& file, const QByteArray& bytes, QIODevice::OpenMode mode) {
    QFile out(file);
    return out.open(mode) && out.write(bytes) == bytes.size();
}

// Answers the next modal dialog: a file dialog with file, cancelled when file is empty or, to
// open, missing; anything else is closed. Notes what it saw.
class Answer : public ModalDriver {
public:
    explicit Answer(const QString& file)
        : ModalDriver([this, file](QWidget* modal) {
              seen = modal->metaObject()->className();
              auto* dialog = qobject_cast<QFileDialog*>(modal);
              if (!dialog) {
                  modal->close();
                  return;
              }
              auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
              offered = name->text();
              folder = dialog->directory().absolutePath();
              if (file.isEmpty() ||
                  (dialog->acceptMode() == QFileDialog::AcceptOpen && !QFile::exists(file))) {
                  dialog->reject();
                  return;
              }
              name->setText(file);
              QTest::keyClick(name, Qt::Key_Return);
          }) {}
    bool done() const { return acted() && !timedOut(); }

    QString seen;
    QString offered;
    QString folder;
};

// Answers every Tips box with OK, as a user who read it, and keeps what it said.
class TipsReader : public QObject {
public:
    TipsReader() {
        connect(&timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<KVMessageBox*>(QApplication::activeModalWidget());
            if (box && box->isVisible()) {
                messages << box->findChild<QLabel*>("lb_show_message")->text();
                box->findChild<QPushButton*>("pb_open")->click();
            }
        });
        timer.start(10);
    }
    QStringList messages;

private:
    QTimer timer;
};

// A main window in a fresh working folder, and what a user does with it.
class Flow {
public:
    Flow() { window.show(); }

    MainWidget& main() { return window; }
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList tips() const { return tipsReader.messages; }

    // Events every stepUs from start to end inclusive, walking the canvas row by row.
    QString writeRecording(const QString& name, uint64_t start, uint64_t end, uint64_t stepUs,
                           QSize size = QSize(1280, 720),
                           korvane::RawFormat format = korvane::RawFormat::Evt3) {
        korvane::RawFileWriter writer;
        korvane::RawWriterOptions options;
        options.format = format;
        if (!writer.open(path(name).toStdString(), uint16_t(size.width()),
                         uint16_t(size.height()), options)) {
            return {};
        }
        std::vector<korvane::Event2D> events;
        for (uint64_t t = start, i = 0; t <= end; t += stepUs, ++i) {
            events.emplace_back(uint16_t(i % size.width()), uint16_t(i / size.width() % size.height()),
                                uint8_t(i % 2), t);
        }
        return writer.write(events.data(), events.size()) && writer.close() ? path(name) : "";
    }

    // Keys as typed ("Space", "Ctrl+Q", comma-separated) to the focused widget, the window made
    // active first as a window manager would (also after a dialog).
    void press(const QString& keys) {
        for (const QString& key : keys.split(", ", Qt::SkipEmptyParts)) {
            QApplication::setActiveWindow(&window);
            const int code = QKeySequence::fromString(key)[0];
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : &window, Qt::Key(code & ~Qt::KeyboardModifierMask),
                            Qt::KeyboardModifiers(code & Qt::KeyboardModifierMask));
        }
    }
    void trigger(const char* menuButton, const QString& entry) {
        for (QAction* action : button(menuButton)->menu()->actions()) {
            if (action->text() == entry) {
                action->trigger();
            }
        }
    }

    // A recording written as by writeRecording, opened from File > Open Recording.
    bool open(const QString& name, uint64_t start, uint64_t end, uint64_t stepUs) {
        return openRecording(writeRecording(name, start, end, stepUs));
    }
    // File > Open Recording, the dialog answered with file.
    bool openRecording(const QString& file) {
        Answer answer(file);
        trigger("pb_menu_file", "Open Recording");
        return answer.done();
    }
    // Device > Open Camera, choosing row, or Close when row is -1.
    bool openCamera(int row) {
        ModalDriver driver([row](QWidget* modal) {
            modal->findChild<QListWidget*>("listWidget_cameras")->setCurrentRow(row);
            modal->findChild<QPushButton*>(row < 0 ? "pb_close" : "pb_open")->click();
        });
        trigger("pb_menu_device", "Open Camera");
        return driver.acted() && !driver.timedOut();
    }
    // Record, the save dialog answered with file; offered tells the folder the dialog offered.
    bool startRecording(const QString& file, QString* offered = nullptr) {
        Answer answer(file);
        QTest::mouseClick(button("pb_record"), Qt::LeftButton);
        if (offered) {
            *offered = answer.folder + "/" + answer.offered;
        }
        return answer.done();
    }

    template <typename T>
    T* child(const char* name) const {
        return window.findChild<T*>(name);
    }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    bool playing() const { return button("pb_play")->isChecked(); }
    KvSlider* slider() const { return child<KvSlider>("slider_time"); }
    SettingUI* settings() const { return child<SettingUI>("widget_setting"); }
    QStringList overlay() const { return window.findChild<ShowImageForm*>()->overlay(); }
    int frameEvents() const { return eventPixels(shownFrame(&window)); }
    // A line of the open recording's information.
    QString info(const QString& key) {
        window.showRecordingInfo();
        auto* report = window.findChild<RecordingInfoDialog*>()->findChild<QTableWidget*>();
        const auto found = report->findItems(key, Qt::MatchExactly);
        return found.size() == 1 ? report->item(found.front()->row(), 1)->text() : QString();
    }
    QString timeText() const { return child<QLabel>("label_time")->text(); }
    // The playback position the label shows, in microseconds.
    uint64_t position() const {
        const QStringList parts = timeText().section('/', 0, 0).split(':');
        return parts.size() != 3 ? UINT64_MAX
                                 : parts[0].toULongLong() * 60 * second +
                                       parts[1].toULongLong() * second + parts[2].toULongLong();
    }

private:
    ScopedWorkDir dir;
    TipsReader tipsReader;
    MainWidget window;
};

}  // namespace

// What the user tells from the window: Play, the position when paused, a camera, a frame shown
// while a recording is paused, the play-bar toggles, the overlay, the zoom against the fitted
// size, a typed setting, a dialog that came up.
QString summary(Flow& h, const Answer& answer) {
    if (!h.main().isVisible()) {
        return "closed";
    }
    // fitInView keeps a 2-pixel margin.
    const auto* view = h.main().findChild<KvGraphicsView*>();
    const QSize port = view->viewport()->size();
    const double zoom = view->transform().m11() /
                        std::min((port.width() - 4) / 1280.0, (port.height() - 4) / 720.0);
    const QString typed =
        h.settings()->findChild<QComboBox*>("cb_accumulation_time")->currentText();
    const bool paused = !h.playing() && h.position() != UINT64_MAX;
    QStringList parts = {h.playing() ? "playing"
                         : paused    ? QString("paused at %1").arg(h.position())
                                     : "paused"};
    const std::pair<bool, QString> marks[] = {
        {h.main().currentCamera() != nullptr, "camera"},
        {paused && h.frameEvents() > 0, "frame"},
        {h.button("pb_loop")->isChecked(), "loop"},
        {h.button("pb_record")->isChecked(), "recording"},
        {!h.overlay().isEmpty(), "overlay"},
        {qAbs(zoom - 1) > 1e-6, QString("zoom %1").arg(zoom, 0, 'f', 2)},
        {h.button("pb_win_max")->isChecked(), "maximised"},
        {typed != "33.333ms", "typed '" + typed + "'"},
        {!answer.seen.isEmpty(), "asked " + answer.seen},
    };
    for (const auto& [on, mark] : marks) {
        if (on) {
            parts << mark;
        }
    }
    return parts.join(", ");
}

class TestFlows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }
    void keys_data();
    void keys();
    void open_data();
    void open();
    void overlayTellsKnownFigures();
    void savedFrameIsTheAccumulatorsFrame();
    void paletteRemembered_data();
    void paletteRemembered();
    void liveStreamRecordedAndPlayedBack();
    void highestFrameRateKeepsTheWindowResponsive();
    void refusedRecordingSaysWhy();
    void seekWhilePlayingIsWhatPauseShows();
    void endOfRecording_data();
    void endOfRecording();
    void lateRecordingSeeksExactly();
    void secondRecordingPlaysFromItsStart();
    void frameRateSetsTheStep_data();
    void frameRateSetsTheStep();
};

// "recording" lasts from 7 s to 67 s, "short" 100 ms; "stop" stops and rewinds before the keys.
void TestFlows::keys_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("after");
    const QString file = "recording";
    // clang-format off
    QTest::newRow("Space plays") << file << "stop" << "Space" << "playing";
    QTest::newRow("Right steps forward") << file << "stop" << "Right" << "paused at 7033333, frame";
    QTest::newRow("Left steps back") << file << "stop" << "Right, Right, Left" << "paused at 7033333, frame";
    QTest::newRow("Left stops at the start") << file << "stop" << "Right, Left, Left" << "paused at 7000000, frame";
    QTest::newRow("Right stops at the end") << "short" << "stop" << "Right, Right, Right, Right, Right" << "paused at 133332, frame";
    QTest::newRow("Home stops, rewinds and clears the frame") << file << "" << "Home" << "paused at 7000000";
    QTest::newRow("L loops") << file << "stop" << "L" << "paused at 7000000, loop";
    QTest::newRow("I shows and hides the overlay") << file << "stop" << "I, I, I" << "paused at 7000000, overlay";
    QTest::newRow("+ and - zoom a wheel step") << file << "stop" << "+, +, -" << "paused at 7000000, zoom 1.10";
    QTest::newRow("- not below the fitted size") << file << "stop" << "-" << "paused at 7000000";
    QTest::newRow("F fits") << file << "stop" << "+, +, F" << "paused at 7000000";
    QTest::newRow("F11 maximises") << file << "stop" << "F11" << "paused at 7000000, maximised";
    QTest::newRow("Ctrl+O asks for a recording") << file << "stop" << "Ctrl+O" << "paused at 7000000, asked QFileDialog";
    QTest::newRow("Ctrl+Q quits") << file << "stop" << "Ctrl+Q" << "closed";
    QTest::newRow("camera: R records") << "camera" << "" << "R" << "playing, camera, recording, asked QFileDialog";
    QTest::newRow("camera: Space stops the stream") << "camera" << "" << "Space" << "paused, camera";
    QTest::newRow("camera: Left does nothing") << "camera" << "" << "Left" << "playing, camera";
    QTest::newRow("camera: a cancelled camera list keeps it") << "camera" << "" << "Ctrl+Shift+O" << "paused, camera, asked CamerasList";
    QTest::newRow("editing: the box takes Space") << file << "edit" << "Space" << "playing, typed '33.333ms '";
    QTest::newRow("editing: no key acts") << file << "edit" << "Home, L, Ctrl+S, F11, Ctrl+Q" << "playing, typed 'l33.333ms'";
    // clang-format on
}

void TestFlows::keys() {
    QFETCH(QString, source);
    QFETCH(QString, before);
    QFETCH(QString, keys);
    QFETCH(QString, after);
    Flow h;
    if (source == "camera") {
        QVERIFY(h.openCamera(0));
    } else {
        QVERIFY(source == "short" ? h.open("a.raw", 0, 100000, 100)
                                  : h.open("a.raw", 7 * second, 67 * second, 1000));
    }
    // The short recording may have played to its end already.
    QTRY_VERIFY(source == "short" || h.playing());
    if (before == "stop") {
        h.main().stopAndRewind();
    } else if (before == "edit") {
        h.settings()->findChild<QPushButton*>("pb_fold")->click();
        h.settings()->findChild<QComboBox*>("cb_accumulation_time")->setFocus();
    }
    // The user looks before pressing; what the playback thread queued before may not undo
    // what a key did either.
    QCoreApplication::processEvents();
    Answer answer(h.path("take.raw"));
    h.press(keys);
    QCoreApplication::processEvents();
    QCOMPARE(summary(h, answer), after);
}

// Over a recording that plays (or over a camera that records), by the command line, a drop or
// the menu: the same refusals and messages, nothing of the old source left after one.
void TestFlows::open_data() {
    QTest::addColumn<QString>("via");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("told");
    QTest::addColumn<QString>("plays");  // the end of what is open afterwards; empty: nothing
    QTest::addColumn<int>("skipped");    // as the recording information says
    QTest::addColumn<QSize>("canvas");
    const QSize usual(1280, 720);
    // clang-format off
    for (const QString via : {"argument", "drop"}) {
        QTest::addRow("%s: good", qPrintable(via)) << via << "b.raw" << "" << "00:10:000000" << 0 << usual;
        QTest::addRow("%s: damaged", qPrintable(via)) << via << "damaged.raw" << "" << "00:10:000000" << 4 << usual;
        QTest::addRow("%s: missing", qPrintable(via)) << via << "missing.raw" << "missing.raw cannot be read." << "" << -1 << usual;
        QTest::addRow("%s: not a recording", qPrintable(via)) << via << "bad.raw" << "bad.raw is not a recording." << "" << -1 << usual;
    }
    QTest::newRow("argument: no events") << "argument" << "empty.raw" << "The recording holds no events." << "" << -1 << usual;
    QTest::newRow("drop: not a .raw file, ignored") << "drop" << "notes.txt" << "" << "01:07:000000" << 0 << usual;
    QTest::newRow("argument: a 640 x 480 EVT 2.0 recording fills the frame") << "argument" << "evt2.raw" << "" << "00:02:000000" << 0 << QSize(640, 480);
    QTest::newRow("menu over a recording camera: let go, its file complete") << "menu" << "bad.raw" << "bad.raw is not a recording." << "" << -1 << usual;
    // clang-format on
}

void TestFlows::open() {
    QFETCH(QString, via);
    QFETCH(QString, file);
    QFETCH(QString, told);
    QFETCH(QString, plays);
    QFETCH(int, skipped);
    QFETCH(QSize, canvas);
    Flow h;
    const QString path = h.path(file);
    if (file == "b.raw" || file == "damaged.raw") {
        QVERIFY(h.writeRecording(file, 0, 10 * second, 1000) == path);
        // Three reserved words and half a word after the events: four words the reader skips.
        QVERIFY(file == "b.raw" ||
                writeFile(path, QByteArray("\x00\x10\x00\x10\x00\x10\x00", 7), QIODevice::Append));
    } else if (file == "empty.raw") {
        QVERIFY(h.writeRecording(file, 1, 0, 1) == path);
    } else if (file == "evt2.raw") {
        QVERIFY(h.writeRecording(file, 0, 2 * second, 1000, QSize(640, 480),
                                 korvane::RawFormat::Evt2) == path);
    } else if (file != "missing.raw") {
        QVERIFY(writeFile(path, "not a recording\n", QIODevice::WriteOnly));
    }
    if (file == "bad.raw") {
        QTest::ignoreMessage(QtDebugMsg, "not raw file.");
    }
    if (via == "menu") {
        QVERIFY(h.openCamera(0));
        QTRY_VERIFY(h.playing());
        QVERIFY(h.startRecording(h.path("take.raw")));
        QVERIFY(h.button("pb_record")->isChecked());
        QVERIFY(h.openRecording(path));
        QVERIFY(QFileInfo(h.path("take.raw")).size() > 1000);
    } else {
        QVERIFY(h.open("a.raw", 7 * second, 67 * second, 1000));
        QTRY_VERIFY(h.playing());
    }
    if (via == "argument") {
        openCommandLineRecording(h.main(), {"ostrel", path});
    } else if (via == "drop") {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(500, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&h.main(), &enter);
        QCOMPARE(enter.isAccepted(), file.endsWith(".raw"));
        QDropEvent drop(QPointF(500, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&h.main(), &drop);
    }
    if (told.isEmpty()) {
        QTRY_VERIFY(h.timeText().endsWith("/" + plays));
        QCOMPARE(h.main().source().mode(), SourceMode::RecordingFile);
        QCOMPARE(h.info("skipped_words"), QString::number(skipped));
    } else {
        QTRY_COMPARE(h.tips(), QStringList(told));
        QCOMPARE(h.main().source().mode(), SourceMode::None);
        QVERIFY(!h.playing() && !h.button("pb_record")->isChecked() && !h.main().currentCamera());
        QCOMPARE(h.timeText(), QString("--/ --"));
    }
    QTRY_COMPARE(shownFrame(&h.main()).size(), canvas);
}

// Events every 100 µs, polarity alternating: 10,000 events a second, half of them positive.
void TestFlows::overlayTellsKnownFigures() {
    Flow h;
    QVERIFY(h.open("known.raw", 0, 10 * second, 100));
    h.press("I");
    const auto line = [&h](int index) { return h.overlay().value(index); };
    const auto rate = [&] { return line(0).section(' ', 1, 1).remove(',').toDouble(); };
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(rate() - 10000) <= 100, 10000);
    QCOMPARE(line(0).section(' ', 2), QString("ev/s, 50 % positive"));
    const uint64_t frameEvents = line(1).section(' ', 1, 1).remove(',').toULongLong();
    QVERIFY2(frameEvents >= 333 && frameEvents % 333 <= frameEvents / 333, qPrintable(line(1)));
    QCOMPARE(line(2), QString("Accumulation: 33.333 ms at 33 fps"));
    QCOMPARE(line(3), QString("File: known.raw, EVT3, 1280 x 720"));
    QVERIFY2(line(4).endsWith(" / 00:10:000000"), qPrintable(line(4)));
    QCOMPARE(line(5), QString("Damage: 0 skipped words, 0 dropped events"));
    QCOMPARE(h.overlay().size(), 6);
}

// The picture is the canvas, pixel for pixel, not the view; the clipboard gets the same.
void TestFlows::savedFrameIsTheAccumulatorsFrame() {
    Flow h;
    QVERIFY(h.open("take.raw", 0, 10 * second, 100));
    h.press("Home");
    QCoreApplication::processEvents();  // a frame the playback thread handed over before
    h.press("Right");
    const QImage frame = h.main().frameAccumulator().lastFrame();
    QVERIFY(eventPixels(frame) > 0);
    QCOMPARE(shownFrame(&h.main()).convertToFormat(frame.format()), frame);
    const QString file = h.path("frame.png");
    {
        Answer answer(file);
        h.press("Ctrl+S");
        QCOMPARE(answer.offered, QString("take_00-00-033333.png"));
    }
    QCOMPARE(QImage(file).convertToFormat(frame.format()), frame);
    h.press("Ctrl+C");
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(frame.format()), frame);
    Answer answer(h.path("gone/frame.png"));
    h.press("Ctrl+S");
    QTRY_COMPARE(h.tips(), QStringList("The frame could not be saved to " + h.path("gone") +
                                       "/frame.png."));
}

void TestFlows::paletteRemembered_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("chosen");   // from the frame's menu, then the window closes
    QTest::addColumn<uint>("background");  // of the frame shown at the next start
    QTest::addColumn<QString>("stored");
    // clang-format off
    QTest::newRow("never chosen: no key") << QByteArray() << "" << 0xff707070u << "<none>";
    QTest::newRow("dark kept") << QByteArray("[Setting]\nframe_palette=dark\n") << "" << 0xff000000u << "dark";
    QTest::newRow("unknown name: default colours") << QByteArray("[Setting]\nframe_palette=sepia\n") << "" << 0xff707070u << "default";
    QTest::newRow("chosen from the menu") << QByteArray() << "blue-orange" << 0xffffffffu << "blue-orange";
    // clang-format on
}

void TestFlows::paletteRemembered() {
    QFETCH(QByteArray, ini);
    QFETCH(QString, chosen);
    QFETCH(uint, background);
    QFETCH(QString, stored);
    ScopedWorkDir dir;
    QVERIFY(writeFile("config.ini", ini, QIODevice::WriteOnly));
    {
        MainWidget window;
        for (QAction* action : window.findChildren<QAction*>()) {
            if (!chosen.isEmpty() && action->data().toString() == chosen) {
                action->trigger();
            }
        }
    }
    MainWidget window;
    QCOMPARE(shownFrame(&window).pixel(0, 0), QRgb(background));
    const QSettings config("config.ini", QSettings::IniFormat);
    QCOMPARE(config.value("Setting/frame_palette", "<none>").toString(), stored);
}

// A camera streams: its name, no position, the timeline off, frames, a timestamp that moves
// on, the accumulation time reaching it. What it records while the overlay counts it plays
// back, every event of it.
void TestFlows::liveStreamRecordedAndPlayedBack() {
    Flow h;
    // Looping, so that a slow machine still catches frames of the short recording. Set before
    // the camera opens: the live play bar disables the button.
    h.button("pb_loop")->click();
    QVERIFY(h.openCamera(1));
    QTRY_VERIFY(h.playing());
    QCOMPARE(h.child<QLabel>("label_show_camera_info")->text(), QString("KVSIM-02"));
    QCOMPARE(h.timeText(), QString("--/--"));
    QVERIFY(!h.button("pb_stop")->isEnabled() && !h.slider()->isEnabled());
    QTRY_VERIFY(h.frameEvents() > 100);
    auto* stamp = h.child<QLabel>("label_show_timestamp_info");
    QTRY_VERIFY(!stamp->text().isEmpty());
    const QString first = stamp->text();
    QTRY_VERIFY(stamp->text() > first);
    QTest::ignoreMessage(QtDebugMsg, "set dvs time interval: 10000");
    emit h.settings()->signalCumulativeTimeChanged(10000);
    korvane::simulation::BatchSpan span;
    QTRY_VERIFY(korvane::simulation::lastBatchSpan(*h.main().currentCamera(), span) &&
                span.end - span.begin == 10000);

    // Typed without an ending, the name gets ".raw".
    QVERIFY(h.startRecording(h.path("take")));
    QVERIFY(h.button("pb_record")->isChecked());
    h.press("I");
    const auto written = [&h] {
        return h.overlay().value(3).section(", ", 2, 2).section(' ', 0, 0).remove(',').toULongLong();
    };
    QTRY_VERIFY2_WITH_TIMEOUT(written() > 1000, qPrintable(h.overlay().join('|')), 10000);
    QVERIFY2(h.overlay().value(3).startsWith("Recording: 00:0"), qPrintable(h.overlay().value(3)));
    const auto camera = h.main().currentCamera();
    QTest::ignoreMessage(QtDebugMsg, "stop recording");
    QTest::mouseClick(h.button("pb_record"), Qt::LeftButton);
    QVERIFY(!h.button("pb_record")->isChecked());
    korvane::simulation::RecordingFigures figures;
    QVERIFY(korvane::simulation::recordingFigures(*camera, figures));
    QVERIFY(figures.producedEvents > 1000);
    QCOMPARE(figures.writtenEvents, figures.producedEvents);

    QVERIFY(h.openRecording(h.path("take.raw")));
    QCOMPARE(h.info("events"), QString::number(figures.producedEvents));
    QTRY_VERIFY(h.playing());
    QTRY_VERIFY_WITH_TIMEOUT(h.frameEvents() > 100, 15000);
}

// The live loop may neither spin nor flood the GUI thread, however high the frame rate: one
// hand-off at most waits for the GUI thread, and the live thread mostly sleeps.
void TestFlows::highestFrameRateKeepsTheWindowResponsive() {
    Flow h;
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.playing());
    emit h.settings()->signalFpsChanged(65535);
    // Hand-offs counted on the live thread, deliveries on the GUI thread before the slot runs;
    // the live thread's CPU and wall time at the first and the last hand-off measured.
    std::atomic<int> handedOver{0};
    std::atomic<int> delivered{0};
    std::atomic<int> mostPending{0};
    std::atomic<bool> measuring{false};
    std::atomic<int64_t> first[2] = {{-1}, {0}};
    std::atomic<int64_t> last[2] = {{0}, {0}};
    const auto nanoseconds = [](clockid_t clock) {
        timespec now{};
        clock_gettime(clock, &now);
        return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
    };
    struct DeliveryCounter : QObject {
        std::atomic<int>* count;
        bool eventFilter(QObject*, QEvent* event) override {
            *count += event->type() == QEvent::MetaCall;
            return false;
        }
    } counter;
    counter.count = &delivered;
    h.main().installEventFilter(&counter);
    const auto connection = QObject::connect(
        &h.main(), &MainWidget::triggerEventsToShow, &h.main(),
        [&] {
            mostPending = std::max(mostPending.load(), ++handedOver - delivered);
            const int64_t now[2] = {nanoseconds(CLOCK_THREAD_CPUTIME_ID),
                                    nanoseconds(CLOCK_MONOTONIC)};
            if (measuring && first[0] < 0) {
                first[0] = now[0];
                first[1] = now[1];
            }
            last[0] = now[0];
            last[1] = now[1];
        },
        Qt::DirectConnection);
    // From the third frame at the new rate on: the first ones lay the view out.
    QTRY_VERIFY(delivered >= 3);
    measuring = true;
    QTRY_VERIFY_WITH_TIMEOUT(delivered >= 60, 20000);
    h.main().togglePlay();  // joins the live thread: nothing is emitted past this
    QObject::disconnect(connection);
    h.main().removeEventFilter(&counter);
    QVERIFY2(mostPending <= 1, qPrintable(QString::number(mostPending)));
    QVERIFY(first[0] >= 0 && last[1] > first[1]);
    const double cpuShare = double(last[0] - first[0]) / double(last[1] - first[1]);
    QVERIFY2(cpuShare < 0.25, qPrintable(QString::number(cpuShare)));
}

// A cancelled dialog and a refused recording leave Record off; the refusal says why, and the
// next dialog offers the folder of the last recording that started, under a fresh name.
void TestFlows::refusedRecordingSaysWhy() {
    Flow h;
    QVERIFY(h.openCamera(0));
    QVERIFY(h.startRecording(QString()));
    QVERIFY(!h.button("pb_record")->isChecked());
    QDir(h.path("")).mkdir("takes");
    QVERIFY(h.startRecording(h.path("takes/one.raw")));
    QVERIFY(h.button("pb_record")->isChecked());
    QTest::mouseClick(h.button("pb_record"), Qt::LeftButton);
    QVERIFY(h.startRecording(h.path("missing/take.raw")));
    QTRY_COMPARE(h.tips(), QStringList("Recording did not start: No such file or directory"));
    QVERIFY(!h.button("pb_record")->isChecked());
    QString offered;
    QVERIFY(h.startRecording(QString(), &offered));
    QCOMPARE(QFileInfo(offered).path(), QDir(h.path("takes")).absolutePath());
    QVERIFY2(QRegularExpression("/\\d{8}_\\d{6}$").match(offered).hasMatch(), qPrintable(offered));
    QCOMPARE(defaultRecordingPath("/data", QDateTime(QDate(2024, 1, 31), QTime(15, 45, 0))),
             QString("/data/20240131_154500"));
}

// A click on the timeline while playing is not overwritten by a position the playback thread
// queued before it; a pause right after shows the clicked time, and Play resumes there.
void TestFlows::seekWhilePlayingIsWhatPauseShows() {
    Flow h;
    QVERIFY(h.open("a.raw", 1 * second, 21 * second, 1000));
    QTRY_VERIFY(h.position() > 1 * second + 100000);
    KvSlider* slider = h.slider();
    QTest::mouseClick(slider, Qt::LeftButton, {},
                      QPoint(slider->width() * 3 / 4, slider->height() / 2));
    const uint64_t clicked = 1 * second + slider->value();
    QVERIFY(clicked > 15 * second);
    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QVERIFY(!h.playing());
    QCoreApplication::processEvents();
    const uint64_t paused = h.position();
    QVERIFY2(paused >= clicked && paused < clicked + second, qPrintable(h.timeText()));
    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QTRY_VERIFY(h.position() > paused);
    QVERIFY(h.playing() && h.position() < paused + second);
}

void TestFlows::endOfRecording_data() {
    QTest::addColumn<bool>("loop");
    QTest::newRow("loop: plays on from the start") << true;
    QTest::newRow("no loop: pauses, Play starts from the start") << false;
}

void TestFlows::endOfRecording() {
    QFETCH(bool, loop);
    Flow h;
    if (loop) {
        h.button("pb_loop")->click();
    }
    QSignalSpy values(h.slider(), &QSlider::valueChanged);
    QVERIFY(h.open("short.raw", 5 * second, 5 * second + 300000, 100));
    const auto wrapped = [&values] {
        for (int i = 1; i < values.size(); ++i) {
            if (values[i][0].toInt() + 100000 < values[i - 1][0].toInt()) {
                return true;
            }
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(loop ? wrapped() : !h.playing(), 10000);
    QCOMPARE(h.playing(), loop);
    if (!loop) {
        QVERIFY(h.position() > 5 * second + 200000);
        QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
        QVERIFY(h.playing());
        QTRY_VERIFY(h.position() < 5 * second + 100000);
    }
}

// A click while paused shows the clicked slice at once; a drag and a step land exactly, far
// from the epoch; a click past the end is refused.
void TestFlows::lateRecordingSeeksExactly() {
    Flow h;
    const uint64_t start = 2200 * second;
    QVERIFY(h.open("late.raw", start, 2300 * second, 10000));
    QTest::mouseClick(h.button("pb_stop"), Qt::LeftButton);
    QTRY_COMPARE(h.frameEvents(), 0);
    KvSlider* slider = h.slider();
    QCOMPARE(slider->maximum(), int(100 * second));
    QTest::mouseClick(slider, Qt::LeftButton, {},
                      QPoint(slider->width() / 3, slider->height() / 2));
    QVERIFY(slider->value() > 20000000);
    QCOMPARE(h.position(), start + slider->value());
    QVERIFY(h.frameEvents() > 0 && !h.playing());
    slider->setSliderDown(true);
    slider->setSliderPosition(87654321);
    slider->setSliderDown(false);
    QCOMPARE(h.timeText(), text(start + 87654321) + "/" + text(2300 * second));
    QTest::mouseClick(h.button("pb_next"), Qt::LeftButton);
    QCOMPARE(h.position(), start + 87654321 + 33333);
    QCOMPARE(slider->value(), 87654321 + 33333);
    QTest::ignoreMessage(QtDebugMsg, "seek time err.");
    emit slider->trackClicked(slider->maximum() + 5000);
}

void TestFlows::secondRecordingPlaysFromItsStart() {
    Flow h;
    QVERIFY(h.open("a.raw", 1 * second, 11 * second, 1000));
    QTRY_VERIFY(h.position() > 1 * second + 100000);
    QVERIFY(h.open("b.raw", 50 * second, 60 * second, 1000));
    QCOMPARE(h.slider()->maximum(), int(10 * second));
    QTRY_VERIFY(h.position() > 50 * second);
    QVERIFY(h.position() < 52 * second);
}

void TestFlows::frameRateSetsTheStep_data() {
    QTest::addColumn<uint>("fps");
    QTest::addColumn<int>("step");
    QTest::newRow("60: half speed") << 60u << 16666;
    QTest::newRow("30: real time") << 30u << 33333;
    QTest::newRow("10: three times as fast") << 10u << 100000;
}

void TestFlows::frameRateSetsTheStep() {
    QFETCH(uint, fps);
    QFETCH(int, step);
    Flow h;
    emit h.settings()->signalFpsChanged(fps);
    QVERIFY(h.open("long.raw", 0, 60 * second, 100));
    QSignalSpy values(h.slider(), &QSlider::valueChanged);
    QTRY_VERIFY_WITH_TIMEOUT(values.size() >= 6, 10000);
    for (int i = 2; i < 6; ++i) {
        const int difference = values[i][0].toInt() - values[i - 1][0].toInt();
        QVERIFY2(qAbs(difference - step) <= 100, qPrintable(QString::number(difference)));
    }
}

QTEST_MAIN(TestFlows)
#include "tst_flows.moc"
