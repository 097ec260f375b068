#include <QSignalSpy>

#include "FlowHarness.h"
#include "pipeline/formatTimestamp.h"

namespace {

QString text(uint64_t us) {
    return QString::fromStdString(formatTimestamp(us));
}

const uint64_t second = 1000000;

}  // namespace

class TestPlaybackFlow : public QObject {
    Q_OBJECT

private slots:
    void seekWhilePlayingIsWhatPauseShows();
    void stopRewindsPausesAndClearsTheFrame();
    void endOfRecordingWithLoopKeepsPlaying();
    void endOfRecordingWithoutLoopPausesAtTheStart();
    void stepBackNearTheStartLandsOnTheStart_data();
    void stepBackNearTheStartLandsOnTheStart();
    void stepForwardPastTheEndChangesNothing();
    void dragWhilePlayingMovesThePosition();
    void lateRecordingSeeksExactly();
    void secondRecordingReplacesTheFirst();
    void frameRateSetsTheStep_data();
    void frameRateSetsTheStep();
};

// A click on the timeline while playing is not overwritten by a position the playback thread
// queued before it; a pause right after shows the clicked time, and Play resumes there.
void TestPlaybackFlow::seekWhilePlayingIsWhatPauseShows() {
    FlowHarness h;
    QVERIFY(h.openRecording(h.writeRecording("a.raw", 1 * second, 21 * second, 1000)));
    QTRY_VERIFY(FlowHarness::labelPosition(h.timeText()) > 1 * second + 100000);
    KvSlider* slider = h.slider();
    QTest::mouseClick(slider, Qt::LeftButton, {},
                      QPoint(slider->width() * 3 / 4, slider->height() / 2));
    const uint64_t clicked = 1 * second + slider->value();
    QVERIFY(clicked > 15 * second);
    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QVERIFY(!h.button("pb_play")->isChecked());
    QCoreApplication::processEvents();
    const uint64_t paused = FlowHarness::labelPosition(h.timeText());
    QVERIFY2(paused >= clicked && paused < clicked + second, qPrintable(h.timeText()));

    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QVERIFY(h.button("pb_play")->isChecked());
    QTRY_VERIFY(FlowHarness::labelPosition(h.timeText()) > paused);
    QVERIFY(FlowHarness::labelPosition(h.timeText()) < paused + second);
}

void TestPlaybackFlow::stopRewindsPausesAndClearsTheFrame() {
    FlowHarness h;
    QVERIFY(h.openRecording(h.writeRecording("a.raw", 1 * second, 11 * second, 1000)));
    QTRY_VERIFY(FlowHarness::labelPosition(h.timeText()) > 1 * second + 100000);
    QTest::mouseClick(h.button("pb_stop"), Qt::LeftButton);
    QVERIFY(!h.button("pb_play")->isChecked());
    QCOMPARE(h.timeText(), text(1 * second) + "/" + text(11 * second));
    QCOMPARE(h.slider()->value(), 0);
    QTRY_COMPARE(FlowHarness::eventPixels(h.shownFrame()), 0);
    QTest::qWait(100);
    QCOMPARE(h.timeText(), text(1 * second) + "/" + text(11 * second));
}

void TestPlaybackFlow::endOfRecordingWithLoopKeepsPlaying() {
    FlowHarness h;
    h.button("pb_loop")->click();
    QVERIFY(h.button("pb_loop")->isChecked());
    QSignalSpy values(h.slider(), &QSlider::valueChanged);
    QVERIFY(h.openRecording(h.writeRecording("short.raw", 0, 300000, 100)));
    const auto wrapped = [&values] {
        for (int i = 1; i < values.size(); ++i) {
            if (values[i][0].toInt() + 100000 < values[i - 1][0].toInt()) {
                return true;
            }
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(wrapped(), 5000);
    QVERIFY(h.button("pb_play")->isChecked());
}

void TestPlaybackFlow::endOfRecordingWithoutLoopPausesAtTheStart() {
    FlowHarness h;
    QVERIFY(h.openRecording(h.writeRecording("short.raw", 5 * second, 5 * second + 300000, 100)));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(!h.button("pb_play")->isChecked(), 5000);
    QVERIFY(FlowHarness::labelPosition(h.timeText()) > 5 * second + 200000);

    // The position was rewound: Play starts from the start again.
    QTest::mouseClick(h.button("pb_play"), Qt::LeftButton);
    QVERIFY(h.button("pb_play")->isChecked());
    QTRY_VERIFY(FlowHarness::labelPosition(h.timeText()) < 5 * second + 100000);
}

void TestPlaybackFlow::stepBackNearTheStartLandsOnTheStart_data() {
    QTest::addColumn<quint64>("start");
    QTest::newRow("start at 0") << quint64(0);
    QTest::newRow("late start") << quint64(7 * second);
}

void TestPlaybackFlow::stepBackNearTheStartLandsOnTheStart() {
    QFETCH(quint64, start);
    FlowHarness h;
    QVERIFY(h.openRecording(h.writeRecording("a.raw", start, start + 2 * second, 1000)));
    QTest::mouseClick(h.button("pb_stop"), Qt::LeftButton);
    const QString atStart = text(start) + "/" + text(start + 2 * second);
    QCOMPARE(h.timeText(), atStart);

    QTest::mouseClick(h.button("pb_next"), Qt::LeftButton);
    QCOMPARE(FlowHarness::labelPosition(h.timeText()), quint64(start + 33333));
    QTest::mouseClick(h.button("pb_prv"), Qt::LeftButton);
    QCOMPARE(h.timeText(), atStart);
    QTest::mouseClick(h.button("pb_prv"), Qt::LeftButton);
    QCOMPARE(h.timeText(), atStart);
    QCOMPARE(h.slider()->value(), 0);
    QVERIFY(FlowHarness::eventPixels(h.shownFrame()) > 0);
}

void TestPlaybackFlow::stepForwardPastTheEndChangesNothing() {
    FlowHarness h;
    QVERIFY(h.openRecording(h.writeRecording("short.raw", 0, 100000, 100)));
    QTest::mouseClick(h.button("pb_stop"), Qt::LeftButton);
    for (int i = 0; i < 4; ++i) {
        QTest::mouseClick(h.button("pb_next"), Qt::LeftButton);
    }
    QCOMPARE(FlowHarness::labelPosition(h.timeText()), quint64(4 * 33333));
    const QString last = h.timeText();
    const int value = h.slider()->value();
    QTest::mouseClick(h.button("pb_next"), Qt::LeftButton);
    QCOMPARE(h.timeText(), last);
    QCOMPARE(h.slider()->value(), value);
}

void TestPlaybackFlow::dragWhilePlayingMovesThePosition() {
    FlowHarness h;
    QVERIFY(h.openRecording(h.writeRecording("a.raw", 1 * second, 21 * second, 1000)));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    KvSlider* slider = h.slider();
    slider->setSliderDown(true);
    slider->setSliderPosition(15000000);
    slider->setSliderDown(false);
    QVERIFY(h.button("pb_play")->isChecked());
    QTRY_VERIFY(FlowHarness::labelPosition(h.timeText()) > 16 * second);
    QVERIFY(FlowHarness::labelPosition(h.timeText()) < 18 * second);
}

void TestPlaybackFlow::lateRecordingSeeksExactly() {
    FlowHarness h;
    const uint64_t start = 2200 * second;
    QVERIFY(h.openRecording(h.writeRecording("late.raw", start, 2300 * second, 10000)));
    QTest::mouseClick(h.button("pb_stop"), Qt::LeftButton);
    QTRY_COMPARE(FlowHarness::eventPixels(h.shownFrame()), 0);
    KvSlider* slider = h.slider();
    QCOMPARE(slider->maximum(), int(100 * second));

    // A click while paused shows the clicked slice at once.
    QTest::mouseClick(slider, Qt::LeftButton, {},
                      QPoint(slider->width() / 3, slider->height() / 2));
    QVERIFY(slider->value() > 20000000);
    QCOMPARE(FlowHarness::labelPosition(h.timeText()), start + slider->value());
    QVERIFY(FlowHarness::eventPixels(h.shownFrame()) > 0);
    QVERIFY(!h.button("pb_play")->isChecked());

    slider->setSliderDown(true);
    slider->setSliderPosition(87654321);
    slider->setSliderDown(false);
    QCOMPARE(h.timeText(), text(start + 87654321) + "/" + text(2300 * second));
    QTest::mouseClick(h.button("pb_next"), Qt::LeftButton);
    QCOMPARE(FlowHarness::labelPosition(h.timeText()), start + 87654321 + 33333);
    QCOMPARE(slider->value(), 87654321 + 33333);
    QTest::ignoreMessage(QtDebugMsg, "seek time err.");
    emit slider->trackClicked(slider->maximum() + 5000);
}

// A cancelled dialog changes nothing; a second recording replaces the playing one and plays
// from its start, over its range.
void TestPlaybackFlow::secondRecordingReplacesTheFirst() {
    FlowHarness h;
    QVERIFY(h.openRecording(QString()));
    QCOMPARE(h.timeText(), QString("--/ --"));
    QVERIFY(h.openRecording(h.writeRecording("a.raw", 1 * second, 11 * second, 1000)));
    QTRY_VERIFY(FlowHarness::labelPosition(h.timeText()) > 1 * second + 100000);
    QVERIFY(h.openRecording(h.writeRecording("b.raw", 50 * second, 60 * second, 1000)));
    QTRY_VERIFY(h.button("pb_play")->isChecked());
    QVERIFY(h.timeText().endsWith("/" + text(60 * second)));
    QCOMPARE(h.slider()->maximum(), int(10 * second));
    QTRY_VERIFY(FlowHarness::labelPosition(h.timeText()) > 50 * second);
    QVERIFY(FlowHarness::labelPosition(h.timeText()) < 52 * second);
    QTRY_VERIFY(FlowHarness::eventPixels(h.shownFrame()) > 0);
}

void TestPlaybackFlow::frameRateSetsTheStep_data() {
    QTest::addColumn<uint>("fps");
    QTest::addColumn<int>("step");
    QTest::newRow("60: half speed") << 60u << 16666;
    QTest::newRow("30: real time") << 30u << 33333;
    QTest::newRow("10: three times as fast") << 10u << 100000;
}

void TestPlaybackFlow::frameRateSetsTheStep() {
    QFETCH(uint, fps);
    QFETCH(int, step);
    FlowHarness h;
    emit h.settings()->signalFpsChanged(fps);
    QVERIFY(h.openRecording(h.writeRecording("long.raw", 0, 60 * second, 100)));
    QSignalSpy values(h.slider(), &QSlider::valueChanged);
    QTRY_VERIFY_WITH_TIMEOUT(values.size() >= 6, 5000);
    for (int i = 2; i < 6; ++i) {
        const int difference = values[i][0].toInt() - values[i - 1][0].toInt();
        QVERIFY2(qAbs(difference - step) <= 100, qPrintable(QString::number(difference)));
    }
}

QTEST_MAIN(TestPlaybackFlow)
#include "tst_playbackflow.moc"
