#include "ui/x11_taskbar.h"

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace velmor {
namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t a = reply->atom;
    std::free(reply);
    return a;
}

std::vector<xcb_atom_t> netWmState(xcb_connection_t* c, xcb_window_t w, xcb_atom_t state) {
    std::vector<xcb_atom_t> atoms;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, state, XCB_ATOM_ATOM, 0, 1024), nullptr);
    if (!reply) return atoms;
    if (reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        atoms.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return atoms;
}

xcb_window_t rootOf(xcb_connection_t* c) {
    const xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    return it.rem ? it.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

}  // namespace

void setTaskbarButton(QWidget* window, bool shown) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    const auto w = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    const xcb_atom_t skip = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE) return;
    if (window->isVisible()) {
        // A mapped window asks the window manager, which keeps the state.
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = w;
        event.type = state;
        event.data.data32[0] = shown ? 0 : 1;  // remove / add
        event.data.data32[1] = skip;
        event.data.data32[3] = 1;  // from an application
        xcb_send_event(c, 0, rootOf(c),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    } else {
        // An unmapped one carries the state into its next mapping.
        std::vector<xcb_atom_t> atoms = netWmState(c, w, state);
        std::erase(atoms, skip);
        if (!shown) atoms.push_back(skip);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, state, XCB_ATOM_ATOM, 32,
                            static_cast<std::uint32_t>(atoms.size()), atoms.data());
    }
    xcb_flush(c);
}

bool skipsTaskbar(QWidget* window) {
    xcb_connection_t* c = connection();
    if (!c || !window) return false;
    const xcb_atom_t skip = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    const std::vector<xcb_atom_t> atoms =
        netWmState(c, static_cast<xcb_window_t>(window->winId()), atom(c, "_NET_WM_STATE"));
    return std::find(atoms.begin(), atoms.end(), skip) != atoms.end();
}

}  // namespace velmor
