#include "framework/framelessGeometry.h"

#include <algorithm>

QVector<QRect> edgeZoneRects(const QSize& size, int border) {
    const int w = size.width();
    const int h = size.height();
    const int b = border;
    return {QRect(0, b, b, h - 2 * b), QRect(w - b, b, b, h - 2 * b),
            QRect(b, 0, w - 2 * b, b), QRect(b, h - b, w - 2 * b, b),
            QRect(0, 0, b, b),         QRect(w - b, 0, b, b),
            QRect(0, h - b, b, b),     QRect(w - b, h - b, b, b)};
}

int edgeZoneAt(const QVector<QRect>& zones, const QPoint& pos) {
    for (int zone = 0; zone < zones.size(); ++zone) {
        if (zones[zone].contains(pos)) {
            return zone;
        }
    }
    return noEdgeZone;
}

Qt::CursorShape edgeZoneCursor(int zone) {
    switch (zone) {
        case LeftZone:
        case RightZone:
            return Qt::SizeHorCursor;
        case TopZone:
        case BottomZone:
            return Qt::SizeVerCursor;
        case TopLeftZone:
        case BottomRightZone:
            return Qt::SizeFDiagCursor;
        case TopRightZone:
        case BottomLeftZone:
            return Qt::SizeBDiagCursor;
        default:
            return Qt::ArrowCursor;
    }
}

Qt::Edges edgeZoneEdges(int zone) {
    switch (zone) {
        case LeftZone:
            return Qt::LeftEdge;
        case RightZone:
            return Qt::RightEdge;
        case TopZone:
            return Qt::TopEdge;
        case BottomZone:
            return Qt::BottomEdge;
        case TopLeftZone:
            return Qt::TopEdge | Qt::LeftEdge;
        case TopRightZone:
            return Qt::TopEdge | Qt::RightEdge;
        case BottomLeftZone:
            return Qt::BottomEdge | Qt::LeftEdge;
        case BottomRightZone:
            return Qt::BottomEdge | Qt::RightEdge;
        default:
            return {};
    }
}

namespace {

int borderHit(const QPoint& pos, const QSize& size, int border) {
    const bool left = pos.x() < border;
    const bool right = pos.x() > size.width() - border;
    const bool top = pos.y() < border;
    const bool bottom = pos.y() > size.height() - border;
    if (left && top) {
        return HitTopLeft;
    }
    if (left && bottom) {
        return HitBottomLeft;
    }
    if (right && top) {
        return HitTopRight;
    }
    if (right && bottom) {
        return HitBottomRight;
    }
    if (left) {
        return HitLeft;
    }
    if (right) {
        return HitRight;
    }
    if (top) {
        return HitTop;
    }
    if (bottom) {
        return HitBottom;
    }
    return 0;
}

}  // namespace

int nativeHitTest(const QPoint& pos, const QSize& size, int border, bool resizable,
                  const TitleBarArea& titleBar) {
    if (resizable) {
        if (const int edge = borderHit(pos, size, border)) {
            return edge;
        }
    }
    if (!titleBar.present || !QRect(QPoint(0, 0), titleBar.size).contains(pos) ||
        !titleBar.rectInWindow.contains(pos)) {
        return HitClient;
    }
    const QPoint inTitleBar = pos - titleBar.rectInWindow.topLeft();
    const bool onChild =
        std::any_of(titleBar.childRects.cbegin(), titleBar.childRects.cend(),
                    [&inTitleBar](const QRect& child) { return child.contains(inTitleBar); });
    return onChild ? HitClient : HitCaption;
}

std::optional<QRect> resizedGeometry(const QRect& pressGeometry, int zone, const QPoint& delta,
                                     const QSize& minimum) {
    const int x = pressGeometry.x();
    const int y = pressGeometry.y();
    const int w = pressGeometry.width();
    const int h = pressGeometry.height();
    const int dx = delta.x();
    const int dy = delta.y();
    const int minW = minimum.width();
    const int minH = minimum.height();

    // Corner drags clamp to the minimum and keep the opposite edge in place.
    const bool narrow = minW > w - dx;
    const int leftX = narrow ? x + (w - minW) : x + dx;
    const int leftW = narrow ? minW : w - dx;
    const bool low = minH > h - dy;
    const int topY = low ? y + (h - minH) : y + dy;
    const int topH = low ? minH : h - dy;
    const int rightW = std::max(w + dx, minW);
    const int bottomH = std::max(h + dy, minH);

    switch (zone) {
        case LeftZone:
            if (narrow) {
                return std::nullopt;
            }
            return QRect(x + dx, y, w - dx, h);
        case RightZone:
            return QRect(x, y, w + dx, h);
        case TopZone:
            if (low) {
                return std::nullopt;
            }
            return QRect(x, y + dy, w, h - dy);
        case BottomZone:
            return QRect(x, y, w, h + dy);
        case TopLeftZone:
            return QRect(leftX, topY, leftW, topH);
        case TopRightZone:
            return QRect(x, topY, rightW, topH);
        case BottomLeftZone:
            return QRect(leftX, y, leftW, bottomH);
        case BottomRightZone:
            return QRect(x, y, rightW, bottomH);
        default:
            return std::nullopt;
    }
}

QPoint dragOutPosition(const QPoint& globalPos, const QPoint& grab, int maximisedWidth,
                       int restoredWidth, int shadowWidth, const QRect& screenArea) {
    const float ratio = static_cast<float>(grab.x()) / maximisedWidth;
    const int x = globalPos.x() - static_cast<int>(restoredWidth * ratio);
    const int y = std::max(globalPos.y() - grab.y(), screenArea.top()) - shadowWidth;
    return QPoint(x, y);
}
