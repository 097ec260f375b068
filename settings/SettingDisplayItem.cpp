#include "settings/SettingDisplayItem.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QtDebug>

#include "settings/NoFocusFrameDelegate.h"
#include "settings/displayValues.h"
#include "ui_SettingDisplayItem.h"

namespace {

const char* const greyBorder = "QComboBox {    border: 1px solid #A7A7A7;    }";
const char* const redBorder = "QComboBox {        border: 1px solid #FF6058;        }";

void markAcceptable(QComboBox* box, bool acceptable) {
    box->setStyleSheet(QLatin1String(acceptable ? greyBorder : redBorder));
}

bool isAcceptableTimeText(const QString& text) {
    return isAcceptableTimeUs(parseTimeToUs(completeTimeUnit(text)));
}

}  // namespace

SettingDisplayItem::SettingDisplayItem(QWidget* parent)
    : QWidget(parent), ui(new Ui::SettingDisplayItem) {
    ui->setupUi(this);
    setAttribute(Qt::WA_MouseTracking);
    ui->cb_accumulation_time->setEditable(true);
    ui->cb_frame_rate->setEditable(true);
    QApplication::setEffectEnabled(Qt::UI_AnimateCombo, false);
    useNoFocusFrameList(ui->cb_accumulation_time);
    useNoFocusFrameList(ui->cb_frame_rate);

    QLineEdit* timeEdit = ui->cb_accumulation_time->lineEdit();
    connect(timeEdit, &QLineEdit::textChanged, this,
            &SettingDisplayItem::on_cb_accumulation_time_lineEditTextChanged);
    connect(timeEdit, &QLineEdit::editingFinished, this,
            &SettingDisplayItem::on_cb_accumulation_time_lineEditTextFinished);
    connect(ui->cb_frame_rate->lineEdit(), &QLineEdit::editingFinished, this,
            &SettingDisplayItem::on_cb_frame_rate_lineEditTextFinished);
}

SettingDisplayItem::~SettingDisplayItem() {
    delete ui;
}

// The style sheet's item height only takes effect on a QListView.
void SettingDisplayItem::useNoFocusFrameList(QComboBox* box) {
    auto* list = new QListView(box);
    list->setItemDelegate(new NoFocusFrameDelegate(list));
    box->setView(list);
}

void SettingDisplayItem::on_cb_accumulation_time_lineEditTextChanged(const QString&) {
    markAcceptable(ui->cb_accumulation_time,
                   isAcceptableTimeText(ui->cb_accumulation_time->lineEdit()->text()));
}

void SettingDisplayItem::on_cb_accumulation_time_lineEditTextFinished() {
    QLineEdit* edit = ui->cb_accumulation_time->lineEdit();
    const int cursor = edit->cursorPosition();
    const QString completed = completeTimeUnit(edit->text());
    const uint64_t us = parseTimeToUs(completed);
    if (!isAcceptableTimeUs(us)) {
        return;
    }
    edit->setText(completed);
    edit->setCursorPosition(cursor);
    emit signalCumulativeTimeChanged(us);
}

// Enter adds the typed text to the list and makes it current, so typed text arrives here too
// and gets the same check as on the editing-finished path.
void SettingDisplayItem::on_cb_accumulation_time_currentIndexChanged(int) {
    const uint64_t us = parseTimeToUs(completeTimeUnit(ui->cb_accumulation_time->currentText()));
    if (!isAcceptableTimeUs(us)) {
        markAcceptable(ui->cb_accumulation_time, false);
        return;
    }
    emit signalCumulativeTimeChanged(us);
}

void SettingDisplayItem::on_cb_frame_rate_currentTextChanged(const QString&) {
    markAcceptable(ui->cb_frame_rate, parseFrameRate(ui->cb_frame_rate->currentText()).has_value());
}

void SettingDisplayItem::on_cb_frame_rate_lineEditTextFinished() {
    const std::optional<uint32_t> fps = parseFrameRate(ui->cb_frame_rate->lineEdit()->text());
    if (!fps) {
        return;
    }
    emit signalFpsChanged(*fps);
    qDebug().nospace() << "frame rate change: " << *fps;
}

void SettingDisplayItem::on_cb_frame_rate_currentIndexChanged(int) {
    const std::optional<uint32_t> fps = parseFrameRate(ui->cb_frame_rate->currentText());
    if (!fps) {
        markAcceptable(ui->cb_frame_rate, false);
        return;
    }
    emit signalFpsChanged(*fps);
}
