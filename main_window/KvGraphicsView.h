#pragma once

#include <QGraphicsView>
#include <QPixmap>
#include <QStringList>

// Factor to scale the view by for one wheel step, or 1.0 when the bound stops it. The bound is
// tested before the step, so zooming in may overshoot maxScale by one step.
double wheelZoomStep(int angleDelta, double scaleFactor, double minScale, double maxScale);

// The frame view: wheel zoom around the mouse, drag to pan, double click to fit. It can show an
// overlay of text lines in the frame's top left corner, above the zoom.
class KvGraphicsView : public QGraphicsView {
    Q_OBJECT

public:
    static constexpr double zoomStep = 1.1;

    explicit KvGraphicsView(QWidget* parent = nullptr);

    // Shows the whole item, keeping its aspect ratio, and restarts the zoom count.
    void fitItem(const QGraphicsItem* item);
    // One wheel step in or out, within the same bounds; around the mouse when it is over the
    // view, else around the centre.
    void zoom(bool in);
    // What a double click does.
    void fitScene();

    // No lines: no overlay.
    void setOverlay(const QStringList& lines);
    const QStringList& overlay() const { return overlayText; }

private:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void scrollContentsBy(int dx, int dy) override;

    QRect overlayRect() const;

    double scaleFactor = 1.0;
    double minScale = 1.0;
    double maxScale = 50.0;
    QStringList overlayText;
    // Rendered once per change of text; every frame only draws the picture.
    QPixmap overlayPicture;
};
