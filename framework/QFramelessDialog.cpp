#include "framework/QFramelessDialog.h"

#include "framework/QFramelessHelper.h"

QFramelessDialog::QFramelessDialog(QWidget* parent, bool resizable, bool shadow, bool nativeFrame)
    : QDialog(parent), helper(new QFramelessHelper(this, resizable, shadow, nativeFrame, this)) {}

QFramelessDialog::~QFramelessDialog() = default;

void QFramelessDialog::paintEvent(QPaintEvent*) {
    if (helper) {
        helper->paintShadow();
    }
}

bool QFramelessDialog::nativeEvent(const QByteArray& eventType, void* message, long* result) {
    return helper ? helper->handleNativeEvent(eventType, message, result) : false;
}
