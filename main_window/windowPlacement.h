#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Top-left corner that centres a window of the given size on an available screen area.
QPoint centredTopLeft(const QRect& available, const QSize& window);
