// Global hot keys on an X11 display: passive key grabs on the root window through a connection
// of their own, whose key presses are read on a thread and handed to the user-interface thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/event_loop.h"
#include "platform/hotkeys.h"

namespace velmor {

// The X keysym of a Windows virtual-key code (F1-F24, letters, digits, the keypad and the usual
// others); 0 for a code without one.
std::uint32_t keysymOfVirtualKey(std::uint8_t vk);

class X11HotKeys : public HotKeyService {
  public:
    // display: the X display name; empty: the DISPLAY of the environment. Without a display
    // the service is there but not available.
    X11HotKeys(EventLoop& loop, const std::string& display = {});
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    bool available() const override;
    bool registerHotKey(int id, unsigned modifiers, std::uint8_t virtualKey) override;
    bool unregisterHotKey(int id) override;

  private:
    struct Connection;
    struct Grab {
        int id;
        std::uint8_t keycode;
        std::uint16_t mask;
        unsigned modifiers;
        std::uint8_t virtualKey;
    };
    void readEvents();

    EventLoop& loop_;
    std::unique_ptr<Connection> x_;
    std::mutex mutex_;  // grabs_, read by the reader thread
    std::vector<Grab> grabs_;
    std::shared_ptr<std::atomic<bool>> alive_;
    int wakePipe_[2] = {-1, -1};
    std::thread reader_;
};

}  // namespace velmor
