#include "platform/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace velmor {
namespace {

// Code points of the bytes 0x80..0xFF. 0x98 has no character in Windows-1251; it maps to the C1
// control U+0098 so that the byte still survives a round trip.
constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

// Decodes one code point; returns false (and consumes one byte) for an invalid sequence.
bool decodeUtf8(std::string_view s, std::size_t& i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    }
    int len = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    } else {
        ++i;
        return false;
    }
    if (i + len > s.size()) {
        ++i;
        return false;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    const bool overlong = (len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) ||
                          (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
                          (cp >= 0xD800 && cp <= 0xDFFF);
    if (overlong) {
        ++i;
        return false;
    }
    i += len;
    return true;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Byte of a code point, or -1 when Windows-1251 has none.
int byteOf(char32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(cp - 0x0410 + 0xC0);
    for (std::size_t k = 0; k < kHigh.size(); ++k) {
        if (kHigh[k] == cp) return static_cast<int>(0x80 + k);
    }
    return -1;
}

// The length of the run of ASCII bytes at the start.
std::size_t asciiPrefix(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80)
        ++i;
    return i;
}

constexpr char kMark = '\x98';

// Characters that the settings file keeps as a mark.
bool marked(char32_t cp) {
    if (cp == 0x98) return true;
    return cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF) && byteOf(cp) < 0;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The code point of the mark whose hexadecimal digits start s, and the length of digits and ";";
// 0 when s does not continue a mark as the writer makes them (1 to 6 digits without a leading
// zero, of a character it marks). Letter case does not count, so that names folded to capitals
// stay marks.
std::size_t markBody(std::string_view s, char32_t& cp) {
    cp = 0;
    std::size_t n = 0;
    while (n < s.size() && n < 7 && hexValue(s[n]) >= 0) {
        cp = cp * 16 + static_cast<char32_t>(hexValue(s[n]));
        ++n;
    }
    if (n == 0 || n > 6 || s[0] == '0' || n >= s.size() || s[n] != ';' || !marked(cp)) return 0;
    return n + 1;
}

void appendMark(std::string& out, char32_t cp) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%X;", static_cast<unsigned>(cp));
    out += kMark;
    out += buf;
}

// The letters Windows-1251 holds in capitals; other characters as they are, and bytes that are no
// UTF-8 above every character.
std::u32string folded(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t cp = 0;
        if (!decodeUtf8(utf8, i, cp)) {
            out += static_cast<char32_t>(0x110000 + lead);
            continue;
        }
        const int b = byteOf(cp);
        if (b < 0) {
            out += cp;
            continue;
        }
        std::string upper(1, static_cast<char>(b));
        cp1251UpperInPlace(upper);
        const auto u = static_cast<unsigned char>(upper[0]);
        out += u < 0x80 ? static_cast<char32_t>(u) : static_cast<char32_t>(kHigh[u - 0x80]);
    }
    return out;
}

}  // namespace

std::string utf8ToCp1251Marked(std::string_view utf8) {
    std::size_t i = asciiPrefix(utf8);
    std::string out(utf8.substr(0, i));
    if (i == utf8.size()) return out;
    out.reserve(utf8.size() + 8);
    while (i < utf8.size()) {
        char32_t cp = 0;
        if (!decodeUtf8(utf8, i, cp)) {
            out += '?';
            continue;
        }
        if (cp == 0x98) {
            char32_t next = 0;
            if (markBody(utf8.substr(i), next) != 0) {
                appendMark(out, cp);
            } else {
                out += kMark;
            }
            continue;
        }
        const int b = byteOf(cp);
        if (b < 0) {
            appendMark(out, cp);
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

std::string cp1251MarkedToUtf8(std::string_view bytes, std::size_t maxChars) {
    const std::size_t ascii = asciiPrefix(bytes);
    if (ascii == bytes.size() || ascii >= maxChars) {
        return std::string(bytes.substr(0, std::min(ascii, maxChars)));
    }
    std::string out(bytes.substr(0, ascii));
    out.reserve(ascii + (bytes.size() - ascii) * 3);
    std::size_t chars = ascii;
    for (std::size_t i = ascii; i < bytes.size() && chars < maxChars; ++chars) {
        const auto b = static_cast<unsigned char>(bytes[i++]);
        char32_t cp = 0;
        const std::size_t body = b == 0x98 ? markBody(bytes.substr(i), cp) : 0;
        if (body != 0) {
            i += body;
            appendUtf8(out, cp);
        } else if (b < 0x80) {
            out += static_cast<char>(b);
        } else {
            appendUtf8(out, kHigh[b - 0x80]);
        }
    }
    return out;
}

std::string utf8ToCp1251(std::string_view utf8) {
    std::size_t i = asciiPrefix(utf8);
    std::string out(utf8.substr(0, i));
    if (i == utf8.size()) return out;
    out.reserve(utf8.size());
    while (i < utf8.size()) {
        char32_t cp = 0;
        if (!decodeUtf8(utf8, i, cp)) {
            out += '?';
            continue;
        }
        const int b = byteOf(cp);
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

std::string cp1251ToUtf8(std::string_view bytes) {
    const std::size_t ascii = asciiPrefix(bytes);
    std::string out(bytes.substr(0, ascii));
    if (ascii == bytes.size()) return out;
    out.reserve(ascii + (bytes.size() - ascii) * 3);
    for (const char c : bytes.substr(ascii)) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            appendUtf8(out, kHigh[b - 0x80]);
        }
    }
    return out;
}

bool isUtf8(std::string_view text) {
    std::size_t i = 0;
    char32_t cp = 0;
    while (i < text.size()) {
        if (!decodeUtf8(text, i, cp)) return false;
    }
    return true;
}

bool fitsCp1251(std::string_view utf8) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        if (!decodeUtf8(utf8, i, cp) || byteOf(cp) < 0) return false;
    }
    return true;
}

std::size_t utf8Length(std::string_view utf8) {
    std::size_t n = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        decodeUtf8(utf8, i, cp);
        ++n;
    }
    return n;
}

std::string cp1251Upper(std::string_view bytes) {
    std::string out(bytes);
    cp1251UpperInPlace(out);
    return out;
}

void cp1251UpperInPlace(std::string& bytes) {
    for (char& c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 'a' && b <= 'z') {
            c = static_cast<char>(b - 32);
        } else if (b >= 0xE0) {
            c = static_cast<char>(b - 32);
        } else if (b == 0xB8) {  // ё
            c = static_cast<char>(0xA8);
        }
    }
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && a == b) return true;
    return folded(a) == folded(b);
}

}  // namespace velmor
