#include "main_window/KvGraphicsView.h"

#include <QWheelEvent>

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

void KvGraphicsView::mouseDoubleClickEvent(QMouseEvent* event) {
    scaleFactor = 1.0;
    if (scene() != nullptr) {
        fitInView(sceneRect(), Qt::KeepAspectRatio);
    }
    QGraphicsView::mouseDoubleClickEvent(event);
}

// Horizontal-only wheels have no vertical delta and count as zooming out. The event is always
// consumed so the wheel never scrolls the view.
void KvGraphicsView::wheelEvent(QWheelEvent* event) {
    const double step = wheelZoomStep(event->angleDelta().y(), scaleFactor, minScale, maxScale);
    if (step != 1.0) {
        scale(step, step);
        if (step > 1.0) {
            scaleFactor *= zoomStep;
        } else {
            scaleFactor /= zoomStep;
        }
    }
    event->accept();
}

// The owner refits after a resize; the zoom count restarts either way.
void KvGraphicsView::resizeEvent(QResizeEvent* event) {
    scaleFactor = 1.0;
    QGraphicsView::resizeEvent(event);
}
