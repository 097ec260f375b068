#include "settings/SettingItemBox.h"

#include "ui_SettingItemBox.h"

SettingItemBox::SettingItemBox(QWidget* parent) : QWidget(parent), ui(new Ui::SettingItemBox) {
    ui->setupUi(this);
    setAttribute(Qt::WA_MouseTracking);
    setAttribute(Qt::WA_TranslucentBackground);
    // A QWidget subclass draws its style sheet background only when asked to.
    setAttribute(Qt::WA_StyledBackground);
    setFold(true);
}

SettingItemBox::~SettingItemBox() {
    delete ui;
}

void SettingItemBox::setTitle(const QString& title) {
    ui->lb_setting_box_title_text->setText(title);
}

void SettingItemBox::addItem(QWidget* item) {
    ui->verticalLayout->addWidget(item);
    adjustSize();
    repaint();
    ui->widget_container->adjustSize();
    ui->widget_container->repaint();
    item->adjustSize();
}

void SettingItemBox::setFold(bool fold) {
    ui->widget_container->setVisible(!fold);
    ui->pb_fold->setChecked(fold);
}

void SettingItemBox::on_pb_fold_clicked(bool checked) {
    ui->widget_container->setVisible(!checked);
}
