#include "dialogs/anchorPlacement.h"

#include <QWidget>

QPoint centredOnAnchor(const QPoint& anchorTopLeft, const QSize& anchorSize,
                       const QSize& windowSize) {
    return {anchorTopLeft.x() + (anchorSize.width() - windowSize.width()) / 2,
            anchorTopLeft.y() + (anchorSize.height() - windowSize.height()) / 2};
}

void centreOnAnchor(QWidget* window, const QWidget* anchor) {
    if (!anchor) {
        return;
    }
    window->move(
        centredOnAnchor(anchor->mapToGlobal(QPoint(0, 0)), anchor->size(), window->size()));
}
