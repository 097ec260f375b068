#include "dialogs/KVMessageBox.h"

#include "framework/QFramelessHelper.h"
#include "ui_KVMessageBox.h"

KVMessageBox::KVMessageBox(const QString& message, const QString& title, QWidget* parent)
    : QFramelessDialog(parent, false, true, true), ui(new Ui::KVMessageBox) {
    ui->setupUi(this);
    ui->lb_title->setText(title);
    ui->lb_show_message->setText(message);
    framelessHelper()->setTitleBar(ui->widget_title_bar);
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
