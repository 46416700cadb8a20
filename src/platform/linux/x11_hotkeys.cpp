#include "platform/linux/x11_hotkeys.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>

namespace velmor {
namespace {

constexpr std::uint32_t kNumLockSym = 0xff7f;

std::uint16_t modifierMask(unsigned modifiers) {
    std::uint16_t m = 0;
    if (modifiers & kModShift) m |= XCB_MOD_MASK_SHIFT;
    if (modifiers & kModControl) m |= XCB_MOD_MASK_CONTROL;
    if (modifiers & kModAlt) m |= XCB_MOD_MASK_1;
    if (modifiers & kModWin) m |= XCB_MOD_MASK_4;
    return m;
}

}  // namespace

std::uint32_t keysymOfVirtualKey(std::uint8_t vk) {
    if (vk >= 'A' && vk <= 'Z') return vk - 'A' + 'a';
    if (vk >= '0' && vk <= '9') return vk;
    if (vk >= 112 && vk <= 135) return 0xffbe + (vk - 112);  // F1..F24
    if (vk >= 96 && vk <= 105) return 0xffb0 + (vk - 96);    // keypad digits
    switch (vk) {
        case 8:
            return 0xff08;  // BackSpace
        case 9:
            return 0xff09;  // Tab
        case 12:
            return 0xff0b;  // Clear
        case 13:
            return 0xff0d;  // Return
        case 19:
            return 0xff13;  // Pause
        case 20:
            return 0xffe5;  // Caps_Lock
        case 27:
            return 0xff1b;  // Escape
        case 32:
            return 0x20;  // space
        case 33:
            return 0xff55;  // Prior
        case 34:
            return 0xff56;  // Next
        case 35:
            return 0xff57;  // End
        case 36:
            return 0xff50;  // Home
        case 37:
            return 0xff51;  // Left
        case 38:
            return 0xff52;  // Up
        case 39:
            return 0xff53;  // Right
        case 40:
            return 0xff54;  // Down
        case 44:
            return 0xff61;  // Print
        case 45:
            return 0xff63;  // Insert
        case 46:
            return 0xffff;  // Delete
        case 47:
            return 0xff6a;  // Help
        case 93:
            return 0xff67;  // Menu
        case 106:
            return 0xffaa;  // KP_Multiply
        case 107:
            return 0xffab;  // KP_Add
        case 109:
            return 0xffad;  // KP_Subtract
        case 110:
            return 0xffae;  // KP_Decimal
        case 111:
            return 0xffaf;  // KP_Divide
        case 144:
            return kNumLockSym;
        case 145:
            return 0xff14;  // Scroll_Lock
        case 186:
            return ';';
        case 187:
            return '=';
        case 188:
            return ',';
        case 189:
            return '-';
        case 190:
            return '.';
        case 191:
            return '/';
        case 192:
            return '`';
        case 219:
            return '[';
        case 220:
            return '\\';
        case 221:
            return ']';
        case 222:
            return '\'';
        default:
            return 0;
    }
}

struct X11HotKeys::Connection {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_key_symbols_t* symbols = nullptr;
    std::uint16_t numLock = 0;

    ~Connection() {
        if (symbols) xcb_key_symbols_free(symbols);
        if (c) xcb_disconnect(c);
    }

    // The first keycode that carries the keysym; 0 when none does.
    std::uint8_t keycodeOf(std::uint32_t keysym) const {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        if (!codes) return 0;
        const std::uint8_t code = codes[0] == XCB_NO_SYMBOL ? 0 : codes[0];
        std::free(codes);
        return code;
    }

    // The modifier that Num Lock sets (usually Mod2).
    void findNumLock() {
        const std::uint8_t code = keycodeOf(kNumLockSym);
        if (code == 0) return;
        xcb_get_modifier_mapping_reply_t* map =
            xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
        if (!map) return;
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map);
        const int perModifier = map->keycodes_per_modifier;
        for (int m = 0; m < 8 && numLock == 0; ++m) {
            for (int k = 0; k < perModifier; ++k) {
                if (codes[m * perModifier + k] == code) {
                    numLock = static_cast<std::uint16_t>(1u << m);
                    break;
                }
            }
        }
        std::free(map);
    }
};

X11HotKeys::X11HotKeys(EventLoop& loop, const std::string& display)
    : loop_(loop), alive_(std::make_shared<std::atomic<bool>>(true)) {
    auto x = std::make_unique<Connection>();
    x->c = xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
    if (!x->c || xcb_connection_has_error(x->c)) return;
    const xcb_setup_t* setup = xcb_get_setup(x->c);
    const xcb_screen_iterator_t screen = xcb_setup_roots_iterator(setup);
    if (!screen.rem) return;
    x->root = screen.data->root;
    x->symbols = xcb_key_symbols_alloc(x->c);
    if (!x->symbols) return;
    x->findNumLock();
    if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    x_ = std::move(x);
    reader_ = std::thread([this] { readEvents(); });
}

X11HotKeys::~X11HotKeys() {
    *alive_ = false;
    if (reader_.joinable()) {
        const char c = 0;
        const ssize_t n = ::write(wakePipe_[1], &c, 1);
        static_cast<void>(n);
        reader_.join();
    }
    for (int fd : wakePipe_) {
        if (fd >= 0) ::close(fd);
    }
    // Closing the connection releases every grab it holds.
}

bool X11HotKeys::available() const {
    return x_ != nullptr;
}

bool X11HotKeys::registerHotKey(int id, unsigned modifiers, std::uint8_t virtualKey) {
    // A connection that broke (the X server went away) grabs nothing.
    if (!x_ || xcb_connection_has_error(x_->c)) return false;
    const std::uint32_t keysym = keysymOfVirtualKey(virtualKey);
    const std::uint8_t keycode = keysym ? x_->keycodeOf(keysym) : 0;
    if (keycode == 0) return false;
    const std::uint16_t mask = modifierMask(modifiers);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // The same keys registered twice: taken, as another program's would be.
        for (const Grab& g : grabs_) {
            if (g.id == id || (g.keycode == keycode && g.mask == mask)) return false;
        }
    }
    // Num Lock and Caps Lock change the state a press reports: the keys are grabbed with each.
    std::vector<std::uint16_t> variants{mask, static_cast<std::uint16_t>(mask | XCB_MOD_MASK_LOCK)};
    if (x_->numLock) {
        variants.push_back(static_cast<std::uint16_t>(mask | x_->numLock));
        variants.push_back(static_cast<std::uint16_t>(mask | x_->numLock | XCB_MOD_MASK_LOCK));
    }
    std::vector<xcb_void_cookie_t> cookies;
    for (std::uint16_t m : variants) {
        cookies.push_back(xcb_grab_key_checked(x_->c, 1, x_->root, m, keycode, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
    }
    bool taken = false;
    std::vector<std::uint16_t> held;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        if (xcb_generic_error_t* error = xcb_request_check(x_->c, cookies[i])) {
            // BadAccess: another client holds it (any other error fails the same way).
            taken = true;
            std::free(error);
        } else {
            held.push_back(variants[i]);
        }
    }
    if (taken) {
        for (std::uint16_t m : held)
            xcb_ungrab_key(x_->c, keycode, x_->root, m);
        xcb_flush(x_->c);
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    grabs_.push_back({id, keycode, mask, modifiers, virtualKey});
    return true;
}

bool X11HotKeys::unregisterHotKey(int id) {
    if (!x_) return false;
    Grab grab{};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it =
            std::find_if(grabs_.begin(), grabs_.end(), [id](const Grab& g) { return g.id == id; });
        if (it == grabs_.end()) return false;
        grab = *it;
        grabs_.erase(it);
    }
    const std::uint16_t lock = XCB_MOD_MASK_LOCK;
    const std::uint16_t num = x_->numLock;
    for (std::uint16_t extra : {std::uint16_t{0}, lock, num, std::uint16_t(num | lock)}) {
        xcb_ungrab_key(x_->c, grab.keycode, x_->root,
                       static_cast<std::uint16_t>(grab.mask | extra));
    }
    xcb_flush(x_->c);
    return true;
}

void X11HotKeys::readEvents() {
    const int fd = xcb_get_file_descriptor(x_->c);
    const std::uint16_t relevant =
        XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (fds[0].revents & (POLLERR | POLLHUP)) return;
        while (xcb_generic_event_t* event = xcb_poll_for_event(x_->c)) {
            if ((event->response_type & 0x7f) == XCB_KEY_PRESS) {
                const auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
                const std::uint16_t mask = press->state & relevant;
                std::lock_guard<std::mutex> lock(mutex_);
                for (const Grab& g : grabs_) {
                    if (g.keycode != press->detail || g.mask != mask) continue;
                    loop_.post(
                        [this, alive = alive_, id = g.id, m = g.modifiers, vk = g.virtualKey] {
                            if (*alive && onHotKey) onHotKey(id, m, vk);
                        });
                    break;
                }
            }
            std::free(event);
        }
        if (xcb_connection_has_error(x_->c)) return;
    }
}

}  // namespace velmor
