#pragma once

#include <QPoint>
#include <QSize>

class QWidget;

// Top-left corner that centres a window of windowSize on an anchor whose global top-left corner is
// anchorTopLeft. The size difference is halved truncating toward zero.
QPoint centredOnAnchor(const QPoint& anchorTopLeft, const QSize& anchorSize,
                       const QSize& windowSize);

// Moves window onto the centre of anchor; a null anchor leaves the window where it is.
// GUI thread only.
void centreOnAnchor(QWidget* window, const QWidget* anchor);
