// Recording stand-ins for the desktop services: the notification area, the clipboard and the
// system's global hot keys.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/clipboard.h"
#include "platform/hotkeys.h"
#include "platform/tray.h"

namespace velmor::test {

// One icon's state and the balloon calls it received ("show|title|text|kind|ms", "hide").
struct FakeTrayIconState {
    bool visible = false;
    int storeIcon = -1;
    std::string file;
    std::string tip;
    int tipSets = 0;
    bool windowMenu = false;
    std::vector<TrayMenuItem> menu;
    std::vector<std::string> balloons;
    bool destroyed = false;
};

class FakeTray : public TrayService {
  public:
    class Icon : public TrayIconBackend {
      public:
        explicit Icon(std::shared_ptr<FakeTrayIconState> s) : s_(std::move(s)) {}
        ~Icon() override { s_->destroyed = true; }
        void setVisible(bool on) override { s_->visible = on; }
        void setStoreIcon(int index) override { s_->storeIcon = index; }
        void setFileIcon(const std::string& path) override { s_->file = path; }
        void setTip(const std::string& tip) override {
            s_->tip = tip;
            ++s_->tipSets;
        }
        void showBalloon(const std::string& title, const std::string& text, BalloonKind kind,
                         int timeoutMs) override {
            s_->balloons.push_back("show|" + title + "|" + text + "|" +
                                   std::to_string(static_cast<int>(kind)) + "|" +
                                   std::to_string(timeoutMs));
        }
        void hideBalloon() override { s_->balloons.push_back("hide"); }
        void useWindowMenu() override { s_->windowMenu = true; }
        void setMenu(std::vector<TrayMenuItem> items) override {
            s_->windowMenu = false;
            s_->menu = std::move(items);
        }
        void setMenuCaption(std::size_t index, const std::string& caption) override {
            if (index < s_->menu.size()) s_->menu[index].caption = caption;
        }
        // The icon's own menu opens.
        void openMenu() {
            if (onMenuOpening) onMenuOpening();
        }

      private:
        std::shared_ptr<FakeTrayIconState> s_;
    };

    bool available() const override { return present; }
    int doubleClickTime() const override { return 400; }
    std::unique_ptr<TrayIconBackend> createIcon() override {
        icons.push_back(std::make_shared<FakeTrayIconState>());
        auto icon = std::make_unique<Icon>(icons.back());
        backends.push_back(icon.get());
        return icon;
    }
    // The desktop's notification area comes or goes.
    void setPresent(bool on) {
        present = on;
        if (onAvailabilityChanged) onAvailabilityChanged(on);
    }
    // The mouse on the i-th icon created.
    void mouse(std::size_t i, TrayMouse what) { backends.at(i)->onMouse(what); }

    bool present = true;
    std::vector<std::shared_ptr<FakeTrayIconState>> icons;
    std::vector<TrayIconBackend*> backends;
};

class FakeClipboard : public Clipboard {
  public:
    bool setText(const std::string& t) override {
        if (!works) return false;
        text = t;
        return true;
    }
    bool works = true;
    std::string text = "(untouched)";
};

// The system's hot keys: one registration per combination; others may hold some already.
class FakeHotKeys : public HotKeyService {
  public:
    using Combination = std::pair<unsigned, std::uint8_t>;

    bool available() const override { return usable; }
    bool registerHotKey(int id, unsigned modifiers, std::uint8_t vk) override {
        const Combination c{modifiers, vk};
        if (!usable || takenElsewhere.count(c) || registered.count(id)) return false;
        for (const auto& [other, combination] : registered) {
            if (combination == c) return false;
        }
        registered[id] = c;
        log.push_back("register " + std::to_string(id));
        return true;
    }
    bool unregisterHotKey(int id) override {
        log.push_back("unregister " + std::to_string(id));
        return registered.erase(id) > 0;
    }
    // Global hot keys come or go here (a desktop service that answers late, or refuses).
    void setUsable(bool on) {
        usable = on;
        if (onAvailabilityChanged) onAvailabilityChanged(on);
    }
    // The user presses a combination anywhere on the desktop.
    void press(unsigned modifiers, std::uint8_t vk) {
        for (const auto& [id, combination] : registered) {
            if (combination == Combination{modifiers, vk} && onHotKey) {
                onHotKey(id, modifiers, vk);
                return;
            }
        }
    }
    bool holds(unsigned modifiers, std::uint8_t vk) const {
        for (const auto& [id, combination] : registered) {
            if (combination == Combination{modifiers, vk}) return true;
        }
        return false;
    }

    bool usable = true;
    std::set<Combination> takenElsewhere;
    std::map<int, Combination> registered;
    std::vector<std::string> log;
};

}  // namespace velmor::test
