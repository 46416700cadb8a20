// Key combinations as the hot-key fields show them ("Ctrl+F11") and back; Qt-free.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmor {

// Modifier bits of a key-combination value; the low byte is the Windows virtual-key code.
inline constexpr std::uint16_t kHotKeyShift = 0x2000;
inline constexpr std::uint16_t kHotKeyCtrl = 0x4000;
inline constexpr std::uint16_t kHotKeyAlt = 0x8000;

// The name of a virtual-key code ("F11", "A", "Num 5", "PgUp"); "#" and the decimal code for a
// code without a name; empty for 0.
std::string virtualKeyName(std::uint8_t vk);
// The code of a key name (letters in either case); empty when the name is unknown.
std::optional<std::uint8_t> virtualKeyFromName(std::string_view name);

// "Ctrl+Alt+Shift+F11": the modifiers in that order, then the key name. Empty for 0; a value
// with modifiers but no key shows the modifiers alone ("Ctrl+").
std::string hotKeyText(std::uint16_t value);
// The value of such a text: modifiers in any order and letter case, blanks allowed around "+",
// the key name last (none: the modifiers alone). An empty text is 0. Empty when the text is not
// such a combination.
std::optional<std::uint16_t> parseHotKeyText(std::string_view text);

}  // namespace velmor
