#include "platform/linux/x11_windows.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace velmor {
namespace {

// A connection that failed is tried again after this long.
constexpr std::chrono::seconds kRetry(5);
// Window-manager frames put the client window one or two levels below the root's child.
constexpr int kFrameDepth = 2;
constexpr std::uint32_t kTitleLongs = 1024;

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <class T>
Reply<T> own(T* p) {
    return Reply<T>(p, &std::free);
}

std::string latin1ToUtf8(const char* p, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        const auto ch = static_cast<unsigned char>(p[i]);
        if (ch < 0x80) {
            out += static_cast<char>(ch);
        } else {
            out += static_cast<char>(0xC0 | ch >> 6);
            out += static_cast<char>(0x80 | (ch & 0x3F));
        }
    }
    return out;
}

}  // namespace

struct X11WindowService::Atoms {
    xcb_atom_t wmState = XCB_NONE, netWmName = XCB_NONE, utf8String = XCB_NONE,
               wmProtocols = XCB_NONE, wmDeleteWindow = XCB_NONE;
};

X11WindowService::X11WindowService(std::string display) : display_(std::move(display)) {
    if (display_.empty()) {
        const char* env = std::getenv("DISPLAY");
        if (env) display_ = env;
    }
}

X11WindowService::~X11WindowService() {
    disconnect();
}

void X11WindowService::disconnect() {
    if (c_) xcb_disconnect(c_);
    c_ = nullptr;
    delete atoms_;
    atoms_ = nullptr;
}

bool X11WindowService::connect() {
    if (c_ && !xcb_connection_has_error(c_)) {
        // Errors of requests without a reply (a window that went away) queue up as events.
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_))
            std::free(e);
        return true;
    }
    disconnect();
    if (display_.empty()) return false;
    const auto now = std::chrono::steady_clock::now();
    if (tried_ && now - lastTry_ < kRetry) return false;
    tried_ = true;
    lastTry_ = now;
    int screenNumber = 0;
    c_ = xcb_connect(display_.c_str(), &screenNumber);
    if (xcb_connection_has_error(c_)) {
        disconnect();
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c_));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        disconnect();
        return false;
    }
    root_ = it.data->root;
    atoms_ = new Atoms;
    const char* names[] = {"WM_STATE", "_NET_WM_NAME", "UTF8_STRING", "WM_PROTOCOLS",
                           "WM_DELETE_WINDOW"};
    xcb_atom_t* slots[] = {&atoms_->wmState, &atoms_->netWmName, &atoms_->utf8String,
                           &atoms_->wmProtocols, &atoms_->wmDeleteWindow};
    xcb_intern_atom_cookie_t cookies[5];
    for (int i = 0; i < 5; ++i)
        cookies[i] =
            xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
    for (int i = 0; i < 5; ++i) {
        if (auto r = own(xcb_intern_atom_reply(c_, cookies[i], nullptr))) *slots[i] = r->atom;
    }
    return true;
}

bool X11WindowService::available() {
    return connect();
}

std::vector<WindowInfo> X11WindowService::topLevelWindows() {
    std::vector<WindowInfo> out;
    if (!connect()) return out;

    // What one window tells about itself. All requests of one level go out before the first
    // reply is read, so a listing costs a few round trips however many windows there are.
    struct Node {
        xcb_window_t window = 0;
        bool client = false;  // has WM_STATE: a window of a program, not a frame
        std::string title;
        std::vector<xcb_window_t> children;  // bottom first
        std::vector<Node> below;
    };
    auto inspect = [&](const std::vector<xcb_window_t>& windows, bool wantChildren) {
        struct Cookies {
            xcb_get_property_cookie_t state, netName, name;
            xcb_query_tree_cookie_t tree;
        };
        std::vector<Cookies> cookies;
        for (xcb_window_t w : windows) {
            Cookies k{};
            k.state = xcb_get_property(c_, 0, w, atoms_->wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 2);
            k.netName =
                xcb_get_property(c_, 0, w, atoms_->netWmName, atoms_->utf8String, 0, kTitleLongs);
            k.name = xcb_get_property(c_, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                      kTitleLongs);
            if (wantChildren) k.tree = xcb_query_tree(c_, w);
            cookies.push_back(k);
        }
        std::vector<Node> nodes;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            Node n;
            n.window = windows[i];
            if (auto r = own(xcb_get_property_reply(c_, cookies[i].state, nullptr)))
                n.client = r->type != XCB_NONE;
            auto net = own(xcb_get_property_reply(c_, cookies[i].netName, nullptr));
            auto plain = own(xcb_get_property_reply(c_, cookies[i].name, nullptr));
            if (net && net->type == atoms_->utf8String && net->format == 8 &&
                xcb_get_property_value_length(net.get()) > 0) {
                n.title.assign(static_cast<const char*>(xcb_get_property_value(net.get())),
                               static_cast<std::size_t>(xcb_get_property_value_length(net.get())));
            } else if (plain && plain->format == 8) {
                const auto* p = static_cast<const char*>(xcb_get_property_value(plain.get()));
                const int len = xcb_get_property_value_length(plain.get());
                n.title = plain->type == atoms_->utf8String
                              ? std::string(p, static_cast<std::size_t>(len))
                              : latin1ToUtf8(p, len);
            }
            if (wantChildren) {
                if (auto t = own(xcb_query_tree_reply(c_, cookies[i].tree, nullptr))) {
                    const xcb_window_t* kids = xcb_query_tree_children(t.get());
                    n.children.assign(kids, kids + xcb_query_tree_children_length(t.get()));
                }
            }
            nodes.push_back(std::move(n));
        }
        return nodes;
    };

    auto rootTree = own(xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr));
    if (!rootTree) return out;
    const xcb_window_t* kids = xcb_query_tree_children(rootTree.get());
    // The stacking order is bottom first; the system's order is topmost first.
    std::vector<xcb_window_t> top(kids, kids + xcb_query_tree_children_length(rootTree.get()));
    std::vector<Node> roots = inspect({top.rbegin(), top.rend()}, true);

    // Below every top-level window that is not itself a client, look for the client in its frame.
    std::vector<Node*> level;
    for (Node& n : roots) {
        if (!n.client) level.push_back(&n);
    }
    for (int depth = 1; depth <= kFrameDepth && !level.empty(); ++depth) {
        std::vector<xcb_window_t> windows;
        for (Node* n : level)
            windows.insert(windows.end(), n->children.rbegin(), n->children.rend());
        std::vector<Node> found = inspect(windows, depth < kFrameDepth);
        std::size_t at = 0;
        std::vector<Node*> next;
        for (Node* n : level) {
            for (std::size_t i = 0; i < n->children.size(); ++i)
                n->below.push_back(std::move(found[at++]));
        }
        for (Node* n : level) {
            for (Node& b : n->below) {
                if (!b.client) next.push_back(&b);
            }
        }
        level = std::move(next);
    }

    // A client found in a frame stands for the frame; a top-level window with a title and no
    // client below it (no window manager, or a withdrawn window) stands for itself.
    auto clients = [](auto& self, const Node& n, std::vector<WindowInfo>& into) -> void {
        for (const Node& b : n.below) {
            if (b.client) {
                into.push_back({b.window, b.title});
            } else {
                self(self, b, into);
            }
        }
    };
    for (const Node& n : roots) {
        if (n.client) {
            out.push_back({n.window, n.title});
            continue;
        }
        const std::size_t before = out.size();
        clients(clients, n, out);
        if (out.size() == before && !n.title.empty()) out.push_back({n.window, n.title});
    }
    return out;
}

bool X11WindowService::visible(WindowId window) {
    if (!window || !connect()) return false;
    auto r =
        own(xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window), nullptr));
    return r && r->map_state == XCB_MAP_STATE_VIEWABLE;
}

void X11WindowService::show(WindowId window) {
    if (!window || !connect()) return;
    xcb_map_window(c_, window);
    xcb_flush(c_);
}

void X11WindowService::hide(WindowId window) {
    if (!window || !connect()) return;
    xcb_unmap_window(c_, window);
    // The synthetic unmap tells a window manager that the window is withdrawn, not iconified.
    xcb_unmap_notify_event_t ev{};
    ev.response_type = XCB_UNMAP_NOTIFY;
    ev.event = root_;
    ev.window = window;
    ev.from_configure = 0;
    xcb_send_event(c_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(c_);
}

void X11WindowService::close(WindowId window) {
    if (!window || !connect()) return;
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = atoms_->wmProtocols;
    ev.data.data32[0] = atoms_->wmDeleteWindow;
    ev.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c_, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ev));
    xcb_flush(c_);
}

}  // namespace velmor
