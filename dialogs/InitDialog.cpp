#include "dialogs/InitDialog.h"

#include <QGraphicsDropShadowEffect>
#include <QLayout>
#include <QTimer>
#include <QtDebug>

#include "framework/windowTranslucency.h"
#include "ui_InitDialog.h"

namespace {

const char* const version = "1.0.1";
const int showMilliseconds = 2000;
const int frameRadius = 9;

}  // namespace

InitDialog::InitDialog(QWidget* parent) : QDialog(parent), ui(new Ui::InitDialog) {
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    if (windowSystemShowsTranslucency()) {
        useShadow();
    } else {
        useRoundedFrameOnly();
    }

    QTimer::singleShot(showMilliseconds, this, &InitDialog::close);
    qDebug().noquote() << QString("Ostrel Version: ") + version;
    ui->lb_version->setText(QString("Version: ") + version);
}

void InitDialog::useShadow() {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setOffset(0, 0);
    shadow->setColor(QColor("#444444"));
    shadow->setBlurRadius(30.0);
    setGraphicsEffect(shadow);
    setContentsMargins(10, 10, 10, 10);
}

// Where the shadow's translucent band would come out black, the window is just the frame, its
// corners cut round.
void InitDialog::useRoundedFrameOnly() {
    layout()->setContentsMargins(0, 0, 0, 0);
    resize(ui->frame->minimumSize());
    clipToRoundedRect(this, frameRadius);
}

InitDialog::~InitDialog() {
    delete ui;
}

void InitDialog::on_btn_close_clicked() {
    close();
}
