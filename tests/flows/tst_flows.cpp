// A real main window driven as a user drives it: menus, keys, the play bar, modal dialogs
// answered by timers; what is checked is what the user sees.
#include <QtTest>
#include <QtWidgets>
#include <atomic>
#include <ctime>
#include <thread>

#include "app/commandLineRecording.h"
#include "dialogs/KVMessageBox.h"
#include "dialogs/RecordingInfoDialog.h"
#include "korvane/RawFileWriter.h"
#include "korvane/SimulatedCameraControl.h"
#include "main_window/KvGraphicsView.h"
#include "main_window/KvSlider.h"
#include "main_window/MainWidget.h"
#include "main_window/ShowImageForm.h"
#include "settings/SettingUI.h"
#include "support/FramePixels.h"
#include "support/ModalDriver.h"
#include "support/ScopedWorkDir.h"

namespace {

const uint64_t second = 1000000;

bool writeFile(const QString& file, const QByteArray& bytes, QIODevice::OpenMode mode) {
    QFile out(file);
    return out.open(mode) && out.write(bytes) == bytes.size();
}

// Answers the next modal dialog: a file dialog with file, cancelled when file is empty or, to
// open, missing; anything else is closed. Notes what it saw and the file a file dialog offered.
class Answer : public ModalDriver {
public:
    explicit Answer(const QString& file)
        : ModalDriver([this, file](QWidget* modal) {
              seen = modal->metaObject()->className();
              auto* dialog = qobject_cast<QFileDialog*>(modal);
              auto* name = modal->findChild<QLineEdit*>("fileNameEdit");
              offered = dialog ? dialog->directory().filePath(name->text()) : QString();
              if (!dialog || file.isEmpty() ||
                  (dialog->acceptMode() == QFileDialog::AcceptOpen && !QFile::exists(file))) {
                  modal->close();
                  return;
              }
              name->setText(file);
              QTest::keyClick(name, Qt::Key_Return);
          }) {}
    QString seen;
    QString offered;
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

    QTimer timer;
    QStringList messages;
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
        if (!writer.open(path(name).toStdString(), uint16_t(size.width()), uint16_t(size.height()),
                         options)) {
            return {};
        }
        std::vector<korvane::Event2D> events;
        for (uint64_t t = start, i = 0; t <= end; t += stepUs, ++i) {
            events.emplace_back(uint16_t(i % size.width()),
                                uint16_t(i / size.width() % size.height()), uint8_t(i % 2), t);
        }
        return writer.write(events.data(), events.size()) && writer.close() ? path(name) : "";
    }

    // Keys as typed ("Space", "Ctrl+Q", "+*3" for three times, comma-separated) to the focused
    // widget, the window made active first as a window manager would (also after a dialog), and
    // what came in before each handled, as before a user's next key. "wait" waits until playback
    // pauses or goes back more than 100 ms; "click 25" clicks the timeline a quarter along,
    // "drag 1000" drags its handle to 1000.
    void press(const QString& keys) {
        for (const QString& typed : keys.split(", ", Qt::SkipEmptyParts)) {
            QCoreApplication::processEvents();
            QApplication::setActiveWindow(&window);
            const int value = typed.section(' ', 1).toInt();
            if (typed.startsWith("click")) {
                const QPoint at(slider()->width() * value / 100, slider()->height() / 2);
                QTest::mouseClick(slider(), Qt::LeftButton, {}, at);
            } else if (typed.startsWith("drag")) {
                slider()->setSliderDown(true);
                slider()->setSliderPosition(value);
                slider()->setSliderDown(false);
            } else if (typed == "wait") {
                uint64_t furthest = 0;
                const auto backOrPaused = [&] {
                    furthest = std::max(furthest, position());
                    return !playing() || furthest > position() + 100000;
                };
                QTRY_VERIFY_WITH_TIMEOUT(backOrPaused(), 10000);
            } else {
                const int code = QKeySequence::fromString(typed.section('*', 0, 0))[0];
                for (int i = typed.contains('*') ? typed.section('*', 1).toInt() : 1; i > 0; --i) {
                    QWidget* focus = QApplication::focusWidget();
                    QTest::keyClick(focus ? focus : &window,
                                    Qt::Key(code & ~Qt::KeyboardModifierMask),
                                    Qt::KeyboardModifiers(code & Qt::KeyboardModifierMask));
                }
            }
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
        return answer.acted() && !answer.timedOut();
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
    // Record, the save dialog answered with file; offered tells the file it offered.
    bool startRecording(const QString& file, QString* offered = nullptr) {
        Answer answer(file);
        QTest::mouseClick(button("pb_record"), Qt::LeftButton);
        if (offered) {
            *offered = answer.offered;
        }
        return answer.acted() && !answer.timedOut();
    }

    QPushButton* button(const char* name) const { return window.findChild<QPushButton*>(name); }
    QString label(const char* name) const { return window.findChild<QLabel*>(name)->text(); }
    bool playing() const { return button("pb_play")->isChecked(); }
    KvSlider* slider() const { return window.findChild<KvSlider*>(); }
    SettingUI* settings() const { return window.findChild<SettingUI*>(); }
    // The view's scale against the one that fits the frame; fitInView keeps a 2-pixel margin.
    double zoom() const {
        const auto* view = window.findChild<KvGraphicsView*>();
        const QSizeF room = view->viewport()->size() - QSize(4, 4);
        const QSizeF frame = shownFrame(&window).size();
        return view->transform().m11() /
               std::min(room.width() / frame.width(), room.height() / frame.height());
    }
    QStringList overlay() const { return window.findChild<ShowImageForm*>()->overlay(); }
    int frameEvents() const { return eventPixels(shownFrame(&window)); }
    // A line of the open recording's information.
    QString info(const QString& key) {
        window.showRecordingInfo();
        auto* report = window.findChild<RecordingInfoDialog*>()->findChild<QTableWidget*>();
        const auto found = report->findItems(key, Qt::MatchExactly);
        return found.size() == 1 ? report->item(found.front()->row(), 1)->text() : QString();
    }
    QString timeText() const { return label("label_time"); }
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
// size, a typed setting, a dialog that came up, what a message box said.
QString summary(Flow& h, const Answer& answer) {
    if (!h.main().isVisible()) {
        return "closed";
    }
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
        {qAbs(h.zoom() - 1) > 1e-6, QString("zoom %1").arg(h.zoom(), 0, 'f', 2)},
        {h.button("pb_win_max")->isChecked(), "maximised"},
        {typed != "33.333ms", "typed '" + typed + "'"},
        {!answer.seen.isEmpty(), "asked " + answer.seen},
        {!h.tips().isEmpty(), "told " + h.tips().join(" | ").replace(h.path("") + '/', "")},
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
    void highestFrameRateNeitherSpinsNorFloods();
    void seekWhilePlayingIsWhatPauseShows();
};

// "recording" lasts from 7 s to 67 s, "short" 100 ms, "end" 300 ms from 5 s, "late" 100 s from
// 2200 s, far from the epoch. Before the keys,
// "stop" stops and rewinds; "missing" makes a file dialog answer a file in a missing folder.
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
    QTest::newRow("late: a click shows its slice at once") << "late" << "stop" << "click 33" << "paused at 2232656826, frame";
    QTest::newRow("late: a drag and a step land exactly") << "late" << "stop" << "drag 87654321, Right" << "paused at 2287687654, frame";
    QTest::newRow("Home stops, rewinds and clears the frame") << file << "" << "Home" << "paused at 7000000";
    QTest::newRow("L loops") << file << "stop" << "L" << "paused at 7000000, loop";
    QTest::newRow("the end pauses and rewinds") << "end" << "" << "wait, Right" << "paused at 5033333, frame";
    QTest::newRow("looping, the end plays on from the start") << "end" << "" << "L, wait" << "playing, loop";
    QTest::newRow("I shows and hides the overlay") << file << "stop" << "I, I, I" << "paused at 7000000, overlay";
    QTest::newRow("+ stops at 42 steps") << file << "stop" << "+*43" << "paused at 7000000, zoom 54.76";
    QTest::newRow("- back to the fitted size, no further") << file << "stop" << "+*42, -*43" << "paused at 7000000";
    QTest::newRow("F fits") << file << "stop" << "+, +, F" << "paused at 7000000";
    QTest::newRow("F restarts the zoom count") << file << "stop" << "+*5, F, -, +*43" << "paused at 7000000, zoom 54.76";
    QTest::newRow("a new frame keeps the zoom") << file << "stop" << "+*10, Right" << "paused at 7033333, frame, zoom 2.59";
    QTest::newRow("a resize fits and restarts the zoom count") << file << "stop" << "+*5, F11, -, +*43" << "paused at 7000000, zoom 54.76, maximised";
    QTest::newRow("Ctrl+O asks for a recording") << file << "stop" << "Ctrl+O" << "paused at 7000000, asked QFileDialog";
    QTest::newRow("Ctrl+S into a missing folder says why") << file << "stop, missing" << "Ctrl+S" << "paused at 7000000, asked QFileDialog, told The frame could not be saved to missing/take.raw.";
    QTest::newRow("Ctrl+Q quits") << file << "stop" << "Ctrl+Q" << "closed";
    QTest::newRow("camera: R records") << "camera" << "" << "R" << "playing, camera, recording, asked QFileDialog";
    QTest::newRow("camera: R into a missing folder says why") << "camera" << "missing" << "R" << "playing, camera, asked QFileDialog, told Recording did not start: No such file or directory";
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
    QVERIFY(source == "camera"  ? h.openCamera(0)
            : source == "short" ? h.open("a.raw", 0, 100000, 100)
            : source == "end"   ? h.open("a.raw", 5 * second, 5 * second + 300000, 100)
            : source == "late"  ? h.open("a.raw", 2200 * second, 2300 * second, 10000)
                                : h.open("a.raw", 7 * second, 67 * second, 1000));
    // The short ones may have played to their end already.
    QTRY_VERIFY(source != "recording" || h.playing());
    if (before.contains("stop")) {
        h.main().stopAndRewind();
    } else if (before == "edit") {
        h.settings()->findChild<QPushButton*>("pb_fold")->click();
        h.settings()->findChild<QComboBox*>("cb_accumulation_time")->setFocus();
    }
    Answer answer(h.path(before.contains("missing") ? "missing/take.raw" : "take.raw"));
    h.press(keys);
    // What the playback thread queued before may not undo what the keys did.
    QCoreApplication::processEvents();
    QCOMPARE(summary(h, answer), after);
}

// Over a recording that plays, by the command line or a drop, as by File > Open Recording: the
// same refusals and messages, nothing of the old recording left after one.
void TestFlows::open_data() {
    QTest::addColumn<QString>("via");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("outcome");  // how the label ends, or what the user is told
    // clang-format off
    for (const QString via : {"argument", "drop"}) {
        QTest::addRow("%s: good", qPrintable(via)) << via << "b.raw" << "/00:10:000000";
        QTest::addRow("%s: damaged, four words skipped", qPrintable(via)) << via << "damaged.raw" << "/00:10:000000";
        QTest::addRow("%s: missing", qPrintable(via)) << via << "missing.raw" << "missing.raw cannot be read.";
        QTest::addRow("%s: not a recording", qPrintable(via)) << via << "bad.raw" << "bad.raw is not a recording.";
    }
    QTest::newRow("argument: no events") << "argument" << "empty.raw" << "The recording holds no events.";
    QTest::newRow("drop: not a .raw file, ignored") << "drop" << "notes.txt" << "/01:07:000000";
    QTest::newRow("drop: upper-case .RAW") << "drop" << "B.RAW" << "/00:10:000000";
    QTest::newRow("argument: a 640 x 480 EVT 2.0 recording fills the frame") << "argument" << "evt2.raw" << "/00:02:000000";
    // clang-format on
}

void TestFlows::open() {
    QFETCH(QString, via);
    QFETCH(QString, file);
    QFETCH(QString, outcome);
    Flow h;
    const QString path = h.path(file);
    if (file.toLower() == "b.raw" || file == "damaged.raw") {
        QVERIFY(h.writeRecording(file, 0, 10 * second, 1000) == path);
        // Three reserved words and half a word after the events: four words the reader skips.
        QVERIFY(file != "damaged.raw" ||
                writeFile(path, QByteArray("\x00\x10\x00\x10\x00\x10\x00", 7), QIODevice::Append));
    } else if (file == "empty.raw") {
        QVERIFY(h.writeRecording(file, 1, 0, 1) == path);
    } else if (file == "evt2.raw") {
        QVERIFY(h.writeRecording(file, 0, 2 * second, 1000, QSize(640, 480),
                                 korvane::RawFormat::Evt2) == path);
    } else if (file != "missing.raw") {
        QVERIFY(writeFile(path, "not a recording\n", QIODevice::WriteOnly));
    }
    QVERIFY(h.open("a.raw", 7 * second, 67 * second, 1000));
    QTRY_VERIFY(h.playing());
    if (via == "argument") {
        openCommandLineRecording(h.main(), {"ostrel", path});
    } else {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(500, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&h.main(), &enter);
        QCOMPARE(enter.isAccepted(), file.endsWith(".raw", Qt::CaseInsensitive));
        QDropEvent drop(QPointF(500, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&h.main(), &drop);
    }
    if (outcome.startsWith('/')) {
        QTRY_VERIFY(h.timeText().endsWith(outcome));
        QCOMPARE(h.info("skipped_words"), file == "damaged.raw" ? "4" : "0");
    } else {
        QTRY_COMPARE(h.tips(), QStringList(outcome));
        QVERIFY(!h.playing());
        QCOMPARE(h.timeText(), QString("--/ --"));
    }
    QTRY_COMPARE(shownFrame(&h.main()).size(),
                 file == "evt2.raw" ? QSize(640, 480) : QSize(1280, 720));
    QVERIFY(qAbs(h.zoom() - 1) < 1e-6);
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
    // Whole slices of 333 or 334 events, a few when the window fell behind.
    QVERIFY2(frameEvents >= 333 && frameEvents < 3340 && frameEvents % 333 <= frameEvents / 333,
             qPrintable(line(1)));
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
        QCOMPARE(QFileInfo(answer.offered).fileName(), QString("take_00-00-033333.png"));
    }
    QCOMPARE(QImage(file).convertToFormat(frame.format()), frame);
    h.press("Ctrl+C");
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(frame.format()), frame);
}

void TestFlows::paletteRemembered_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("chosen");   // from the frame's menu, then the window closes
    QTest::addColumn<uint>("background");  // of the frame shown at the next start
    QTest::addColumn<QString>("stored");
    // clang-format off
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
    // The frame shown takes the colours at once, and again at the next start.
    for (const bool restarted : {false, true}) {
        MainWidget window;
        for (QAction* action : window.findChildren<QAction*>()) {
            if (!restarted && !chosen.isEmpty() && action->data().toString() == chosen) {
                action->trigger();
            }
        }
        QCOMPARE(shownFrame(&window).pixel(0, 0), QRgb(background));
    }
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
    QCOMPARE(h.label("label_show_camera_info"), QString("KVSIM-02"));
    QCOMPARE(h.timeText(), QString("--/--"));
    QVERIFY(!h.button("pb_stop")->isEnabled() && !h.slider()->isEnabled());
    QTRY_VERIFY(h.frameEvents() > 100);
    QTRY_VERIFY(!h.label("label_show_timestamp_info").isEmpty());
    const QString first = h.label("label_show_timestamp_info");
    QTRY_VERIFY(h.label("label_show_timestamp_info") > first);
    QTest::ignoreMessage(QtDebugMsg, "set dvs time interval: 10000");
    emit h.settings()->signalCumulativeTimeChanged(10000);
    korvane::simulation::BatchSpan span;
    QTRY_VERIFY(korvane::simulation::lastBatchSpan(*h.main().currentCamera(), span) &&
                span.end - span.begin == 10000);

    // Offered under a fresh name; typed without an ending, the name gets ".raw".
    QString offered;
    QVERIFY(h.startRecording(h.path("take"), &offered));
    QVERIFY2(QRegularExpression("/\\d{8}_\\d{6}$").match(offered).hasMatch(), qPrintable(offered));
    QVERIFY(h.button("pb_record")->isChecked());
    h.press("I");
    const auto written = [&h] {
        return h.overlay().value(3).section(", ", 2, 2).section(' ', 0, 0);
    };
    QTRY_VERIFY2_WITH_TIMEOUT(written().remove(',').toULongLong() > 1000,
                              qPrintable(h.overlay().join('|')), 10000);
    const auto camera = h.main().currentCamera();
    QTest::ignoreMessage(QtDebugMsg, "stop recording");
    QTest::mouseClick(h.button("pb_record"), Qt::LeftButton);
    QVERIFY(!h.button("pb_record")->isChecked());
    korvane::simulation::RecordingFigures figures;
    QVERIFY(korvane::simulation::recordingFigures(*camera, figures));
    QVERIFY(h.openRecording(h.path("take.raw")));
    QCOMPARE(h.info("events"), QString::number(figures.producedEvents));
    QTRY_VERIFY_WITH_TIMEOUT(h.frameEvents() > 100, 15000);
}

// A click on the timeline while playing is not overwritten by a position the playback thread
// queued before it; a pause right after shows the clicked time, and Play resumes there.
// However high the frame rate, the live loop neither spins nor lets frames pile up for the GUI
// thread, and the GUI thread keeps answering.
void TestFlows::highestFrameRateNeitherSpinsNorFloods() {
    Flow h;
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    emit h.settings()->signalFpsChanged(65535);
    const auto ns = [](clockid_t clock) {
        timespec now{};
        clock_gettime(clock, &now);
        return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
    };
    std::atomic<int> handedOver{0}, delivered{0}, mostPending{0};
    std::atomic<int64_t> firstCpu{-1}, lastCpu{0}, firstWall{0}, lastWall{0};
    struct DeliveryCounter : QObject {
        std::atomic<int>* count = nullptr;
        bool eventFilter(QObject*, QEvent* event) override {
            *count += event->type() == QEvent::MetaCall;
            return false;
        }
    } counter;
    counter.count = &delivered;
    h.main().installEventFilter(&counter);
    const auto handOff = QObject::connect(
        &h.main(), &MainWidget::triggerEventsToShow, &h.main(),
        [&] {
            mostPending = std::max(mostPending.load(), ++handedOver - delivered);
            const int64_t cpu = ns(CLOCK_THREAD_CPUTIME_ID);
            if (firstCpu < 0) {
                firstCpu = cpu;
                firstWall = ns(CLOCK_MONOTONIC);
            }
            lastCpu = cpu;
            lastWall = ns(CLOCK_MONOTONIC);
        },
        Qt::DirectConnection);
    // A queued call's wait read in the GUI thread's own CPU time, which a loaded machine does
    // not stretch.
    QObject context;
    int64_t slowest = 0;
    QElapsedTimer wall;
    wall.start();
    while ((wall.elapsed() < 2000 || handedOver <= 10) && wall.elapsed() < 60000) {
        const int64_t posted = ns(CLOCK_THREAD_CPUTIME_ID);
        int64_t waited = -1;
        QMetaObject::invokeMethod(
            &context, [&] { waited = ns(CLOCK_THREAD_CPUTIME_ID) - posted; }, Qt::QueuedConnection);
        QTRY_VERIFY(waited >= 0);
        slowest = std::max(slowest, waited);
    }
    h.main().togglePlay();  // joins the live thread
    QObject::disconnect(handOff);
    h.main().removeEventFilter(&counter);
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    const int64_t limit = 1000000000;  // a sanitizer slows each frame's conversion tenfold
#else
    const int64_t limit = 100000000;
#endif
    QVERIFY2(slowest < limit, qPrintable(QString::number(slowest)));
    QVERIFY2(mostPending <= 1, qPrintable(QString::number(mostPending)));
    QVERIFY(handedOver > 10 && lastWall > firstWall);
    const double cpuShare = double(lastCpu - firstCpu) / double(lastWall - firstWall);
    QVERIFY2(cpuShare < 0.25, qPrintable(QString::number(cpuShare)));
}

void TestFlows::seekWhilePlayingIsWhatPauseShows() {
    std::atomic<bool> handedOver{false};
    Flow h;
    QVERIFY(h.open("a.raw", 1 * second, 21 * second, 1000));
    QTRY_VERIFY(h.position() > 1 * second + 100000);
    // The playback thread hands a frame over, after its position, while this thread handles
    // nothing: both wait when the click comes.
    QObject::connect(
        &h.main(), &MainWidget::triggerEventsToShow, &h.main(),
        [&handedOver] { handedOver = true; }, Qt::DirectConnection);
    for (QDeadlineTimer deadline(10000); !handedOver && !deadline.hasExpired();) {
        std::this_thread::yield();
    }
    const QPoint threeQuarters(h.slider()->width() * 3 / 4, h.slider()->height() / 2);
    QTest::mouseClick(h.slider(), Qt::LeftButton, {}, threeQuarters);
    const uint64_t clicked = 1 * second + h.slider()->value();
    QVERIFY(clicked > 15 * second);
    QCoreApplication::processEvents();
    QVERIFY2(h.position() >= clicked, qPrintable(h.timeText()));
    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QVERIFY(!h.playing());
    QCoreApplication::processEvents();
    const uint64_t paused = h.position();
    QVERIFY2(paused >= clicked && paused < clicked + second, qPrintable(h.timeText()));
    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QTRY_VERIFY(h.position() > paused);
    QVERIFY(h.playing() && h.position() < paused + second);
}

QTEST_MAIN(TestFlows)
#include "tst_flows.moc"
