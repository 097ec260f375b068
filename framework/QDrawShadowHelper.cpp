#include "framework/QDrawShadowHelper.h"

#include <QLayout>
#include <QMainWindow>
#include <QPainter>
#include <QWidget>

#include "framework/shadowTile.h"

namespace {

constexpr int centrePiece = 4;

}  // namespace

QDrawShadowHelper::QDrawShadowHelper(QWidget* widget, int shadowWidth, QObject* parent)
    : QObject(parent), shadowWidth(shadowWidth), widget(widget) {
    widget->setAttribute(Qt::WA_TranslucentBackground);
    backgroundColor = widget->palette().color(QPalette::Window);
    shadowImage = makeShadowImage(shadowWidth);
    splitRect(shadowImage.rect(), shadowWidth, sourceRects);
}

void QDrawShadowHelper::drawShadow(QPainter* painter) {
    painter->save();
    if (shadowWidth >= 1 && shadowVisible) {
        QRect targetRects[9];
        splitRect(widget->rect(), shadowWidth, targetRects);
        for (int piece = 0; piece < 9; ++piece) {
            if (piece != centrePiece) {
                painter->drawImage(targetRects[piece], shadowImage, sourceRects[piece]);
            }
        }
    } else {
        painter->setPen(Qt::NoPen);
        painter->setBrush(backgroundColor);
        painter->drawRect(widget->rect());
    }
    painter->restore();
}

void QDrawShadowHelper::hide() {
    shadowVisible = false;
    setContentMargins(0);
}

void QDrawShadowHelper::show() {
    shadowVisible = true;
    setContentMargins(shadowWidth);
}

// The margins keep the content inside the shadow band; a main window's content is its
// central widget.
void QDrawShadowHelper::setContentMargins(int margin) {
    QWidget* content = widget;
    if (auto* mainWindow = qobject_cast<QMainWindow*>(widget)) {
        content = mainWindow->centralWidget();
    }
    if (content && content->layout()) {
        content->layout()->setContentsMargins(margin, margin, margin, margin);
    }
}
