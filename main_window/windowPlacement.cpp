#include "main_window/windowPlacement.h"

QPoint centredTopLeft(const QRect& available, const QSize& window) {
    return {available.left() + available.width() / 2 - window.width() / 2,
            available.top() + available.height() / 2 - window.height() / 2};
}
