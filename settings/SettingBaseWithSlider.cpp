#include "settings/SettingBaseWithSlider.h"

#include <QEvent>
#include <QSlider>

#include "ui_SettingBaseWithSlider.h"

SettingBaseWithSlider::SettingBaseWithSlider(const QString& name, QWidget* parent)
    : QWidget(parent), ui(new Ui::SettingBaseWithSlider) {
    ui->setupUi(this);
    setAttribute(Qt::WA_MouseTracking);
    ui->lb_set_item_name->setText(name);
    ui->slider_item_value->setValue(value);
    ui->slider_item_value->installEventFilter(this);
}

SettingBaseWithSlider::~SettingBaseWithSlider() {
    delete ui;
}

void SettingBaseWithSlider::setRange(int min, int max) {
    ui->slider_item_value->setRange(min, max);
}

void SettingBaseWithSlider::setValue(int newValue) {
    ui->slider_item_value->setValue(newValue);
}

void SettingBaseWithSlider::on_pb_sub_item_value_clicked() {
    if (value <= ui->slider_item_value->minimum()) {
        return;
    }
    value -= 1;
    ui->slider_item_value->setValue(value);
}

void SettingBaseWithSlider::on_pb_add_item_value_clicked() {
    if (value >= ui->slider_item_value->maximum()) {
        return;
    }
    value += 1;
    ui->slider_item_value->setValue(value);
}

void SettingBaseWithSlider::on_slider_item_value_valueChanged(int newValue) {
    value = newValue;
    ui->le_set_item_value->setText(QString::number(newValue));
    emit signalItemValueChanged(ui->lb_set_item_name->text().toStdString(), newValue);
}

// Non-numbers count as 0; the slider clamps, and the box is rewritten only if the value moves.
void SettingBaseWithSlider::on_le_set_item_value_returnPressed() {
    ui->slider_item_value->setValue(ui->le_set_item_value->text().toInt(nullptr, 10));
}

// The wheel scrolls the panel instead of moving the slider: the ignored event goes on to the
// parents and reaches the scroll area.
bool SettingBaseWithSlider::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && qobject_cast<QSlider*>(watched) != nullptr) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
