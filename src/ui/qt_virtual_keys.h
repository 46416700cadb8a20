// Qt keys to the Windows virtual-key codes that key-combination values hold.
#pragma once

#include <QKeyEvent>
#include <cstdint>

namespace velmor {

// The virtual-key code of a Qt key (0 for none or a modifier key alone). Shifted characters of a
// US layout and the letters of a Russian layout give the code of their key ("!" gives "1", "Й"
// gives "Q"); keypad keys give the keypad codes when keypad is true.
std::uint8_t virtualKeyFromQt(int qtKey, bool keypad);

// The key-combination value of a key press: the key's code with the Shift, Ctrl and Alt bits.
// 0 when the key is a modifier alone or has no code.
std::uint16_t hotKeyFromEvent(const QKeyEvent& event);

}  // namespace velmor
