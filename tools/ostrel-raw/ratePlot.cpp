// rate --plot: the viewer's rate chart rendered offscreen into a PNG.
#include <QApplication>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <memory>

#include "RawCommands.h"
#include "dialogs/RateChart.h"
#include "korvane/EventRate.h"

namespace {

const QSize plotSize(1600, 600);

// Qt's own notes (a missing runtime folder and the like) are not for the tool's user.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// Charts are graphics widgets and need an application object; a tool has no window to show.
std::unique_ptr<QApplication> offscreenApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return nullptr;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(quiet);
    static int argc = 1;
    static char name[] = "ostrel-raw";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

}  // namespace

bool writeRatePlot(const korvane::EventRate& rate, const std::string& title,
                   const std::string& path, std::string& error) {
    const auto application = offscreenApplication();
    QGraphicsScene scene;
    auto* chart = new RateChart;
    scene.addItem(chart);
    chart->setTitle(QString::fromStdString(title));
    chart->setRate(rate);
    chart->setGeometry(QRectF(QPointF(0, 0), plotSize));
    QImage image(plotSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(image.rect()), chart->geometry());
    painter.end();
    if (!image.save(QString::fromStdString(path), "PNG")) {
        error = path + ": cannot be written";
        return false;
    }
    return true;
}
