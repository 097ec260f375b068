#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QVector>
#include <Qt>
#include <optional>

// Resize zones of a frameless window, in the order they are examined; the first match wins.
enum EdgeZone {
    LeftZone,
    RightZone,
    TopZone,
    BottomZone,
    TopLeftZone,
    TopRightZone,
    BottomLeftZone,
    BottomRightZone
};
constexpr int edgeZoneCount = 8;
constexpr int noEdgeZone = -1;

// Answers of the native hit test; the values are the Windows HT codes.
enum HitTestCode {
    HitClient = 1,
    HitCaption = 2,
    HitLeft = 10,
    HitRight = 11,
    HitTop = 12,
    HitTopLeft = 13,
    HitTopRight = 14,
    HitBottom = 15,
    HitBottomLeft = 16,
    HitBottomRight = 17
};

// What the hit test needs to know of a window's title bar.
struct TitleBarArea {
    bool present = false;
    QSize size;
    QRect rectInWindow;
    QVector<QRect> childRects;  // children that take the mouse, in title-bar coordinates
};

// The eight zones for a window of this size, indexed by EdgeZone.
QVector<QRect> edgeZoneRects(const QSize& size, int border);

// The first zone containing pos (edges inclusive), or noEdgeZone.
int edgeZoneAt(const QVector<QRect>& zones, const QPoint& pos);

Qt::CursorShape edgeZoneCursor(int zone);

// The window edges a zone moves, as the window system's resize wants them.
Qt::Edges edgeZoneEdges(int zone);

// The native hit test. A point exactly at width - border or height - border is not on the
// right or bottom edge here, unlike edgeZoneAt.
int nativeHitTest(const QPoint& pos, const QSize& size, int border, bool resizable,
                  const TitleBarArea& titleBar);

// The geometry after dragging a zone by delta from pressGeometry; empty when a left or top
// drag would go below the minimum, so the window keeps its last accepted geometry.
std::optional<QRect> resizedGeometry(const QRect& pressGeometry, int zone, const QPoint& delta,
                                     const QSize& minimum);

// Top-left corner of a window restored from maximised by a drag, so that the point grabbed (grab,
// in the maximised window of maximisedWidth) is under the pointer again: at the same fraction of
// the width, and as far below the title bar's top, which the restored window's shadow moves down
// by shadowWidth. The title bar does not go above screenArea, the screen under the pointer.
QPoint dragOutPosition(const QPoint& globalPos, const QPoint& grab, int maximisedWidth,
                       int restoredWidth, int shadowWidth, const QRect& screenArea);
