#include "settings/SettingBaseWithSlider.h"

#include <QEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>

#include <limits>

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

void SettingBaseWithSlider::showValue(int newValue) {
    const QSignalBlocker blocker(ui->slider_item_value);
    ui->slider_item_value->setValue(newValue);
    value = ui->slider_item_value->value();
    ui->le_set_item_value->setText(QString::number(value));
    markRejected(false);
}

QString SettingBaseWithSlider::name() const {
    return ui->lb_set_item_name->text();
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
    markRejected(false);
    emit signalItemValueChanged(name().toStdString(), newValue);
}

// Text that is not a whole number changes nothing and is marked; a number is clamped by the
// slider, and the box then shows the value the setting has, not the one typed.
void SettingBaseWithSlider::on_le_set_item_value_returnPressed() {
    bool isNumber = false;
    const qlonglong typed = ui->le_set_item_value->text().toLongLong(&isNumber, 10);
    if (!isNumber) {
        markRejected(true);
        return;
    }
    ui->slider_item_value->setValue(static_cast<int>(qBound<qlonglong>(
        std::numeric_limits<int>::min(), typed, std::numeric_limits<int>::max())));
    ui->le_set_item_value->setText(QString::number(value));
    markRejected(false);
}

// The box's style sheet draws the border red while the property is set.
void SettingBaseWithSlider::markRejected(bool rejected) {
    QLineEdit* box = ui->le_set_item_value;
    if (box->property("rejected").toBool() == rejected) {
        return;
    }
    box->setProperty("rejected", rejected);
    box->style()->unpolish(box);
    box->style()->polish(box);
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
