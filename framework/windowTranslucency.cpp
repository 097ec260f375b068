#include "framework/windowTranslucency.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QLibrary>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>
#include <cstdint>
#include <cstdlib>

namespace {

// The few libxcb entry points and reply layouts that the compositor query needs. libxcb is
// resolved at run time (Qt's xcb platform has already loaded it), so the build gains no X11
// dependency; the layouts are fixed by the X protocol.
struct XcbConnection;
struct XcbCookie {
    unsigned int sequence;
};
struct XcbAtomReply {
    uint8_t responseType;
    uint8_t pad;
    uint16_t sequence;
    uint32_t length;
    uint32_t atom;
};
struct XcbOwnerReply {
    uint8_t responseType;
    uint8_t pad;
    uint16_t sequence;
    uint32_t length;
    uint32_t owner;
};

using ConnectFn = XcbConnection* (*)(const char*, int*);
using HasErrorFn = int (*)(XcbConnection*);
using DisconnectFn = void (*)(XcbConnection*);
using InternAtomFn = XcbCookie (*)(XcbConnection*, uint8_t, uint16_t, const char*);
using InternAtomReplyFn = XcbAtomReply* (*)(XcbConnection*, XcbCookie, void**);
using SelectionOwnerFn = XcbCookie (*)(XcbConnection*, uint32_t);
using SelectionOwnerReplyFn = XcbOwnerReply* (*)(XcbConnection*, XcbCookie, void**);

struct Xcb {
    ConnectFn connect = nullptr;
    HasErrorFn hasError = nullptr;
    DisconnectFn disconnect = nullptr;
    InternAtomFn internAtom = nullptr;
    InternAtomReplyFn internAtomReply = nullptr;
    SelectionOwnerFn selectionOwner = nullptr;
    SelectionOwnerReplyFn selectionOwnerReply = nullptr;

    bool load() {
        QLibrary library("xcb", 1);
        connect = reinterpret_cast<ConnectFn>(library.resolve("xcb_connect"));
        hasError = reinterpret_cast<HasErrorFn>(library.resolve("xcb_connection_has_error"));
        disconnect = reinterpret_cast<DisconnectFn>(library.resolve("xcb_disconnect"));
        internAtom = reinterpret_cast<InternAtomFn>(library.resolve("xcb_intern_atom"));
        internAtomReply =
            reinterpret_cast<InternAtomReplyFn>(library.resolve("xcb_intern_atom_reply"));
        selectionOwner =
            reinterpret_cast<SelectionOwnerFn>(library.resolve("xcb_get_selection_owner"));
        selectionOwnerReply = reinterpret_cast<SelectionOwnerReplyFn>(
            library.resolve("xcb_get_selection_owner_reply"));
        return connect && hasError && disconnect && internAtom && internAtomReply &&
               selectionOwner && selectionOwnerReply;
    }
};

// A compositing manager owns the selection _NET_WM_CM_S<screen> while it runs.
bool compositorOwnsSelection(const Xcb& xcb, XcbConnection* connection, int screen) {
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    void* error = nullptr;
    XcbAtomReply* atom = xcb.internAtomReply(
        connection, xcb.internAtom(connection, 0, static_cast<uint16_t>(name.size()), name.data()),
        &error);
    std::free(error);
    if (!atom) {
        return false;
    }
    XcbOwnerReply* owner =
        xcb.selectionOwnerReply(connection, xcb.selectionOwner(connection, atom->atom), &error);
    std::free(error);
    const bool owned = owner && owner->owner != 0;
    std::free(owner);
    std::free(atom);
    return owned;
}

bool x11CompositorRunning() {
    Xcb xcb;
    if (!xcb.load()) {
        return false;
    }
    int screen = 0;
    XcbConnection* connection = xcb.connect(nullptr, &screen);
    const bool running =
        !xcb.hasError(connection) && compositorOwnsSelection(xcb, connection, screen);
    xcb.disconnect(connection);
    return running;
}

}  // namespace

bool windowSystemShowsTranslucency() {
    return QGuiApplication::platformName() != QLatin1String("xcb") || x11CompositorRunning();
}

void clipToRoundedRect(QWidget* window, int radius) {
    QPainterPath path;
    path.addRoundedRect(window->rect(), radius, radius);
    window->setMask(QRegion(path.toFillPolygon().toPolygon()));
}
