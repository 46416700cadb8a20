// The stored-secret scheme: SHA-1 of the key text keys Blowfish, 8-bit cipher feedback, Base64.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace velmor {

// Raised for a stored text whose length is not a multiple of 4.
class Base64Error : public std::runtime_error {
  public:
    Base64Error() : std::runtime_error("Base64: Incorrect string format") {}
};

// Standard Base64 with "=" padding and no line breaks.
std::string base64Encode(std::string_view bytes);
// The lenient reading of stored secrets: "A".."Z", "a".."z", "0".."9", "+" are 0..62 and every
// other character is 63; a last group with "=" as third character gives one byte, with "=" as
// fourth character two; stray low bits are ignored. Throws Base64Error when the length is not a
// multiple of 4.
std::string base64Decode(std::string_view text);

// Byte-level operations: the key and the secret are Windows-1251 bytes.
std::string encipherBytes(std::string_view keyBytes, std::string_view plainBytes);
std::string decipherBytes(std::string_view keyBytes, std::string_view base64);

// Text-level operations used by the program: key and secret are UTF-8 texts, converted to
// Windows-1251 for the cipher; the deciphered bytes are converted back to UTF-8.
std::string encipherText(std::string_view key, std::string_view secret);
std::string decipherText(std::string_view key, std::string_view stored);

}  // namespace velmor
