#include "dialogs/InitDialog.h"

#include <QGraphicsDropShadowEffect>
#include <QTimer>
#include <QtDebug>

#include "ui_InitDialog.h"

namespace {

const char* const version = "1.0.1";
const int showMilliseconds = 2000;

}  // namespace

InitDialog::InitDialog(QWidget* parent) : QDialog(parent), ui(new Ui::InitDialog) {
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);

    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setOffset(0, 0);
    shadow->setColor(QColor("#444444"));
    shadow->setBlurRadius(30.0);
    setGraphicsEffect(shadow);
    setContentsMargins(10, 10, 10, 10);

    QTimer::singleShot(showMilliseconds, this, &InitDialog::close);
    qDebug().noquote() << QString("Ostrel Version: ") + version;
    ui->lb_version->setText(QString("Version: ") + version);
}

InitDialog::~InitDialog() {
    delete ui;
}

void InitDialog::on_btn_close_clicked() {
    close();
}
