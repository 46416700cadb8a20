#include "desktop/hot_key_desktop.h"

namespace velmor {
namespace {

struct BindingOf {
    const char* name;
    CheckBox HotKeysPage::*check;
    HotKeyEdit HotKeysPage::*field;
    Label HotKeysPage::*trigger;
};
constexpr BindingOf kBindings[] = {
    {"HotDial", &HotKeysPage::DialCheck, &HotKeysPage::HotDial, &HotKeysPage::DialTrigger},
    {"HotMin", &HotKeysPage::MinCheck, &HotKeysPage::HotMin, &HotKeysPage::MinTrigger},
    {"HotLock", &HotKeysPage::LockCheck, &HotKeysPage::HotLock, &HotKeysPage::LockTrigger},
};

bool holds(const HotKeysPage& page, const BindingOf& b, std::uint32_t value) {
    // The fields hold 16-bit values, as the registry compares them.
    return (page.*b.check).checked && (page.*b.field).hotKey == static_cast<std::uint16_t>(value);
}

}  // namespace

HotKeyService::Purpose hotKeyPurpose(const HotKeysPage& page, std::uint32_t value) {
    for (const BindingOf& b : kBindings) {
        if (holds(page, b, value)) return {b.name, (page.*b.check).caption};
    }
    return {};
}

void showDesktopTriggers(HotKeysPage& page, const THotKeys& keys,
                         const std::map<int, std::string>& triggers) {
    for (const BindingOf& b : kBindings) {
        Label& label = page.*b.trigger;
        label.visible = false;
        for (const THotKeys::Registration& r : keys.registrations()) {
            if (!holds(page, b, r.value)) continue;
            const auto it = triggers.find(r.id);
            label.visible = true;
            label.caption = it == triggers.end() || it->second.empty()
                                ? "Рабочий стол не назначил клавиш"
                                : "Рабочий стол назначил: " + it->second;
        }
    }
}

}  // namespace velmor
