#include "main_window/KvGraphicsView.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

namespace {

const int overlayMargin = 8;
const int overlayPadding = 6;

// White text on a dark translucent box reads on every palette's background and events.
QPixmap renderOverlay(const QStringList& lines, const QFont& font, qreal pixelRatio) {
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& line : lines) {
        width = std::max(width, metrics.horizontalAdvance(line));
    }
    const QSize size(width + 2 * overlayPadding,
                     metrics.lineSpacing() * lines.size() + 2 * overlayPadding);
    QPixmap picture(size * pixelRatio);
    picture.setDevicePixelRatio(pixelRatio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 170));
    painter.drawRoundedRect(QRectF(QPointF(0, 0), size), 5, 5);
    painter.setFont(font);
    painter.setPen(Qt::white);
    int baseline = overlayPadding + metrics.ascent();
    for (const QString& line : lines) {
        painter.drawText(overlayPadding, baseline, line);
        baseline += metrics.lineSpacing();
    }
    return picture;
}

}  // namespace

double wheelZoomStep(int angleDelta, double scaleFactor, double minScale, double maxScale) {
    if (angleDelta > 0) {
        return maxScale > scaleFactor ? KvGraphicsView::zoomStep : 1.0;
    }
    return scaleFactor > minScale ? 1.0 / KvGraphicsView::zoomStep : 1.0;
}

KvGraphicsView::KvGraphicsView(QWidget* parent) : QGraphicsView(parent) {
    setDragMode(QGraphicsView::ScrollHandDrag);
    setResizeAnchor(QGraphicsView::NoAnchor);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setContentsMargins(0, 0, 0, 0);
    setStyleSheet("border: 0px;");
}

void KvGraphicsView::fitItem(const QGraphicsItem* item) {
    scaleFactor = 1.0;
    fitInView(item, Qt::KeepAspectRatio);
}

void KvGraphicsView::fitScene() {
    scaleFactor = 1.0;
    if (scene() != nullptr) {
        fitInView(sceneRect(), Qt::KeepAspectRatio);
    }
}

void KvGraphicsView::zoom(bool in) {
    const double step = wheelZoomStep(in ? 1 : 0, scaleFactor, minScale, maxScale);
    if (step == 1.0) {
        return;
    }
    scale(step, step);
    if (step > 1.0) {
        scaleFactor *= zoomStep;
    } else {
        scaleFactor /= zoomStep;
    }
}

void KvGraphicsView::mouseDoubleClickEvent(QMouseEvent* event) {
    fitScene();
    QGraphicsView::mouseDoubleClickEvent(event);
}

// Horizontal-only wheels have no vertical delta and count as zooming out. The event is always
// consumed so the wheel never scrolls the view.
void KvGraphicsView::wheelEvent(QWheelEvent* event) {
    zoom(event->angleDelta().y() > 0);
    event->accept();
}

// The owner refits after a resize; the zoom count restarts either way.
void KvGraphicsView::resizeEvent(QResizeEvent* event) {
    scaleFactor = 1.0;
    QGraphicsView::resizeEvent(event);
}

void KvGraphicsView::setOverlay(const QStringList& lines) {
    if (lines == overlayText) {
        return;
    }
    const QRect before = overlayRect();
    overlayText = lines;
    overlayPicture =
        lines.isEmpty() ? QPixmap() : renderOverlay(lines, font(), devicePixelRatioF());
    viewport()->update(before.united(overlayRect()));
}

// In the viewport: the top left corner of the frame where it shows, of the view where the frame
// is zoomed past it.
QRect KvGraphicsView::overlayRect() const {
    if (overlayPicture.isNull()) {
        return QRect();
    }
    const QRect frame = mapFromScene(sceneRect()).boundingRect().intersected(viewport()->rect());
    const QPoint corner = frame.topLeft() + QPoint(overlayMargin, overlayMargin);
    return QRect(corner, overlayPicture.size() / overlayPicture.devicePixelRatio());
}

void KvGraphicsView::drawForeground(QPainter* painter, const QRectF& rect) {
    QGraphicsView::drawForeground(painter, rect);
    if (overlayPicture.isNull()) {
        return;
    }
    painter->save();
    painter->resetTransform();
    painter->drawPixmap(overlayRect().topLeft(), overlayPicture);
    painter->restore();
}

// A pan scrolls the painted pixels, the overlay with them; it is drawn anew where it belongs.
void KvGraphicsView::scrollContentsBy(int dx, int dy) {
    QGraphicsView::scrollContentsBy(dx, dy);
    if (!overlayPicture.isNull()) {
        viewport()->update();
    }
}
