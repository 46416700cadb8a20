// Key combinations: the text of a value, the value of a text, and key presses to values.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "ui/hotkey_text.h"
#include "ui/qt_virtual_keys.h"

namespace velmor {
namespace {

TEST(HotKeyText, ShowsModifiersThenTheKey) {
    EXPECT_EQ(hotKeyText(121), "F10");
    EXPECT_EQ(hotKeyText(122), "F11");
    EXPECT_EQ(hotKeyText(16506), "Ctrl+F11");
    EXPECT_EQ(hotKeyText(0x2000 | 0x4000 | 0x8000 | 'Z'), "Ctrl+Alt+Shift+Z");
    EXPECT_EQ(hotKeyText(0x8000 | '7'), "Alt+7");
    EXPECT_EQ(hotKeyText(0x4000 | 103), "Ctrl+Num 7");
    EXPECT_EQ(hotKeyText(0x4000 | 107), "Ctrl+Num +");
    EXPECT_EQ(hotKeyText(0x4000 | 189), "Ctrl+-");
    EXPECT_EQ(hotKeyText(33), "PgUp");
    EXPECT_EQ(hotKeyText(135), "F24");
    EXPECT_EQ(hotKeyText(0), "");
    EXPECT_EQ(hotKeyText(0x4000), "Ctrl+");
    EXPECT_EQ(hotKeyText(7), "#7") << "a code without a name";
}

TEST(HotKeyText, ReadsTextsInAnyOrderAndCase) {
    EXPECT_EQ(parseHotKeyText("Ctrl+F11"), 16506);
    EXPECT_EQ(parseHotKeyText("  shift + ctrl +f11 "), 0x2000 | 16506);
    EXPECT_EQ(parseHotKeyText("alt+q"), 0x8000 | 'Q');
    EXPECT_EQ(parseHotKeyText("Ctrl+Num +"), 0x4000 | 107);
    EXPECT_EQ(parseHotKeyText("Ctrl++"), std::nullopt);
    EXPECT_EQ(parseHotKeyText(""), 0);
    EXPECT_EQ(parseHotKeyText("Ctrl+"), 0x4000);
    for (const char* bad : {"Ctrl", "F0", "F25", "F01", "Ctrl+Ctrl+A", "Hyper+A", "#0", "#256",
                            "AB", "Ctrl+A+B", "Num 10"})
        EXPECT_EQ(parseHotKeyText(bad), std::nullopt) << bad;

    // Every value a key field can hold reads back from its own text.
    for (unsigned modifiers : {0u, 0x2000u, 0x4000u, 0x8000u, 0xE000u}) {
        for (unsigned vk = 0; vk < 256; ++vk) {
            const auto value = static_cast<std::uint16_t>(modifiers | vk);
            EXPECT_EQ(parseHotKeyText(hotKeyText(value)), value) << hotKeyText(value);
        }
    }
}

TEST(HotKeyText, KeyPressesGiveTheVirtualKeyOfTheirKey) {
    const auto press = [](int key, Qt::KeyboardModifiers mods, const QString& text = {}) {
        return hotKeyFromEvent(QKeyEvent(QEvent::KeyPress, key, mods, text));
    };
    EXPECT_EQ(press(Qt::Key_F11, Qt::ControlModifier), 16506);
    EXPECT_EQ(press(Qt::Key_A, Qt::ShiftModifier | Qt::AltModifier), 0x2000 | 0x8000 | 'A');
    EXPECT_EQ(press(Qt::Key_Exclam, Qt::ShiftModifier), 0x2000 | '1') << "Shift+1 on a US layout";
    EXPECT_EQ(press(Qt::Key_5, Qt::KeypadModifier), 101);
    EXPECT_EQ(press(Qt::Key_Plus, Qt::KeypadModifier | Qt::ControlModifier), 0x4000 | 107);
    EXPECT_EQ(press(Qt::Key_Minus, Qt::NoModifier), 189);
    EXPECT_EQ(press(Qt::Key_Home, Qt::NoModifier), 36);
    // The letters of a Russian layout: the key at the same place.
    EXPECT_EQ(press(0x0419 /* Й */, Qt::ControlModifier), 0x4000 | 'Q');
    EXPECT_EQ(press(0x0436 /* ж */, Qt::NoModifier), 186);
    EXPECT_EQ(press(0x0401 /* Ё */, Qt::NoModifier), 192);
    // A modifier alone is no combination.
    EXPECT_EQ(press(Qt::Key_Control, Qt::ControlModifier), 0);
    EXPECT_EQ(press(Qt::Key_Shift, Qt::ShiftModifier), 0);
    EXPECT_EQ(press(Qt::Key_VolumeUp, Qt::NoModifier), 0) << "a key without a code";
}

}  // namespace
}  // namespace velmor
