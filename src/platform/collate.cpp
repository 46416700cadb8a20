#include "platform/collate.h"

#include <array>
#include <string>

#include "platform/codepage.h"

namespace velmor {
namespace {

struct Weight {
    int primary = 0;   // class * 1000 + position in the class
    int caseRank = 0;  // 0 lower case (or no case), 1 upper case
};

// The Cyrillic letters of Windows-1251 in alphabet order, each as upper and lower byte. The
// Russian alphabet with the letters of the neighbouring alphabets placed after their nearest
// Russian letter.
constexpr std::array<std::array<unsigned char, 2>, 47> kCyrillic = {{
    {0xC0, 0xE0}, {0xC1, 0xE1}, {0xC2, 0xE2}, {0xC3, 0xE3}, {0xA5, 0xB4},  // А Б В Г Ґ
    {0x81, 0x83}, {0xC4, 0xE4}, {0x80, 0x90}, {0xC5, 0xE5}, {0xA8, 0xB8},  // Ѓ Д Ђ Е Ё
    {0xAA, 0xBA}, {0xC6, 0xE6}, {0xC7, 0xE7}, {0xBD, 0xBE}, {0xC8, 0xE8},  // Є Ж З Ѕ И
    {0xB2, 0xB3}, {0xAF, 0xBF}, {0xC9, 0xE9}, {0xA3, 0xBC}, {0xCA, 0xEA},  // І Ї Й Ј К
    {0x8D, 0x9D}, {0xCB, 0xEB}, {0x8A, 0x9A}, {0xCC, 0xEC}, {0xCD, 0xED},  // Ќ Л Љ М Н
    {0x8C, 0x9C}, {0xCE, 0xEE}, {0xCF, 0xEF}, {0xD0, 0xF0}, {0xD1, 0xF1},  // Њ О П Р С
    {0xD2, 0xF2}, {0x8E, 0x9E}, {0xD3, 0xF3}, {0xA1, 0xA2}, {0xD4, 0xF4},  // Т Ћ У Ў Ф
    {0xD5, 0xF5}, {0xD6, 0xF6}, {0xD7, 0xF7}, {0x8F, 0x9F}, {0xD8, 0xF8},  // Х Ц Ч Џ Ш
    {0xD9, 0xF9}, {0xDA, 0xFA}, {0xDB, 0xFB}, {0xDC, 0xFC}, {0xDD, 0xFD},  // Щ Ъ Ы Ь Э
    {0xDE, 0xFE}, {0xDF, 0xFF},                                            // Ю Я
}};

std::array<Weight, 256> buildTable() {
    std::array<Weight, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[static_cast<std::size_t>(b)] = {b, 0};  // blanks, punctuation and symbols first
    for (int d = '0'; d <= '9'; ++d)
        t[static_cast<std::size_t>(d)] = {1000 + d, 0};
    for (int k = 0; k < 26; ++k) {
        t[static_cast<std::size_t>('A' + k)] = {2000 + k, 1};
        t[static_cast<std::size_t>('a' + k)] = {2000 + k, 0};
    }
    for (std::size_t k = 0; k < kCyrillic.size(); ++k) {
        const int w = 3000 + static_cast<int>(k);
        t[kCyrillic[k][0]] = {w, 1};
        t[kCyrillic[k][1]] = {w, 0};
    }
    return t;
}

const std::array<Weight, 256>& table() {
    static const std::array<Weight, 256> t = buildTable();
    return t;
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

}  // namespace

int compareNames(std::string_view a, std::string_view b) {
    const std::string x = utf8ToCp1251(a);
    const std::string y = utf8ToCp1251(b);
    const auto& t = table();
    const std::size_t n = std::min(x.size(), y.size());
    int caseOrder = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Weight& wx = t[static_cast<unsigned char>(x[i])];
        const Weight& wy = t[static_cast<unsigned char>(y[i])];
        if (wx.primary != wy.primary) return sign(wx.primary - wy.primary);
        if (caseOrder == 0) caseOrder = sign(wx.caseRank - wy.caseRank);
    }
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    if (caseOrder != 0) return caseOrder;
    // Texts that differ only where Windows-1251 has no character still get a fixed order.
    return sign(a.compare(b));
}

}  // namespace velmor
