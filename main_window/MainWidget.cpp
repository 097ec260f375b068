#include "main_window/MainWidget.h"

#include <QDesktopServices>
#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>
#include <QtDebug>
#include <algorithm>

#include "app/AppConfig.h"
#include "dialogs/KVMessageBox.h"
#include "dialogs/RateWindow.h"
#include "framework/QFramelessHelper.h"
#include "main_window/KvSlider.h"
#include "main_window/ShowImageForm.h"
#include "main_window/windowPlacement.h"
#include "pipeline/formatTimestamp.h"
#include "settings/SettingUI.h"
#include "ui_MainWidget.h"

namespace {

const char* const menuStyleSheet =
    "QMenu{background-color:#FFFFFF;border:1px solid #AAAAAA;margin:0px;"
    "border-bottom-left-radius:5px;border-bottom-right-radius:5px;}"
    "QMenu::item{margin:2px;height:30px;padding-left:10px;font-size:12px;color:#575757;}"
    "QMenu::item:hover{background-color:#EDF1F3;color:#004B6A;border-radius:5px;}"
    "QMenu::item:selected{background-color:#004B6A;color:#FFFFFF;border-radius:5px;}"
    "QMenu::separator{height:1px;background:#C3C3C3;}";

const char* const fileMenuSeparatorStyle = "QMenu::separator{margin-left:2px;margin-right:2px;}";

const char* const titleBarMaximizedStyle =
    "#widget_title_bar{border-top-left-radius:0px;border-top-right-radius:0px;"
    "border-bottom-left-radius:0px;border-bottom-right-radius:0px;"
    "border-bottom:1px solid #AAAAAA;}";

const char* const titleBarNormalStyle =
    "#widget_title_bar{border-top-left-radius:6px;border-top-right-radius:6px;"
    "border-bottom-left-radius:0px;border-bottom-right-radius:0px;"
    "border-bottom:1px solid #AAAAAA;}";

const char* const makerWebSite = "https://www.korvane.com/";

}  // namespace

MainWidget::MainWidget(QWidget* parent)
    : QFramelessWidget(parent, true, true, true), ui(new Ui::MainWidget) {
    ui->setupUi(this);
    initialTimeText = ui->label_time->text();
    initialSliderMaximum = ui->slider_time->maximum();

    showImageForm = new ShowImageForm(this);
    ui->layout_show_video->addWidget(showImageForm);

    framelessHelper()->setTitleBar(ui->widget_title_bar);
    // A restore by the title bar (drag-out, double click) puts the maximise button back to normal,
    // so that its next click maximises.
    connect(framelessHelper(), &QFramelessHelper::maximizedChanged, this, [this](bool max) {
        if (!max && ui->pb_win_max->isChecked()) {
            ui->pb_win_max->setChecked(false);
            on_pb_win_max_clicked(false);
        }
    });
    setupFrames();
    buildMenus();
    settingUI = ui->widget_setting;

    connect(this, &MainWidget::triggerEventsToShow, this, &MainWidget::getEventsToShow);
    connect(this, &MainWidget::resetShowCameraFormTitle, this, &MainWidget::setShowTitleInfo);
    connect(this, &MainWidget::toShowCameraSerial, this, &MainWidget::showCameraSerial);
    connect(this, &MainWidget::toShowCameraTimestamp, this, &MainWidget::showTimeStamp);
    connect(this, &MainWidget::setShowCameraLiveUI, this, &MainWidget::showCameraPlayingUI);
    connect(ui->slider_time, &KvSlider::trackClicked, this, &MainWidget::onSliderTimeTrackClick);
    connectSettings();
    connect(ui->pb_loop, &QPushButton::toggled, this, [this](bool on) { loopPlayback = on; });
    sourceWatch = new QTimer(this);
    connect(sourceWatch, &QTimer::timeout, this, &MainWidget::checkSource);
    sourceWatch->start(500);
    buildShortcuts();
    buildContextMenu();
    connect(
        showImageForm->addContextEntry(tr("Rate over time"), [this] { return recordingOpen(); }),
        &QAction::triggered, this, &MainWidget::showRateWindow);
    setAcceptDrops(true);

    config = new AppConfig("config.ini");
    choosePalette(config->framePalette);
}

// No frame thread may outlive the members it uses, and a recording still running is completed.
MainWidget::~MainWidget() {
    disconnect(focusWatch);
    sourceState.close();
    delete ui;
    delete config;
}

void MainWidget::connectSettings() {
    connect(
        settingUI, &SettingUI::signalFpsChanged, settingUI,
        [this](uint32_t fps) { setFrameRate(fps); }, Qt::DirectConnection);
    connect(
        settingUI, &SettingUI::signalCumulativeTimeChanged, settingUI,
        [this](uint64_t time_us) { setAccumulationTime(time_us); }, Qt::DirectConnection);
}

void MainWidget::setupFrames() {
    ui->splitter->setContentsMargins(10, 10, 10, 10);
    ui->splitter->setStretchFactor(0, 1);
    ui->splitter->setStretchFactor(1, 10);
    for (QWidget* frame :
         {static_cast<QWidget*>(ui->frame_setting), static_cast<QWidget*>(ui->frame_main)}) {
        auto* shadow = new QGraphicsDropShadowEffect(frame);
        shadow->setOffset(0, 3);
        shadow->setColor(QColor(0, 0, 0, 41));
        shadow->setBlurRadius(6);
        frame->setGraphicsEffect(shadow);
    }
}

QMenu* MainWidget::buildMenu(const QString& styleSheet) {
    auto* menu = new QMenu(this);
    menu->setStyleSheet(styleSheet);
    menu->setAttribute(Qt::WA_TranslucentBackground);
    connect(menu, &QMenu::triggered, this, &MainWidget::openActionSlot);
    return menu;
}

void MainWidget::buildMenus() {
    fileMenu = buildMenu(QString(menuStyleSheet) + fileMenuSeparatorStyle);
    fileMenu->addAction(tr("Open Recording"));
    fileMenu->addSeparator();
    fileMenu->addAction(tr("Quit"));
    ui->pb_menu_file->setMenu(fileMenu);

    deviceMenu = buildMenu(menuStyleSheet);
    deviceMenu->addAction(tr("Open Camera"));
    deviceMenu->addSeparator();
    ui->pb_menu_device->setMenu(deviceMenu);

    helpMenu = buildMenu(menuStyleSheet);
    helpMenu->addAction(tr("About us"));
    ui->pb_menu_help->setMenu(helpMenu);
}

// GUI thread only. Producers paint on while the frame is taken: the flag is cleared first, so
// their next frame is handed over again.
void MainWidget::getEventsToShow() {
    frameQueued = false;
    QPixmap pixmap;
    accumulator.takeFrame(pixmap);
    showImageForm->showPixMap(pixmap);
    countShownFrame();
    const uint64_t newest = lastEventTimestamp;
    if (sourceState.mode() == SourceMode::LiveCamera && newest != noLiveEvent) {
        emit toShowCameraTimestamp(newest);
    }
}

// Frame threads. A frame still waiting for the GUI thread takes in what was painted since, so
// however fast the producer, one hand-off at most is queued.
void MainWidget::handOffFrame() {
    if (!frameQueued.exchange(true)) {
        emit triggerEventsToShow();
    }
}

// GUI thread only. A click in the window seeks only while its recording is still the open one.
void MainWidget::showRateWindow() {
    const uint64_t begin = sourceState.beginTime();
    const uint64_t end = sourceState.endTime();
    auto* window = new RateWindow(recordingPath, begin, end, this);
    connect(window, &RateWindow::seekRequested, this,
            [this, path = recordingPath, begin, end](uint64_t time) {
                if (recordingOpen() && path == recordingPath) {
                    ui->slider_time->setValue(timeline.toSliderValue(std::clamp(time, begin, end)));
                    onSliderTimeTrackClick(ui->slider_time->value());
                }
            });
    window->show();
}

void MainWidget::showCameraPlayingUI(bool en) {
    for (QWidget* control : {static_cast<QWidget*>(ui->pb_loop), static_cast<QWidget*>(ui->pb_next),
                             static_cast<QWidget*>(ui->pb_prv), static_cast<QWidget*>(ui->pb_stop),
                             static_cast<QWidget*>(ui->slider_time)}) {
        control->setEnabled(!en);
    }
    if (en) {
        ui->slider_time->setValue(0);
        ui->label_time->setText("--/--");
    }
}

void MainWidget::on_pb_win_min_clicked() {
    framelessHelper()->showMinimized();
}

void MainWidget::on_pb_win_close_clicked() {
    close();
}

void MainWidget::openActionSlot(QAction* action) {
    const QString text = action->text();
    if (text == "Open Camera") {
        openCamera();
    } else if (text == "Open Recording") {
        openRecording();
    } else if (text == "Quit") {
        close();
    } else if (text == "About us") {
        KVMessageBox box("Is it open in the browser?", "Tips");
        if (box.exec() == 1) {
            QDesktopServices::openUrl(QUrl(makerWebSite));
        }
    }
}

void MainWidget::on_pb_loop_clicked() {}

// The loop setting is the button's checked state, which the playback thread reads through
// loopPlayback.
void MainWidget::toggleLoop() {
    if (ui->pb_loop->isEnabled()) {
        ui->pb_loop->toggle();
    }
}

void MainWidget::on_slider_time_sliderPressed() {}

void MainWidget::setShowTitleInfo(bool show) {
    Q_UNUSED(show)
    ui->label_show_camera_info->setText(QString());
    ui->label_show_timestamp_info->setText(QString());
}

void MainWidget::showCameraSerial(QString str) {
    ui->label_show_camera_info->setText(str);
}

void MainWidget::showTimeStamp(uint64_t timestamp_us) {
    ui->label_show_timestamp_info->setText(QString::fromStdString(formatTimestamp(timestamp_us)));
}

// The corners follow the button's checked state, not the window's actual state.
void MainWidget::on_pb_win_max_clicked(bool checked) {
    ui->widget_title_bar->setStyleSheet(checked ? titleBarMaximizedStyle : titleBarNormalStyle);
}

void MainWidget::on_pb_win_max_clicked() {
    framelessHelper()->switchMaximizedNormal();
}

void MainWidget::maximizedChanged(bool max) {
    ui->pb_win_max->setProperty("type", max ? "restore" : "maxsize");
}

void MainWidget::on_pb_fold_setting_clicked(bool checked) {
    ui->widget_setting->setVisible(checked);
    ui->frame_setting->setMaximumWidth(checked ? 500 : ui->widget_side_bar->width());
}

// Spontaneous shows (restoring from the task bar) keep the place the user left the window at.
void MainWidget::showEvent(QShowEvent* event) {
    QFramelessWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    move(centredTopLeft(QGuiApplication::primaryScreen()->availableGeometry(), size()));
}
