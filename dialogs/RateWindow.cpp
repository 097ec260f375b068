#include "dialogs/RateWindow.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QtCharts/QChartView>

#include "dialogs/RateChart.h"
#include "framework/QFramelessHelper.h"
#include "korvane/EventRate.h"
#include "pipeline/RateCurveWorker.h"
#include "ui_RateWindow.h"

RateWindow::RateWindow(const QString& path, std::uint64_t first, std::uint64_t last,
                       QWidget* parent)
    : QFramelessDialog(parent, true, true, true),
      ui(new Ui::RateWindow),
      chart(new RateChart),
      worker(new RateCurveWorker(this)) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    framelessHelper()->setTitleBar(ui->widget_title_bar);
    fileName = QFileInfo(path).fileName();
    ui->lb_file->setText(fileName);
    chart->setSpan(first, last);
    chartView = new QtCharts::QChartView(chart, ui->widget_chart);
    chartView->setFrameShape(QFrame::NoFrame);
    chartView->setBackgroundBrush(Qt::white);
    chartView->viewport()->setCursor(Qt::PointingHandCursor);
    chartView->viewport()->installEventFilter(this);
    ui->verticalLayout_chart->addWidget(chartView);

    connect(worker, &RateCurveWorker::progressed, this, &RateWindow::showProgress);
    connect(worker, &RateCurveWorker::finished, this, &RateWindow::showRate);
    connect(worker, &RateCurveWorker::failed, this, &RateWindow::showFailure);
    worker->start(path);
}

// The worker's thread ends before the chart it reports to goes.
RateWindow::~RateWindow() {
    worker->stop();
    delete ui;
}

void RateWindow::on_pb_win_close_clicked() {
    close();
}

// The last bin is still being counted: it is left out until it is complete.
void RateWindow::showProgress(int percent, const korvane::EventRate& soFar) {
    ui->progressBar->setValue(percent);
    korvane::EventRate complete = soFar;
    if (!complete.bins.empty()) {
        complete.bins.pop_back();
    }
    chart->setRate(complete);
}

void RateWindow::showRate(const korvane::EventRate& rate) {
    ui->progressBar->hide();
    chart->setRate(rate);
    std::uint64_t events = 0;
    std::uint64_t positive = 0;
    for (const korvane::RateBin& bin : rate.bins) {
        events += bin.events;
        positive += bin.positive;
    }
    ui->lb_file->setText(tr("%1: %L2 events, %L3 positive, %L4 negative, in bins of %L5 ms")
                             .arg(fileName)
                             .arg(events)
                             .arg(positive)
                             .arg(events - positive)
                             .arg(rate.binUs / 1000));
}

void RateWindow::showFailure(const QString& message) {
    ui->progressBar->hide();
    ui->lb_file->setText(message);
}

bool RateWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == chartView->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        std::uint64_t time = 0;
        const QPointF onChart = chart->mapFromScene(chartView->mapToScene(press->pos()));
        if (press->button() == Qt::LeftButton && chart->timeAt(onChart, time)) {
            chart->setMarker(time);
            emit seekRequested(time);
            return true;
        }
    }
    return QFramelessDialog::eventFilter(watched, event);
}
