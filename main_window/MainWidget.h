#pragma once

#include <cstdint>

#include "framework/QFramelessWidget.h"
#include "pipeline/EventFrameAccumulator.h"

class QAction;
class QMenu;
class AppConfig;
class SettingUI;
class ShowImageForm;

namespace Ui {
class MainWidget;
}

// The only top-level window: title bar with menus, side panel, frame view and play bar.
class MainWidget : public QFramelessWidget {
    Q_OBJECT

public:
    explicit MainWidget(QWidget* parent = nullptr);
    ~MainWidget() override;

    // Producers paint here, then emit triggerEventsToShow.
    EventFrameAccumulator& frameAccumulator() { return accumulator; }

signals:
    void triggerEventsToShow();
    void resetShowCameraFormTitle(bool show);
    void toShowCameraSerial(QString str);
    void toShowCameraTimestamp(uint64_t timestamp_us);
    void setShowCameraLiveUI(bool en);

public slots:
    void getEventsToShow();

private slots:
    void showCameraPlayingUI(bool en);
    void on_pb_win_min_clicked();
    void on_pb_win_close_clicked();
    void openActionSlot(QAction* action);
    void on_pb_loop_clicked();
    void on_slider_time_sliderPressed();
    void setShowTitleInfo(bool show);
    void showCameraSerial(QString str);
    void showTimeStamp(uint64_t timestamp_us);
    void on_pb_win_max_clicked(bool checked);
    void on_pb_win_max_clicked();
    void maximizedChanged(bool max);
    void on_pb_fold_setting_clicked(bool checked);

private:
    void showEvent(QShowEvent* event) override;

    QMenu* buildMenu(const QString& styleSheet);
    void buildMenus();
    void setupFrames();

    Ui::MainWidget* ui = nullptr;
    QMenu* fileMenu = nullptr;
    QMenu* deviceMenu = nullptr;
    QMenu* helpMenu = nullptr;
    AppConfig* config = nullptr;
    EventFrameAccumulator accumulator;
    ShowImageForm* showImageForm = nullptr;
    SettingUI* settingUI = nullptr;
};
