#include "platform/linux/x11_windows.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "platform/desktop_session.h"

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

// The two properties a title is read from: _NET_WM_NAME in UTF-8, else WM_NAME.
void askTitle(xcb_connection_t* c, xcb_window_t w, xcb_atom_t netWmName, xcb_atom_t utf8,
              xcb_get_property_cookie_t& net, xcb_get_property_cookie_t& plain) {
    net = xcb_get_property(c, 0, w, netWmName, utf8, 0, kTitleLongs);
    plain = xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, kTitleLongs);
}

// The title a window shows: its _NET_WM_NAME, else its WM_NAME (Latin-1 unless typed UTF-8).
std::string readTitle(xcb_connection_t* c, xcb_get_property_cookie_t netCookie,
                      xcb_get_property_cookie_t plainCookie, xcb_atom_t utf8) {
    auto net = own(xcb_get_property_reply(c, netCookie, nullptr));
    auto plain = own(xcb_get_property_reply(c, plainCookie, nullptr));
    if (net && net->type == utf8 && net->format == 8 &&
        xcb_get_property_value_length(net.get()) > 0) {
        return std::string(static_cast<const char*>(xcb_get_property_value(net.get())),
                           static_cast<std::size_t>(xcb_get_property_value_length(net.get())));
    }
    if (plain && plain->format == 8) {
        const auto* p = static_cast<const char*>(xcb_get_property_value(plain.get()));
        const int len = xcb_get_property_value_length(plain.get());
        return plain->type == utf8 ? std::string(p, static_cast<std::size_t>(len))
                                   : latin1ToUtf8(p, len);
    }
    return {};
}

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    auto r = own(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : XCB_NONE;
}

}  // namespace

// The watch for a title: a connection whose events are read on a thread until the watch ends.
class X11WindowService::TitleWatch {
  public:
    TitleWatch(xcb_connection_t* c, xcb_window_t root, std::string title,
               std::function<void()> seen)
        : c_(c), root_(root), title_(std::move(title)), seen_(std::move(seen)) {
        if (stop_.read >= 0) thread_ = std::thread([this] { run(); });
    }
    ~TitleWatch() {
        if (thread_.joinable()) {
            const char byte = 0;
            const ssize_t n = ::write(stop_.write, &byte, 1);
            static_cast<void>(n);
            thread_.join();
        }
        xcb_disconnect(c_);
    }
    TitleWatch(const TitleWatch&) = delete;
    TitleWatch& operator=(const TitleWatch&) = delete;

    bool running() const { return thread_.joinable(); }

  private:
    struct Pipe {
        Pipe() {
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
                read = fds[0];
                write = fds[1];
            }
        }
        ~Pipe() {
            if (read >= 0) ::close(read);
            if (write >= 0) ::close(write);
        }
        int read = -1, write = -1;
    };

    void run() {
        netWmName_ = internAtom(c_, "_NET_WM_NAME");
        utf8_ = internAtom(c_, "UTF8_STRING");
        wmState_ = internAtom(c_, "WM_STATE");
        // New top-level windows are told before their first title can be set.
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        // The windows there now, frames and the clients in them.
        std::vector<xcb_window_t> level{root_};
        for (int depth = 0; depth <= kFrameDepth && !level.empty(); ++depth) {
            std::vector<xcb_query_tree_cookie_t> trees;
            for (xcb_window_t w : level)
                trees.push_back(xcb_query_tree(c_, w));
            std::vector<xcb_window_t> children;
            for (xcb_query_tree_cookie_t t : trees) {
                if (auto r = own(xcb_query_tree_reply(c_, t, nullptr))) {
                    const xcb_window_t* kids = xcb_query_tree_children(r.get());
                    children.insert(children.end(), kids,
                                    kids + xcb_query_tree_children_length(r.get()));
                }
            }
            follow(children);
            level = std::move(children);
        }
        const int fd = xcb_get_file_descriptor(c_);
        for (;;) {
            // Replies read meanwhile may have queued events: all are taken before sleeping.
            std::vector<xcb_window_t> created, retitled;
            while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
                const auto type = e->response_type & 0x7f;
                if (type == XCB_CREATE_NOTIFY) {
                    const auto* ev = reinterpret_cast<xcb_create_notify_event_t*>(e);
                    if (ev->parent == root_) created.push_back(ev->window);
                } else if (type == XCB_PROPERTY_NOTIFY) {
                    const auto* ev = reinterpret_cast<xcb_property_notify_event_t*>(e);
                    // A title, or the window manager having taken the window on: a window
                    // seen while it was being put into its frame is listed only from then.
                    if (ev->state == XCB_PROPERTY_NEW_VALUE &&
                        (ev->atom == XCB_ATOM_WM_NAME || ev->atom == netWmName_ ||
                         ev->atom == wmState_))
                        retitled.push_back(ev->window);
                }
                std::free(e);  // errors too: a window that went away before it was looked at
            }
            if (xcb_connection_has_error(c_)) return;
            if (!created.empty() || !retitled.empty()) {
                follow(created);
                check(retitled);
                continue;
            }
            pollfd fds[2] = {{fd, POLLIN, 0}, {stop_.read, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
            if (fds[1].revents) return;
        }
    }

    // Asks for the title changes of the windows, then looks at their titles now: a title set in
    // between is either read here or told by an event.
    void follow(const std::vector<xcb_window_t>& windows) {
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        for (xcb_window_t w : windows)
            xcb_change_window_attributes(c_, w, XCB_CW_EVENT_MASK, &mask);
        check(windows);
    }

    void check(const std::vector<xcb_window_t>& windows) {
        std::vector<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> cookies;
        for (xcb_window_t w : windows) {
            cookies.emplace_back();
            askTitle(c_, w, netWmName_, utf8_, cookies.back().first, cookies.back().second);
        }
        bool found = false;
        for (const auto& [net, plain] : cookies)
            found = readTitle(c_, net, plain, utf8_) == title_ || found;
        if (found) seen_();
    }

    xcb_connection_t* c_;
    xcb_window_t root_;
    std::string title_;
    std::function<void()> seen_;
    xcb_atom_t netWmName_ = XCB_NONE, utf8_ = XCB_NONE, wmState_ = XCB_NONE;
    Pipe stop_;
    std::thread thread_;
};

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
    watch_.reset();
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

bool X11WindowService::seesAllWindows() {
    return !waylandSession();
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
            askTitle(c_, w, atoms_->netWmName, atoms_->utf8String, k.netName, k.name);
            if (wantChildren) k.tree = xcb_query_tree(c_, w);
            cookies.push_back(k);
        }
        std::vector<Node> nodes;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            Node n;
            n.window = windows[i];
            if (auto r = own(xcb_get_property_reply(c_, cookies[i].state, nullptr)))
                n.client = r->type != XCB_NONE;
            n.title = readTitle(c_, cookies[i].netName, cookies[i].name, atoms_->utf8String);
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

bool X11WindowService::watchTitle(const std::string& title, std::function<void()> seen) {
    watch_.reset();
    if (!seen || display_.empty()) return false;
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display_.c_str(), &screenNumber);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        return false;
    }
    watch_ = std::make_unique<TitleWatch>(c, it.data->root, title, std::move(seen));
    if (!watch_->running()) watch_.reset();
    return watch_ != nullptr;
}

}  // namespace velmor
