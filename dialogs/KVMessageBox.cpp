#include "dialogs/KVMessageBox.h"

#include "framework/QFramelessHelper.h"
#include "ui_KVMessageBox.h"

KVMessageBox::KVMessageBox(const QString& message, const QString& title, QWidget* parent,
                           Buttons buttons)
    : QFramelessDialog(parent, false, true, true), ui(new Ui::KVMessageBox) {
    ui->setupUi(this);
    ui->lb_title->setText(title);
    ui->lb_show_message->setText(message);
    framelessHelper()->setTitleBar(ui->widget_title_bar);
    if (buttons == Buttons::Ok) {
        ui->pb_close->hide();
        ui->horizontalSpacer_4->changeSize(0, 0);
        ui->pb_open->setText(tr("OK"));
        ui->pb_open->setDefault(true);
    }
}

KVMessageBox::~KVMessageBox() {
    delete ui;
}

void KVMessageBox::on_pb_open_clicked() {
    accept();
}

void KVMessageBox::on_pb_close_clicked() {
    reject();
}

void KVMessageBox::on_pb_win_close_clicked() {
    close();
}
