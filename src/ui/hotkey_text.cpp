#include "ui/hotkey_text.h"

#include <array>
#include <cctype>
#include <charconv>

namespace velmor {
namespace {

struct NamedKey {
    std::uint8_t vk;
    const char* name;
};

// Keys whose name is not simply a letter, a digit or F1 to F24.
constexpr std::array kNamedKeys{
    NamedKey{8, "Backspace"},    NamedKey{9, "Tab"},     NamedKey{12, "Clear"},
    NamedKey{13, "Enter"},       NamedKey{19, "Pause"},  NamedKey{20, "CapsLock"},
    NamedKey{27, "Esc"},         NamedKey{32, "Space"},  NamedKey{33, "PgUp"},
    NamedKey{34, "PgDown"},      NamedKey{35, "End"},    NamedKey{36, "Home"},
    NamedKey{37, "Left"},        NamedKey{38, "Up"},     NamedKey{39, "Right"},
    NamedKey{40, "Down"},        NamedKey{44, "Print"},  NamedKey{45, "Ins"},
    NamedKey{46, "Del"},         NamedKey{47, "Help"},   NamedKey{93, "Menu"},
    NamedKey{106, "Num *"},      NamedKey{107, "Num +"}, NamedKey{109, "Num -"},
    NamedKey{110, "Num ."},      NamedKey{111, "Num /"}, NamedKey{144, "NumLock"},
    NamedKey{145, "ScrollLock"}, NamedKey{186, ";"},     NamedKey{187, "="},
    NamedKey{188, ","},          NamedKey{189, "-"},     NamedKey{190, "."},
    NamedKey{191, "/"},          NamedKey{192, "`"},     NamedKey{219, "["},
    NamedKey{220, "\\"},         NamedKey{221, "]"},     NamedKey{222, "'"},
};

struct Modifier {
    std::uint16_t bit;
    const char* name;
};
constexpr std::array kModifiers{Modifier{kHotKeyCtrl, "Ctrl"}, Modifier{kHotKeyAlt, "Alt"},
                                Modifier{kHotKeyShift, "Shift"}};

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::optional<int> decimal(std::string_view s) {
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

}  // namespace

std::string virtualKeyName(std::uint8_t vk) {
    if (vk == 0) return {};
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, char(vk));
    if (vk >= 96 && vk <= 105) return "Num " + std::to_string(vk - 96);
    if (vk >= 112 && vk <= 135) return "F" + std::to_string(vk - 111);
    for (const NamedKey& k : kNamedKeys) {
        if (k.vk == vk) return k.name;
    }
    return "#" + std::to_string(vk);
}

std::optional<std::uint8_t> virtualKeyFromName(std::string_view name) {
    if (name.size() == 1) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return static_cast<std::uint8_t>(c);
    }
    for (const NamedKey& k : kNamedKeys) {
        if (equalNoCase(name, k.name)) return k.vk;
    }
    if (name.size() == 5 && equalNoCase(name.substr(0, 4), "Num ") && name[4] >= '0' &&
        name[4] <= '9')
        return static_cast<std::uint8_t>(96 + (name[4] - '0'));
    if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
        const auto n = decimal(name.substr(1));
        if (n && *n >= 1 && *n <= 24 && name[1] != '0') return static_cast<std::uint8_t>(111 + *n);
    }
    if (name.size() >= 2 && name[0] == '#' && name[1] != '0') {
        const auto n = decimal(name.substr(1));
        if (n && *n >= 1 && *n <= 255) return static_cast<std::uint8_t>(*n);
    }
    return std::nullopt;
}

std::string hotKeyText(std::uint16_t value) {
    std::string text;
    for (const Modifier& m : kModifiers) {
        if (value & m.bit) text += std::string(m.name) + "+";
    }
    return text + virtualKeyName(static_cast<std::uint8_t>(value & 0xFF));
}

std::optional<std::uint16_t> parseHotKeyText(std::string_view text) {
    std::uint16_t value = 0;
    std::string_view rest = trim(text);
    for (;;) {
        bool found = false;
        for (const Modifier& m : kModifiers) {
            const std::string_view name = m.name;
            if (rest.size() <= name.size() || !equalNoCase(rest.substr(0, name.size()), name))
                continue;
            const std::string_view after = trim(rest.substr(name.size()));
            if (after.empty() || after.front() != '+') continue;
            if (value & m.bit) return std::nullopt;  // the same modifier twice
            value |= m.bit;
            rest = trim(after.substr(1));
            found = true;
            break;
        }
        if (!found) break;
    }
    if (rest.empty()) return value;
    const auto vk = virtualKeyFromName(rest);
    if (!vk) return std::nullopt;
    return static_cast<std::uint16_t>(value | *vk);
}

}  // namespace velmor
