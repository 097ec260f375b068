#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QVector>

#include "framework/framelessGeometry.h"

class QDrawShadowHelper;
class QHoverEvent;
class QMouseEvent;
class QWidget;

// Gives a frameless top-level widget back what the system frame gave: title-bar drag, edge and
// corner resizing, maximise and restore, and a drop shadow.
//
// Native mode answers the Windows non-client messages and lets Windows do the rest; it exists
// only on Windows, elsewhere a native-mode request falls back to portable mode. Portable mode
// moves and resizes the window from its own mouse events, but first offers each drag to the
// window system (startSystemMove / startSystemResize), which on Wayland is the only way to
// move a window and on X11 brings snapping; when the window system refuses, the geometry path
// does the work. The drawn shadow needs a translucent window, so where translucency shows
// black (X11 without a compositing manager) the window gets no shadow band.
class QFramelessHelper : public QObject {
    Q_OBJECT

public:
    QFramelessHelper(QWidget* widget, bool resizable, bool shadow, bool nativeFrame,
                     QObject* parent);

    // Called once after the window's form is built. GUI thread only.
    void setTitleBar(QWidget* titleBar);
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool handleNativeEvent(const QByteArray& eventType, void* message, long* result);
    // Called from the window's paintEvent. GUI thread only.
    void paintShadow();
    // The answer to WM_NCHITTEST for a point in widget coordinates. GUI thread only.
    int hitTest(const QPoint& pos) const;

signals:
    void maximizedChanged(bool max);

public slots:
    void showMinimized();
    void showMaximized();
    void showNormal();
    void switchMaximizedNormal();

private:
    void setUpNativeFrame();
    void setUpPortableMode();
    void logWidgetKind() const;
    void handleTitleBarEvent(QEvent* event);
    void handleWidgetEvent(QEvent* event);
    void handleWindowStateChange();
    void updateShadowVisibility();
    void handleHoverMove(QHoverEvent* event);
    void handleMousePress(QMouseEvent* event);
    void handleMouseMove(QMouseEvent* event);
    void handleMouseRelease();
    void dragOutOfMaximized(QMouseEvent* event);
    void resizeBy(QMouseEvent* event, const QPoint& delta);
    bool startSystemMove(QMouseEvent* event);
    bool startSystemResize(QMouseEvent* event, int zone);
    int pressedZone() const;
    QRect titleBarRect() const;
    TitleBarArea titleBarArea() const;

    QWidget* widget = nullptr;
    int borderWidth = 8;
    bool movable = true;
    bool resizable = false;
    bool shadowEnabled = false;
    bool resizeAllowed = false;
    QWidget* titleBar = nullptr;
    bool dragging = false;
    bool draggedOut = false;  // this drag restored the window from maximised
    QPoint pressGlobalPos;
    QRect pressGeometry = QRect(0, 0, 0, 0);
    QVector<bool> edgePressed;
    QVector<QRect> edgeRects;
    bool nativeFrame = false;
    QDrawShadowHelper* shadowHelper = nullptr;
};
