#include "dialogs/CamerasList.h"

#include <QListWidgetItem>

#include "dialogs/anchorPlacement.h"
#include "framework/QFramelessHelper.h"
#include "ui_CamerasList.h"

namespace {

const char* const cameraIcon = ":/img/assets/btn_camera.svg";

}  // namespace

CamerasList::CamerasList(std::vector<korvane::CameraDescription> cameras, QWidget* parent)
    : QFramelessDialog(parent, false, true, true), ui(new Ui::CamerasList), anchorWidget(parent) {
    ui->setupUi(this);
    framelessHelper()->setTitleBar(ui->widget_title_bar);
    connect(ui->pb_open, &QPushButton::clicked, this, &CamerasList::accept);
    connect(ui->listWidget_cameras, &QListWidget::itemDoubleClicked, this, &CamerasList::accept);
    connect(ui->pb_close, &QPushButton::clicked, this, &CamerasList::reject);
    fillList(cameras);
}

CamerasList::~CamerasList() {
    delete ui;
}

void CamerasList::fillList(const std::vector<korvane::CameraDescription>& cameras) {
    ui->listWidget_cameras->setIconSize(QSize(50, 50));
    const QIcon icon(cameraIcon);
    for (const korvane::CameraDescription& camera : cameras) {
        new QListWidgetItem(icon, QString::fromStdString(camera.serial), ui->listWidget_cameras);
    }
    ui->listWidget_cameras->setCurrentRow(0);
}

bool CamerasList::getSelectedCamera(QString& name) const {
    const QListWidgetItem* item = ui->listWidget_cameras->currentItem();
    if (!item) {
        return false;
    }
    name = item->text();
    return true;
}

void CamerasList::on_pb_win_close_clicked() {
    close();
}

void CamerasList::showEvent(QShowEvent*) {
    centreOnAnchor(this, anchorWidget);
}
