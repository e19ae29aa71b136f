#include "platform/ui/X11WindowTraits.h"

#include <QGuiApplication>
#include <QHash>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace meterix {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t* connection() {
    // Looked up once per application: the cat's steps ask on every reshape.
    static const QGuiApplication* known = nullptr;
    static xcb_connection_t* c = nullptr;
    auto* app = qGuiApp;
    if (app == known) return c;
    known = app;
    c = nullptr;
    if (!app || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>()) c = x11->connection();
    return c;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QList<xcb_atom_t> atomList(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property) {
    QList<xcb_atom_t> atoms;
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_ATOM_ATOM, 0, 1024), nullptr));
    if (reply && reply->type == XCB_ATOM_ATOM && reply->format == 32) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        const int n = xcb_get_property_value_length(reply.get()) / int(sizeof(xcb_atom_t));
        for (int i = 0; i < n; ++i) atoms.append(data[i]);
    }
    return atoms;
}

} // namespace

bool X11WindowTraits::isAvailable() { return connection() != nullptr; }

bool X11WindowTraits::connectionBroken() {
    xcb_connection_t* c = connection();
    return c && xcb_connection_has_error(c) != 0;
}

void X11WindowTraits::applyFloatingTraits(QWindow* window) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    window->create();
    const auto w = xcb_window_t(window->winId());

    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    QList<xcb_atom_t> states = atomList(c, w, state);
    for (const char* name :
         {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_ABOVE"}) {
        const xcb_atom_t a = atom(c, name);
        if (a != XCB_ATOM_NONE && !states.contains(a)) states.append(a);
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, state, XCB_ATOM_ATOM, 32, uint32_t(states.size()),
                        states.constData());

    const uint32_t everywhere = allDesktops;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &everywhere);
    xcb_flush(c);
}

void X11WindowTraits::withoutExposures(QWindow* window, const std::function<void()>& change) {
    xcb_connection_t* c = connection();
    if (!c || !window || !window->handle()) {
        change();
        return;
    }
    const auto w = xcb_window_t(window->winId());
    // The events this client asked for on the window, read once (a round trip)
    // and kept: Qt sets them when it creates the window.
    static QHash<xcb_window_t, uint32_t> masks;
    auto it = masks.constFind(w);
    if (it == masks.constEnd()) {
        Reply<xcb_get_window_attributes_reply_t> reply(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
        if (!reply) {
            change();
            return;
        }
        it = masks.insert(w, reply->your_event_mask);
    }
    // The server works out exposures while it handles the change, from the
    // events asked for at that moment; the three requests go out in order.
    const uint32_t mask = *it;
    const uint32_t quiet = mask & ~uint32_t(XCB_EVENT_MASK_EXPOSURE);
    xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &quiet);
    change();
    xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &mask);
}

bool X11WindowTraits::compositorRunning() {
    xcb_connection_t* c = connection();
    if (!c) return false;
    // The manager of the default screen, the one DISPLAY names.
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screen)) screen = 0;
    std::free(host);
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    const xcb_atom_t selection = atom(c, name.constData());
    if (selection == XCB_ATOM_NONE) return false;
    Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return reply && reply->owner != XCB_WINDOW_NONE;
}

} // namespace meterix
