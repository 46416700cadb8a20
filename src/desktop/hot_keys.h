// The registry of global key combinations: a combination value is registered under an id made
// from its name, and a press of a registered combination is reported with its value.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/hotkeys.h"

namespace velmor {

// Modifier bits of a combination value above its virtual-key byte.
inline constexpr std::uint32_t kValueShift = 0x2000;
inline constexpr std::uint32_t kValueCtrl = 0x4000;
inline constexpr std::uint32_t kValueAlt = 0x8000;
inline constexpr std::uint32_t kValueWin = 0x10000;

// The system modifiers (kMod...) of a value, and the value of modifiers and a key.
unsigned systemModifiers(std::uint32_t value);
std::uint32_t hotKeyValue(unsigned modifiers, std::uint8_t virtualKey);

class THotKeys {
  public:
    struct Registration {
        std::uint32_t value;
        std::uint16_t id;
    };

    THotKeys() = default;
    ~THotKeys();  // releases every registration
    THotKeys(const THotKeys&) = delete;
    THotKeys& operator=(const THotKeys&) = delete;

    // The system's hot keys; without them nothing can be registered.
    void setService(HotKeyService* service);
    HotKeyService* service() const { return service_; }

    // Registers the combination under the id of the name "VelmorHotKey" + value: the id, or 0
    // when the combination cannot be registered (taken, or registered already).
    std::uint16_t AddHotKey(std::uint32_t value);
    // Releases the first registration of the value: whether the system released it; false when
    // the value was not registered.
    bool RemoveHotKey(std::uint32_t value);
    // Releases every registration, the last first.
    void ClearHotKeys();

    const std::vector<Registration>& registrations() const { return list_; }
    bool isRegistered(std::uint32_t value) const;

    // A registered combination was pressed.
    std::function<void(std::uint32_t value, std::uint16_t id)> OnHotKeyPressed;

  private:
    // Ids of names, counted per use as global atoms are.
    std::uint16_t addAtom(const std::string& name);
    void deleteAtom(std::uint16_t id);
    void pressed(int id, unsigned modifiers, std::uint8_t virtualKey);

    struct Atom {
        std::uint16_t id;
        int uses;
    };
    HotKeyService* service_ = nullptr;
    std::vector<Registration> list_;
    std::map<std::string, Atom> atoms_;
    std::uint16_t nextAtom_ = 0xC000;
};

// One action's binding to a combination (dial, minimize, lock): what it holds registered now.
class HotKeyBinding {
  public:
    // Puts the binding's switch and combination in force: the combination it held is released
    // when the binding is off or has another one now, before the new one is registered (a
    // combination that cannot be had leaves it holding none).
    void apply(THotKeys& keys, bool on, std::uint32_t value);
    bool holds() const { return held_.has_value(); }

  private:
    std::optional<std::uint32_t> held_;
};

}  // namespace velmor
