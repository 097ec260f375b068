#include "framework/QFramelessHelper.h"

#include <QApplication>
#include <QHoverEvent>
#include <QMetaEnum>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QtDebug>

#include "framework/QDrawShadowHelper.h"
#include "framework/windowTranslucency.h"

#ifdef Q_OS_WIN
#include <windows.h>

#include <uxtheme.h>
#include <windowsx.h>

#include <cstdlib>

static_assert(HitClient == HTCLIENT && HitCaption == HTCAPTION && HitTopLeft == HTTOPLEFT &&
                  HitBottomRight == HTBOTTOMRIGHT,
              "hit-test codes must be the Windows ones");
#endif

namespace {

constexpr int drawnShadowWidth = 10;
// The drawn shadow takes the outer part of the resize zones.
constexpr int shadowZoneExtra = 5;

bool hidesShadow(Qt::WindowStates state) {
    return state == Qt::WindowMaximized || state == Qt::WindowFullScreen;
}

#ifdef Q_OS_WIN
using ExtendFrameFn = HRESULT(WINAPI*)(HWND, const MARGINS*);

// dwmapi.dll is missing on some Windows editions; the window then simply has no DWM shadow.
void extendFrameIntoClientArea(HWND hwnd) {
    HMODULE dwm = LoadLibraryA("dwmapi.dll");
    if (!dwm) {
        return;
    }
    // Cast through void (*)(): GetProcAddress gives a pointer of the wrong function type.
    auto extend = reinterpret_cast<ExtendFrameFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(dwm, "DwmExtendFrameIntoClientArea")));
    if (extend) {
        const MARGINS margins = {1, 1, 1, 1};
        extend(hwnd, &margins);
    }
}
#endif

}  // namespace

QFramelessHelper::QFramelessHelper(QWidget* widget, bool resizable, bool shadow, bool nativeFrame,
                                   QObject* parent)
    : QObject(parent),
      widget(widget),
      resizable(resizable),
      shadowEnabled(shadow),
      resizeAllowed(resizable),
      edgePressed(edgeZoneCount, false),
      edgeRects(edgeZoneCount, QRect(0, 0, 0, 0)) {
#ifdef Q_OS_WIN
    this->nativeFrame = nativeFrame;
#else
    Q_UNUSED(nativeFrame)
#endif
    if (this->nativeFrame) {
        QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings, true);
        QApplication::setAttribute(Qt::AA_NativeWindows, false);
    }
    logWidgetKind();
    widget->setWindowFlags(widget->windowFlags() | Qt::FramelessWindowHint |
                           Qt::WindowMinimizeButtonHint);
    widget->installEventFilter(this);
    if (this->nativeFrame) {
        setUpNativeFrame();
    } else {
        setUpPortableMode();
    }
}

void QFramelessHelper::logWidgetKind() const {
    const char* kind = "QWidget: ";
    if (widget->inherits("QMainWindow")) {
        kind = "QMainWindow: ";
    } else if (widget->inherits("QDialog")) {
        kind = "QDialog: ";
    }
    const QMetaEnum windowType = QMetaEnum::fromType<Qt::WindowType>();
    qDebug().noquote() << kind + windowType.valueToKeys(static_cast<int>(widget->windowFlags()));
}

void QFramelessHelper::setUpNativeFrame() {
#ifdef Q_OS_WIN
    widget->setAttribute(Qt::WA_DontCreateNativeAncestors);
    const HWND hwnd = reinterpret_cast<HWND>(widget->winId());
    const LONG frameStyles = WS_CAPTION | WS_THICKFRAME | (resizable ? WS_MAXIMIZEBOX : 0);
    SetWindowLongA(hwnd, GWL_STYLE, GetWindowLongA(hwnd, GWL_STYLE) | frameStyles);
    if (shadowEnabled) {
        extendFrameIntoClientArea(hwnd);
    }
#endif
}

void QFramelessHelper::setUpPortableMode() {
    widget->setAttribute(Qt::WA_Hover);
    shadowEnabled = shadowEnabled && windowSystemShowsTranslucency();
    if (shadowEnabled) {
        shadowHelper = new QDrawShadowHelper(widget, drawnShadowWidth, this);
        borderWidth += shadowZoneExtra;
    }
}

void QFramelessHelper::setTitleBar(QWidget* titleBar) {
    this->titleBar = titleBar;
    titleBar->installEventFilter(this);
}

bool QFramelessHelper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget) {
        switch (event->type()) {
            case QEvent::WindowStateChange:
                handleWindowStateChange();
                break;
            case QEvent::Show:
                widget->setAttribute(Qt::WA_Mapped);
                updateShadowVisibility();
                break;
            default:
                handleWidgetEvent(event);
                break;
        }
    } else if (watched == titleBar) {
        handleTitleBarEvent(event);
    }
    return false;
}

// Windows handles the double click on its caption itself in native mode.
void QFramelessHelper::handleTitleBarEvent(QEvent* event) {
    if (!resizable || nativeFrame) {
        return;
    }
    if (event->type() == QEvent::MouseButtonDblClick ||
        event->type() == QEvent::NonClientAreaMouseButtonDblClick) {
        switchMaximizedNormal();
    }
}

void QFramelessHelper::handleWindowStateChange() {
    movable = widget->windowState() == Qt::WindowNoState;
    resizeAllowed = movable;
    updateShadowVisibility();
    emit maximizedChanged(!movable);
}

void QFramelessHelper::updateShadowVisibility() {
    if (!shadowHelper) {
        return;
    }
    if (hidesShadow(widget->windowState())) {
        shadowHelper->hide();
    } else {
        shadowHelper->show();
    }
}

void QFramelessHelper::handleWidgetEvent(QEvent* event) {
    if (nativeFrame) {
        return;
    }
    switch (event->type()) {
        case QEvent::Resize:
            qDebug() << event;
            edgeRects = edgeZoneRects(widget->size(), borderWidth);
            break;
        case QEvent::HoverMove:
            handleHoverMove(static_cast<QHoverEvent*>(event));
            break;
        case QEvent::MouseButtonPress:
            handleMousePress(static_cast<QMouseEvent*>(event));
            break;
        case QEvent::MouseMove:
            handleMouseMove(static_cast<QMouseEvent*>(event));
            break;
        case QEvent::MouseButtonRelease:
            handleMouseRelease();
            break;
        default:
            break;
    }
}

void QFramelessHelper::handleHoverMove(QHoverEvent* event) {
    if (resizable && resizeAllowed) {
        widget->setCursor(edgeZoneCursor(edgeZoneAt(edgeRects, event->pos())));
    }
}

// A window that cannot be resized has no zones to press, so its whole title bar drags.
void QFramelessHelper::handleMousePress(QMouseEvent* event) {
    pressGlobalPos = event->globalPos();
    pressGeometry = widget->frameGeometry();
    const int zone = resizable ? edgeZoneAt(edgeRects, event->pos()) : noEdgeZone;
    if (zone != noEdgeZone) {
        edgePressed[zone] = true;
        return;
    }
    if (titleBar && titleBarRect().contains(event->pos())) {
        dragging = true;
    }
}

void QFramelessHelper::handleMouseMove(QMouseEvent* event) {
    const QPoint delta = event->globalPos() - pressGlobalPos;
    // Drags go to the window system at the first move rather than at the press: clicks and
    // double clicks still reach the window, and a click released before the window system
    // takes over cannot leave it dragging.
    if (movable && dragging) {
        // Not after a drag-out: the window system would start from where the restored window
        // is yet to be placed, and the grabbed point would slip from under the pointer.
        if (!draggedOut && startSystemMove(event)) {
            dragging = false;
            return;
        }
        widget->move(pressGeometry.topLeft() + delta);
    }
    if ((edgePressed[TopZone] || dragging) && widget->windowState() == Qt::WindowMaximized) {
        dragOutOfMaximized(event);
    }
    if (resizable && resizeAllowed) {
        resizeBy(event, delta);
    }
}

// The window system applies the restore later, so the restored size comes from the normal
// geometry Qt kept, and it is set together with the position: a plain move would send the
// maximised size along.
void QFramelessHelper::dragOutOfMaximized(QMouseEvent* event) {
    const QPoint grab = widget->mapFromGlobal(pressGlobalPos);
    const int maximisedWidth = widget->width();
    const QSize restoredSize = widget->normalGeometry().size();
    switchMaximizedNormal();
    const int shadowWidth = shadowHelper ? shadowHelper->getShadowWidth() : 0;
    const QScreen* screen = QGuiApplication::screenAt(event->globalPos());
    const QRect screenArea = (screen ? screen : widget->screen())->availableGeometry();
    const QPoint topLeft = dragOutPosition(event->globalPos(), grab, maximisedWidth,
                                           restoredSize.width(), shadowWidth, screenArea);
    pressGlobalPos = event->globalPos();
    pressGeometry = QRect(topLeft, restoredSize);
    widget->setGeometry(pressGeometry);
    dragging = true;
    draggedOut = true;
    edgePressed[TopZone] = false;
}

void QFramelessHelper::resizeBy(QMouseEvent* event, const QPoint& delta) {
    const int zone = pressedZone();
    if (zone == noEdgeZone) {
        return;
    }
    if (startSystemResize(event, zone)) {
        edgePressed.fill(false);
        return;
    }
    if (const auto geometry = resizedGeometry(pressGeometry, zone, delta, widget->minimumSize())) {
        widget->setGeometry(*geometry);
    }
}

void QFramelessHelper::handleMouseRelease() {
    widget->setCursor(Qt::ArrowCursor);
    dragging = false;
    draggedOut = false;
    edgePressed.fill(false);
}

// The window system needs the button it takes over to be the left one.
bool QFramelessHelper::startSystemMove(QMouseEvent* event) {
    QWindow* window = widget->windowHandle();
    return window && (event->buttons() & Qt::LeftButton) && window->startSystemMove();
}

bool QFramelessHelper::startSystemResize(QMouseEvent* event, int zone) {
    QWindow* window = widget->windowHandle();
    return window && (event->buttons() & Qt::LeftButton) &&
           window->startSystemResize(edgeZoneEdges(zone));
}

int QFramelessHelper::pressedZone() const {
    return edgePressed.indexOf(true);
}

QRect QFramelessHelper::titleBarRect() const {
    return QRect(titleBar->mapTo(widget, QPoint(0, 0)), titleBar->size());
}

TitleBarArea QFramelessHelper::titleBarArea() const {
    TitleBarArea area;
    if (!titleBar) {
        return area;
    }
    area.present = true;
    area.size = titleBar->size();
    area.rectInWindow = titleBarRect();
    for (QObject* object : titleBar->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isWindow() && !child->isHidden() &&
            !child->testAttribute(Qt::WA_TransparentForMouseEvents)) {
            area.childRects.append(child->geometry());
        }
    }
    return area;
}

int QFramelessHelper::hitTest(const QPoint& pos) const {
    return nativeHitTest(pos, widget->size(), borderWidth, resizable, titleBarArea());
}

bool QFramelessHelper::handleNativeEvent(const QByteArray& eventType, void* message, long* result) {
    if (!nativeFrame || eventType != "windows_generic_MSG") {
        return false;
    }
#ifdef Q_OS_WIN
    const MSG* msg = static_cast<const MSG*>(message);
    switch (msg->message) {
        case WM_NCCALCSIZE:
            *result = 0;
            return true;
        case WM_NCHITTEST:
            *result = hitTest(widget->mapFromGlobal(
                QPoint(GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam))));
            return true;
        case WM_GETMINMAXINFO:
            // A maximised window reaches past the screen by its invisible frame; the margins
            // keep the content on screen.
            if (IsZoomed(msg->hwnd)) {
                RECT frame = {0, 0, 0, 0};
                AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
                widget->setContentsMargins(std::abs(frame.left), std::abs(frame.bottom),
                                           frame.right, frame.bottom);
            } else {
                widget->setContentsMargins(0, 0, 0, 0);
            }
            return false;
        case WM_POWERBROADCAST:
            if (msg->wParam == PBT_APMSUSPEND) {
                widget->showMinimized();
            }
            return false;
        default:
            return false;
    }
#else
    Q_UNUSED(message)
    Q_UNUSED(result)
    return false;
#endif
}

void QFramelessHelper::paintShadow() {
    QPainter painter(widget);
    painter.save();
    if (shadowHelper) {
        shadowHelper->drawShadow(&painter);
    }
    painter.restore();
}

void QFramelessHelper::showMinimized() {
    if (widget) {
        widget->showMinimized();
    }
}

void QFramelessHelper::showMaximized() {
    if (widget) {
        widget->showMaximized();
    }
}

void QFramelessHelper::showNormal() {
    if (widget) {
        widget->showNormal();
    }
}

void QFramelessHelper::switchMaximizedNormal() {
    if (widget->isMaximized()) {
        showNormal();
        emit maximizedChanged(false);
    } else {
        showMaximized();
        emit maximizedChanged(true);
    }
}
