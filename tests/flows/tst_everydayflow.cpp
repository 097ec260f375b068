#include <QClipboard>
#include <QComboBox>
#include <QMimeData>
#include <QTableWidget>

#include "FlowHarness.h"
#include "app/commandLineRecording.h"
#include "dialogs/RecordingInfoDialog.h"
#include "main_window/KvGraphicsView.h"

namespace {

const uint64_t second = 1000000;

// Three reserved words and half a word after the events: four words the reader skips.
bool damage(const QString& file) {
    QFile raw(file);
    return raw.open(QIODevice::Append) &&
           raw.write(QByteArray("\x00\x10\x00\x10\x00\x10\x00", 7)) == 7;
}

bool writeText(const QString& file, const QByteArray& text) {
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(text) == text.size();
}

double viewScale(FlowHarness& h) {
    return h.main().findChild<KvGraphicsView*>()->transform().m11();
}

// Answers a save dialog with file, cancels other file dialogs, closes anything else; notes what
// it saw.
class DialogAnswer : public ModalDriver {
public:
    explicit DialogAnswer(const QString& file)
        : ModalDriver([this, file](QWidget* modal) {
              seen = modal->metaObject()->className();
              auto* dialog = qobject_cast<QFileDialog*>(modal);
              if (!dialog || dialog->acceptMode() != QFileDialog::AcceptSave) {
                  modal->close();
                  return;
              }
              auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
              offered = name->text();
              name->setText(file);
              QTest::keyClick(name, Qt::Key_Return);
          }) {}
    QString seen;
    QString offered;
};

// What the user tells from the window: Play, the position when paused, the play-bar toggles,
// the overlay, the zoom against the fitted size, a typed setting, a dialog that came up.
QString summary(FlowHarness& h, double fitted, const DialogAnswer& answer) {
    if (!h.main().isVisible()) {
        return "closed";
    }
    QStringList parts;
    const uint64_t position = FlowHarness::labelPosition(h.timeText());
    parts << (h.button("pb_play")->isChecked() ? QString("playing")
              : position == UINT64_MAX         ? QString("paused")
                                               : QString("paused at %1").arg(position));
    const QString typed =
        h.settings()->findChild<QComboBox*>("cb_accumulation_time")->currentText();
    const std::pair<bool, QString> marks[] = {
        {h.button("pb_loop")->isChecked(), "loop"},
        {h.button("pb_record")->isChecked(), "recording"},
        {!h.overlay().isEmpty(), "overlay"},
        {qAbs(viewScale(h) / fitted - 1) > 1e-6,
         QString("zoom %1").arg(viewScale(h) / fitted, 0, 'f', 2)},
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

}  // namespace

class TestEverydayFlow : public QObject {
    Q_OBJECT

private slots:
    void keys_data();
    void keys();
    void openByArgumentAndDrop_data();
    void openByArgumentAndDrop();
    void overlayTellsKnownFigures();
    void overlayWhileRecording();
    void savedFrameIsTheAccumulatorsFrame();
};

void TestEverydayFlow::keys_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("after");
    const QString file = "recording";
    // clang-format off
    QTest::newRow("Space plays") << file << "stop" << "Space" << "playing";
    QTest::newRow("Right steps forward") << file << "stop" << "Right" << "paused at 33333";
    QTest::newRow("Left steps back") << file << "stop" << "Right, Right, Left" << "paused at 33333";
    QTest::newRow("Home stops and rewinds") << file << "" << "Home" << "paused at 0";
    QTest::newRow("L loops") << file << "stop" << "L" << "paused at 0, loop";
    QTest::newRow("I shows and hides the overlay") << file << "stop" << "I, I, I" << "paused at 0, overlay";
    QTest::newRow("+ and - zoom a wheel step") << file << "stop" << "+, +, -" << "paused at 0, zoom 1.10";
    QTest::newRow("- not below the fitted size") << file << "stop" << "-" << "paused at 0";
    QTest::newRow("F fits") << file << "stop" << "+, +, F" << "paused at 0";
    QTest::newRow("F11 maximises") << file << "stop" << "F11" << "paused at 0, maximised";
    QTest::newRow("Ctrl+O asks for a recording") << file << "stop" << "Ctrl+O" << "paused at 0, asked QFileDialog";
    QTest::newRow("Ctrl+Shift+O lists the cameras") << file << "stop" << "Ctrl+Shift+O" << "paused at 0, asked CamerasList";
    QTest::newRow("Ctrl+Q quits") << file << "stop" << "Ctrl+Q" << "closed";
    QTest::newRow("camera: R records") << "camera" << "" << "R" << "playing, recording, asked QFileDialog";
    QTest::newRow("camera: Space stops the stream") << "camera" << "" << "Space" << "paused";
    QTest::newRow("camera: Left does nothing") << "camera" << "" << "Left" << "playing";
    QTest::newRow("editing: the box takes Space") << file << "edit" << "Space" << "playing, typed '33.333ms '";
    QTest::newRow("editing: no key acts") << file << "edit" << "Home, L, Ctrl+S, F11, Ctrl+Q" << "playing, typed 'l33.333ms'";
    // clang-format on
}

void TestEverydayFlow::keys() {
    QFETCH(QString, source);
    QFETCH(QString, before);
    QFETCH(QString, keys);
    QFETCH(QString, after);
    FlowHarness h;
    if (source == "camera") {
        QVERIFY(h.openCamera(0));
    } else {
        QVERIFY(h.openRecording(h.writeRecording("a.raw", 0, 60 * second, 1000)));
    }
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    if (before == "stop") {
        h.main().stopAndRewind();
    } else if (before == "edit") {
        h.settings()->findChild<QPushButton*>("pb_fold")->click();
        h.settings()->findChild<QComboBox*>("cb_accumulation_time")->setFocus();
    }
    const double fitted = viewScale(h);
    DialogAnswer answer(h.path("take.raw"));
    h.press(keys);
    QCOMPARE(summary(h, fitted, answer), after);
}

void TestEverydayFlow::openByArgumentAndDrop_data() {
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
    QTest::newRow("drop: not a .raw file, ignored") << "drop" << "notes.txt" << "" << "01:00:000000" << 0 << usual;
    QTest::newRow("argument: a 640 x 480 sensor fills the frame") << "argument" << "evt2_sample.raw" << "" << "00:01:367888" << 0 << QSize(640, 480);
    // clang-format on
}

// Over a recording that plays, as File > Open Recording would: the same refusals and messages,
// nothing of the old recording left after one.
void TestEverydayFlow::openByArgumentAndDrop() {
    QFETCH(QString, via);
    QFETCH(QString, file);
    QFETCH(QString, told);
    QFETCH(QString, plays);
    QFETCH(int, skipped);
    QFETCH(QSize, canvas);
    FlowHarness h;
    QString path = h.path(file);
    if (file == "b.raw" || file == "damaged.raw") {
        QVERIFY(h.writeRecording(file, 0, 10 * second, 1000) == path);
        QVERIFY(file == "b.raw" || damage(path));
    } else if (file == "empty.raw") {
        QVERIFY(h.writeRecording(file, 1, 0, 1) == path);
    } else if (file == "bad.raw" || file == "notes.txt") {
        QVERIFY(writeText(path, "not a recording\n"));
    } else if (file == "evt2_sample.raw") {
        path = QString(OSTREL_SHARED_DIR) + "/samples/" + file;
        if (!QFile::exists(path)) {
            QSKIP("the shared samples are not here");
        }
    }
    if (file == "bad.raw") {
        QTest::ignoreMessage(QtDebugMsg, "not raw file.");
    }
    QVERIFY(h.openRecording(h.writeRecording("a.raw", 0, 60 * second, 1000)));
    QTRY_VERIFY(h.button("pb_play")->isChecked());

    if (via == "argument") {
        openCommandLineRecording(h.main(), {"ostrel", path});
    } else {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(500, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&h.main(), &enter);
        QCOMPARE(enter.isAccepted(), file.endsWith(".raw"));
        QDropEvent drop(QPointF(500, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&h.main(), &drop);
    }
    if (told.isEmpty()) {
        // The sample lasts 50 ms: it may have played to its end already.
        QTRY_VERIFY(h.timeText().endsWith("/" + plays));
        QCOMPARE(h.main().source().mode(), SourceMode::RecordingFile);
        h.main().showRecordingInfo();
        auto* report = h.main().findChild<RecordingInfoDialog*>()->findChild<QTableWidget*>();
        QCOMPARE(report->findItems("skipped_words", Qt::MatchExactly).size(), 1);
        const int row = report->findItems("skipped_words", Qt::MatchExactly).front()->row();
        QCOMPARE(report->item(row, 1)->text(), QString::number(skipped));
    } else {
        QTRY_COMPARE(h.tips(), QStringList(told));
        QCOMPARE(h.main().source().mode(), SourceMode::None);
        QVERIFY(!h.button("pb_play")->isChecked());
        QCOMPARE(h.timeText(), QString("--/ --"));
    }
    QTRY_COMPARE(h.shownFrame().size(), canvas);
}

// Events every 100 µs, polarity alternating: 10,000 events a second, half of them positive.
void TestEverydayFlow::overlayTellsKnownFigures() {
    FlowHarness h;
    QVERIFY(h.openRecording(h.writeRecording("known.raw", 0, 10 * second, 100)));
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

void TestEverydayFlow::overlayWhileRecording() {
    FlowHarness h;
    QVERIFY(h.openCamera(0));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    DialogAnswer answer(h.path("take.raw"));
    h.press("R, I");
    QVERIFY(h.button("pb_record")->isChecked());
    const auto written = [&h] {
        return h.overlay()
            .value(3)
            .section(", ", 2, 2)
            .section(' ', 0, 0)
            .remove(',')
            .toULongLong();
    };
    QTRY_VERIFY2_WITH_TIMEOUT(written() > 1000, qPrintable(h.overlay().join('|')), 10000);
    QVERIFY2(h.overlay().value(3).startsWith("Recording: 00:0"), qPrintable(h.overlay().value(3)));
    QVERIFY(h.overlay().value(0).section(' ', 1, 1).remove(',').toULongLong() > 1000);
}

// The picture is the canvas, pixel for pixel, not the view; the clipboard gets the same.
void TestEverydayFlow::savedFrameIsTheAccumulatorsFrame() {
    FlowHarness h;
    QVERIFY(h.openRecording(h.writeRecording("take.raw", 0, 10 * second, 100)));
    h.press("Home");
    QCoreApplication::processEvents();  // a frame the playback thread handed over before
    h.press("Right");
    const QImage frame = h.main().frameAccumulator().lastFrame();
    QVERIFY(FlowHarness::eventPixels(frame) > 0);
    QCOMPARE(h.shownFrame().convertToFormat(frame.format()), frame);
    const QString file = h.path("frame.png");
    {
        DialogAnswer answer(file);
        h.press("Ctrl+S");
        QCOMPARE(answer.offered, QString("take_00-00-033333.png"));
    }
    QCOMPARE(QImage(file).convertToFormat(frame.format()), frame);
    h.press("Ctrl+C");
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(frame.format()), frame);

    DialogAnswer answer(h.path("gone/frame.png"));
    h.press("Ctrl+S");
    QTRY_COMPARE(h.tips(),
                 QStringList("The frame could not be saved to " + h.path("gone/frame.png") + "."));
}

QTEST_MAIN(TestEverydayFlow)
#include "tst_everydayflow.moc"
