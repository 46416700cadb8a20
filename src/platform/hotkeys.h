// System-wide key combinations: registered under an id, reported when pressed anywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace velmor {

// The modifiers of a system hot key.
inline constexpr unsigned kModAlt = 1;
inline constexpr unsigned kModControl = 2;
inline constexpr unsigned kModShift = 4;
inline constexpr unsigned kModWin = 8;

class HotKeyService {
  public:
    virtual ~HotKeyService() = default;

    // Global hot keys can be had on this desktop at all (false without an X11 display).
    virtual bool available() const = 0;
    // Registers the key (a Windows virtual-key code) with the modifiers under id. False when the
    // combination is taken (by another program, or already registered here), the key has no
    // place on this keyboard, or there are no global hot keys here.
    virtual bool registerHotKey(int id, unsigned modifiers, std::uint8_t virtualKey) = 0;
    // Releases what id holds; false when it holds nothing.
    virtual bool unregisterHotKey(int id) = 0;

    // A registered combination was pressed; called on the user-interface thread.
    std::function<void(int id, unsigned modifiers, std::uint8_t virtualKey)> onHotKey;

    // Where the desktop, not the program, has the last word on the keys (a desktop portal), it
    // lists the program's hot keys to the user and lets them choose other keys.
    struct Purpose {
        std::string name;         // the program's own name for it, the same in every run
        std::string description;  // what it does, for the user
    };
    // What a combination is for; asked when the desktop is told of the registrations.
    std::function<Purpose(unsigned modifiers, std::uint8_t virtualKey)> purposeOf;
    // The keys the desktop gave the registrations, by id, as text for the user (empty: none);
    // a registration missing has none either. Reported as a whole after every change.
    std::function<void(const std::map<int, std::string>& triggers)> onTriggersChosen;
    // Global hot keys came or went here (a desktop service found missing or refusing later, or
    // back); called on the user-interface thread.
    std::function<void(bool available)> onAvailabilityChanged;
};

// Where there are no global hot keys (a Wayland session): nothing can be registered.
class NoHotKeys : public HotKeyService {
  public:
    bool available() const override { return false; }
    bool registerHotKey(int, unsigned, std::uint8_t) override { return false; }
    bool unregisterHotKey(int) override { return false; }
};

}  // namespace velmor
