#pragma once

#include <QString>
#include <cstdint>

#include "framework/QFramelessDialog.h"

class RateChart;
class RateCurveWorker;

namespace QtCharts {
class QChartView;
}

namespace korvane {
struct EventRate;
}

namespace Ui {
class RateWindow;
}

// "Rate over time": positive and negative events per second of a recording, counted in the
// background on a reader of its own, with the share done shown until the curve is complete. A
// click on the curve asks for playback to go to that time. Deletes itself when closed.
class RateWindow : public QFramelessDialog {
    Q_OBJECT

public:
    // first and last are the recording's first and last timestamps, for the time axis.
    RateWindow(const QString& path, std::uint64_t first, std::uint64_t last,
               QWidget* parent = nullptr);
    ~RateWindow() override;

signals:
    void seekRequested(uint64_t timestamp);

private slots:
    void on_pb_win_close_clicked();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;

    void showProgress(int percent, const korvane::EventRate& soFar);
    void showRate(const korvane::EventRate& rate);
    void showFailure(const QString& message);

    Ui::RateWindow* ui = nullptr;
    RateChart* chart = nullptr;
    QtCharts::QChartView* chartView = nullptr;
    RateCurveWorker* worker = nullptr;
    QString fileName;
};
