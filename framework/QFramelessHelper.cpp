#include "framework/QFramelessHelper.h"

#include <QWidget>

QFramelessHelper::QFramelessHelper(QWidget* widget, bool resizable, bool shadow, bool nativeFrame,
                                   QObject* parent)
    : QObject(parent), widget(widget) {
    Q_UNUSED(resizable)
    Q_UNUSED(shadow)
    Q_UNUSED(nativeFrame)
    widget->setWindowFlags(widget->windowFlags() | Qt::FramelessWindowHint |
                           Qt::WindowMinimizeButtonHint);
}

void QFramelessHelper::setTitleBar(QWidget* bar) { titleBar = bar; }

bool QFramelessHelper::handleNativeEvent(const QByteArray&, void*, long*) { return false; }

void QFramelessHelper::paintShadow() {}

void QFramelessHelper::showMinimized() { widget->showMinimized(); }

void QFramelessHelper::showMaximized() { widget->showMaximized(); }

void QFramelessHelper::showNormal() { widget->showNormal(); }

void QFramelessHelper::switchMaximizedNormal() {
    if (widget->isMaximized()) {
        showNormal();
    } else {
        showMaximized();
    }
}
