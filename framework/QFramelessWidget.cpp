#include "framework/QFramelessWidget.h"

#include "framework/QFramelessHelper.h"

QFramelessWidget::QFramelessWidget(QWidget* parent, bool resizable, bool shadow, bool nativeFrame)
    : QWidget(parent), helper(new QFramelessHelper(this, resizable, shadow, nativeFrame, this)) {}

QFramelessWidget::~QFramelessWidget() = default;

void QFramelessWidget::paintEvent(QPaintEvent*) {
    if (helper) {
        helper->paintShadow();
    }
}

bool QFramelessWidget::nativeEvent(const QByteArray& eventType, void* message, long* result) {
    return helper ? helper->handleNativeEvent(eventType, message, result) : false;
}
