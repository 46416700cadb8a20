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

// True when every character of the UTF-8 text has a Windows-1251 byte (and the text is valid
// UTF-8).
bool fitsCp1251(std::string_view utf8);

// Number of characters (code points) of a UTF-8 text; invalid bytes count one each.
std::size_t utf8Length(std::string_view utf8);

// ASCII and Cyrillic case folding as the Windows "A" functions compare names.
std::string cp1251Upper(std::string_view bytes);
void cp1251UpperInPlace(std::string& bytes);
// Case-insensitive equality of two UTF-8 texts (ASCII and Cyrillic letters).
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace velmor
