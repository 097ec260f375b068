#include <QDir>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <thread>
#include <vector>

#include "main_window/KvGraphicsView.h"
#include "main_window/MainWidget.h"

using korvane::Event2D;

namespace {

const QRgb background = qRgb(112, 112, 112);
const QRgb positive = qRgb(191, 188, 180);
const QRgb negative = qRgb(64, 61, 51);

// Left half positive, a negative block in the lower right quarter.
std::vector<Event2D> testPattern() {
    std::vector<Event2D> events;
    for (quint16 y = 0; y < 720; ++y) {
        for (quint16 x = 0; x < 640; ++x) {
            events.emplace_back(x, y, 1, 0);
        }
    }
    for (quint16 y = 400; y < 600; ++y) {
        for (quint16 x = 800; x < 1100; ++x) {
            events.emplace_back(x, y, 0, 0);
        }
    }
    return events;
}

}  // namespace

class TestFrameHandOff : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void paintedFrameIsShown();
    void workerThreadFrameIsQueued();

private:
    QPixmap shownPixmap() const;

    QTemporaryDir workDir;
    MainWidget* window = nullptr;
    KvGraphicsView* view = nullptr;
};

void TestFrameHandOff::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(workDir.isValid());
    QVERIFY(QDir::setCurrent(workDir.path()));
}

void TestFrameHandOff::init() {
    window = new MainWidget;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    view = window->findChild<KvGraphicsView*>("graphicsView");
    QVERIFY(view != nullptr);
}

void TestFrameHandOff::cleanup() {
    delete window;
    window = nullptr;
    view = nullptr;
}

QPixmap TestFrameHandOff::shownPixmap() const {
    const QList<QGraphicsItem*> items = view->scene()->items();
    return items.size() == 1 ? static_cast<QGraphicsPixmapItem*>(items.first())->pixmap()
                             : QPixmap();
}

void TestFrameHandOff::paintedFrameIsShown() {
    const std::vector<Event2D> events = testPattern();
    window->frameAccumulator().addEvents(events.data(), events.data() + events.size());
    emit window->triggerEventsToShow();

    const QImage frame = shownPixmap().toImage();
    QCOMPARE(frame.size(), QSize(1280, 720));
    QCOMPARE(frame.pixel(0, 0), positive);
    QCOMPARE(frame.pixel(639, 719), positive);
    QCOMPARE(frame.pixel(640, 0), background);
    QCOMPARE(frame.pixel(800, 400), negative);
    QCOMPARE(frame.pixel(1099, 599), negative);
    QCOMPARE(frame.pixel(1279, 719), background);

    // What the view draws, sampled at scene points well inside each area.
    const QImage drawn = view->viewport()->grab().toImage();
    QCOMPARE(drawn.pixel(view->mapFromScene(320, 360)), positive);
    QCOMPARE(drawn.pixel(view->mapFromScene(950, 500)), negative);
    QCOMPARE(drawn.pixel(view->mapFromScene(1000, 200)), background);

    emit window->triggerEventsToShow();
    const QImage next = shownPixmap().toImage();
    QCOMPARE(next.pixel(0, 0), background);
    QCOMPARE(next.pixel(800, 400), background);
}

// A producer thread's emission reaches the GUI thread through the event loop.
void TestFrameHandOff::workerThreadFrameIsQueued() {
    std::thread producer([this] {
        const Event2D event(100, 100, 0, 0);
        window->frameAccumulator().addEvents(&event, &event + 1);
        emit window->triggerEventsToShow();
    });
    producer.join();
    QCOMPARE(shownPixmap().toImage().pixel(100, 100), background);
    QTRY_COMPARE(shownPixmap().toImage().pixel(100, 100), negative);
}

QTEST_MAIN(TestFrameHandOff)
#include "tst_framehandoff.moc"
