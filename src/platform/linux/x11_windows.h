// Top-level windows of an X11 display through xcb: listed by title, shown, hidden, asked to close.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/processes.h"

struct xcb_connection_t;

namespace velmor {

class X11WindowService : public WindowService {
  public:
    // display: an X display name; empty: $DISPLAY. Nothing is connected until first used.
    explicit X11WindowService(std::string display = {});
    ~X11WindowService() override;
    X11WindowService(const X11WindowService&) = delete;
    X11WindowService& operator=(const X11WindowService&) = delete;

    bool available() override;
    bool seesAllWindows() override;
    std::vector<WindowInfo> topLevelWindows() override;
    bool visible(WindowId window) override;
    void show(WindowId window) override;
    void hide(WindowId window) override;
    void close(WindowId window) override;
    // On a connection and a thread of its own: new top-level windows through the root window's
    // structure events, titles through the property events of every window that may be one.
    bool watchTitle(const std::string& title, std::function<void()> seen) override;

  private:
    struct Atoms;
    class TitleWatch;
    bool connect();
    void disconnect();

    std::string display_;
    xcb_connection_t* c_ = nullptr;
    std::uint32_t root_ = 0;
    Atoms* atoms_ = nullptr;
    std::chrono::steady_clock::time_point lastTry_{};
    bool tried_ = false;
    std::unique_ptr<TitleWatch> watch_;
};

}  // namespace velmor
