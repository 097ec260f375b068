#pragma once

#include <QImage>
#include <QRect>

// Alpha of a shadow pixel at the given depth into a band of this width (depth 1 at the outer
// edge, width next to the window; 0 gives 0).
int shadowAlpha(int depth, int width);

// The square nine-patch tile of side 2 * width + 10 whose border band of this width holds the
// shadow; its corners are quarter circles.
QImage makeShadowImage(int width);

// Cuts rect into nine pieces, row by row: top-left, top, top-right, left, centre, right,
// bottom-left, bottom, bottom-right; the corners are width x width.
void splitRect(const QRect& rect, int width, QRect out[9]);
