#pragma once

#include <QGraphicsView>

// Factor to scale the view by for one wheel step, or 1.0 when the bound stops it. The bound is
// tested before the step, so zooming in may overshoot maxScale by one step.
double wheelZoomStep(int angleDelta, double scaleFactor, double minScale, double maxScale);

// The frame view: wheel zoom around the mouse, drag to pan, double click to fit.
class KvGraphicsView : public QGraphicsView {
    Q_OBJECT

public:
    static constexpr double zoomStep = 1.1;

    explicit KvGraphicsView(QWidget* parent = nullptr);

    // Shows the whole item, keeping its aspect ratio, and restarts the zoom count.
    void fitItem(const QGraphicsItem* item);

private:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    double scaleFactor = 1.0;
    double minScale = 1.0;
    double maxScale = 50.0;
};
