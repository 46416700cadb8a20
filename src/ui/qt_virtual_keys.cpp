#include "ui/qt_virtual_keys.h"

#include <QString>

#include "ui/hotkey_text.h"

namespace velmor {
namespace {

// The Latin key at the place of each Russian letter on the standard keyboard.
constexpr char16_t kRussianLetters[] = u"ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ";
constexpr char kLatinKeys[] = "QWERTYUIOP[]ASDFGHJKL;'ZXCVBNM,.`";

std::uint8_t punctuation(char c) {
    switch (c) {
        case ';':
            return 186;
        case '=':
            return 187;
        case ',':
            return 188;
        case '-':
            return 189;
        case '.':
            return 190;
        case '/':
            return 191;
        case '`':
            return 192;
        case '[':
            return 219;
        case '\\':
            return 220;
        case ']':
            return 221;
        case '\'':
            return 222;
        default:
            return 0;
    }
}

std::uint8_t fromLatinKey(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<std::uint8_t>(c);
    return punctuation(c);
}

std::uint8_t keypadKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::uint8_t>(96 + key - Qt::Key_0);
    switch (key) {
        case Qt::Key_Asterisk:
            return 106;
        case Qt::Key_Plus:
            return 107;
        case Qt::Key_Minus:
            return 109;
        case Qt::Key_Period:
        case Qt::Key_Comma:
        case Qt::Key_Delete:
            return 110;
        case Qt::Key_Slash:
            return 111;
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Insert:
            return 96;
        case Qt::Key_End:
            return 97;
        case Qt::Key_Down:
            return 98;
        case Qt::Key_PageDown:
            return 99;
        case Qt::Key_Left:
            return 100;
        case Qt::Key_Clear:
            return 101;
        case Qt::Key_Right:
            return 102;
        case Qt::Key_Home:
            return 103;
        case Qt::Key_Up:
            return 104;
        case Qt::Key_PageUp:
            return 105;
        default:
            return 0;
    }
}

}  // namespace

std::uint8_t virtualKeyFromQt(int key, bool keypad) {
    if (keypad) {
        if (const std::uint8_t vk = keypadKey(key)) return vk;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<std::uint8_t>(112 + key - Qt::Key_F1);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::uint8_t>(key);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint8_t>(key);
    switch (key) {
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 9;
        case Qt::Key_Clear:
            return 12;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Pause:
            return 19;
        case Qt::Key_CapsLock:
            return 20;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Print:
            return 44;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return 46;
        case Qt::Key_Help:
            return 47;
        case Qt::Key_Menu:
            return 93;
        case Qt::Key_NumLock:
            return 144;
        case Qt::Key_ScrollLock:
            return 145;
        // The shifted characters of a US layout: the key that carries them.
        case Qt::Key_Exclam:
            return '1';
        case Qt::Key_At:
            return '2';
        case Qt::Key_NumberSign:
            return '3';
        case Qt::Key_Dollar:
            return '4';
        case Qt::Key_Percent:
            return '5';
        case Qt::Key_AsciiCircum:
            return '6';
        case Qt::Key_Ampersand:
            return '7';
        case Qt::Key_Asterisk:
            return '8';
        case Qt::Key_ParenLeft:
            return '9';
        case Qt::Key_ParenRight:
            return '0';
        case Qt::Key_Underscore:
            return 189;
        case Qt::Key_Plus:
            return 187;
        case Qt::Key_BraceLeft:
            return 219;
        case Qt::Key_BraceRight:
            return 221;
        case Qt::Key_Bar:
            return 220;
        case Qt::Key_Colon:
            return 186;
        case Qt::Key_QuoteDbl:
            return 222;
        case Qt::Key_Less:
            return 188;
        case Qt::Key_Greater:
            return 190;
        case Qt::Key_Question:
            return 191;
        case Qt::Key_AsciiTilde:
            return 192;
        default:
            break;
    }
    if (key > 0 && key < 0x80) return punctuation(static_cast<char>(key));
    // A Russian layout reports its letters as their upper-case characters (Qt's special keys
    // lie above the character range).
    if (key <= 0 || key > 0xFFFF) return 0;
    const char32_t upper = QChar::toUpper(static_cast<char32_t>(key));
    for (std::size_t i = 0; kRussianLetters[i] != 0; ++i) {
        if (upper == kRussianLetters[i]) return fromLatinKey(kLatinKeys[i]);
    }
    return 0;
}

std::uint16_t hotKeyFromEvent(const QKeyEvent& event) {
    const std::uint8_t vk =
        virtualKeyFromQt(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
    if (vk == 0) return 0;
    std::uint16_t value = vk;
    const Qt::KeyboardModifiers m = event.modifiers();
    if (m.testFlag(Qt::ShiftModifier)) value |= kHotKeyShift;
    if (m.testFlag(Qt::ControlModifier)) value |= kHotKeyCtrl;
    if (m.testFlag(Qt::AltModifier)) value |= kHotKeyAlt;
    return value;
}

}  // namespace velmor
