#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QRect>

class QPainter;
class QWidget;

// Paints a soft drop shadow in the border band of a translucent frameless window, as a
// nine-patch stretched from a small tile made once.
class QDrawShadowHelper : public QObject {
    Q_OBJECT

public:
    QDrawShadowHelper(QWidget* widget, int shadowWidth, QObject* parent);

    int getShadowWidth() const { return shadowWidth; }

    // Called from the window's paintEvent. GUI thread only.
    void drawShadow(QPainter* painter);

public slots:
    void hide();
    void show();

private:
    void setContentMargins(int margin);

    int shadowWidth = 0;
    QImage shadowImage;
    QRect sourceRects[9];
    QColor backgroundColor;
    QWidget* widget = nullptr;
    bool shadowVisible = true;
};
