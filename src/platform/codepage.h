// Conversion between the program's UTF-8 text and the Windows-1251 bytes of its files and cipher
// keys.
#pragma once

#include <string>
#include <string_view>

namespace velmor {

// Every one of the 256 bytes maps to one character and back, so bytes that are not text (a secret
// deciphered under a wrong key) survive a round trip unchanged. Characters that Windows-1251
// cannot hold become "?".
std::string utf8ToCp1251(std::string_view utf8);
std::string cp1251ToUtf8(std::string_view bytes);

// The text of the settings file: Windows-1251, where a character the code page lacks is written
// as the byte 0x98, which Windows-1251 leaves unassigned (so no text of the code page holds it),
// then its code point in upper-case hexadecimal and ";": "Ω" is 98 "3A9;". U+0098 itself is
// written so only where the text after it would read as such a mark. A file as the Windows-1251
// program wrote it reads unchanged, and every text reads back exactly as written (a byte that is
// no UTF-8, which no text of the window holds, becomes "?").
std::string utf8ToCp1251Marked(std::string_view utf8);
// At most maxChars characters are read (a mark is one character).
std::string cp1251MarkedToUtf8(std::string_view bytes,
                               std::size_t maxChars = std::string_view::npos);

// True when the text is valid UTF-8.
bool isUtf8(std::string_view text);
// True when every character of the UTF-8 text has a Windows-1251 byte (and the text is valid
// UTF-8).
bool fitsCp1251(std::string_view utf8);

// Number of characters (code points) of a UTF-8 text; invalid bytes count one each.
std::size_t utf8Length(std::string_view utf8);

// ASCII and Cyrillic case folding as the Windows "A" functions compare names.
std::string cp1251Upper(std::string_view bytes);
void cp1251UpperInPlace(std::string& bytes);
// Case-insensitive equality of two UTF-8 texts: the letters Windows-1251 holds (ASCII and
// Cyrillic) match without regard to case; every other character, and every byte that is no UTF-8,
// matches only itself.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace velmor
