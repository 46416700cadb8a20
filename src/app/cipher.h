// The stored-secret scheme: SHA-1 of the key text keys Blowfish, 8-bit cipher feedback, Base64.
#pragma once

#include <array>
#include <cstdint>
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

// Within one scope (one reading or writing of the whole settings file) the key schedule of each key
// text is computed once and reused; every operation still works on its own copy, wiped after it,
// and the kept schedules are wiped when the scope ends. Outside a scope every operation keys the
// cipher from scratch. One thread, nested scopes allowed.
class CipherScope {
  public:
    CipherScope();
    ~CipherScope();
    CipherScope(const CipherScope&) = delete;
    CipherScope& operator=(const CipherScope&) = delete;

  private:
    void* outer_;
};

// Text-level operations used by the program: key, secret and stored text are UTF-8 texts,
// converted to Windows-1251 for the cipher (so the stored text is decoded from the bytes the
// file holds); the deciphered bytes are converted back to UTF-8.
std::string encipherText(std::string_view key, std::string_view secret);
std::string decipherText(std::string_view key, std::string_view stored);

// The building blocks, exposed so that tests can check them against published vectors.
namespace detail {
using Sha1Digest = std::array<std::uint8_t, 20>;
using Block = std::array<std::uint8_t, 8>;
Sha1Digest sha1(std::string_view bytes);
// Blowfish with the raw key bytes (1 to 56 of them) run through the same key schedule as the
// cipher, one block enciphered.
Block blowfishBlock(std::string_view rawKey, const Block& plain);
// True when the Blowfish key schedule of the raw key bytes has a repeated S-box entry (a "weak"
// key). The cipher uses such keys as they are.
bool isWeakBlowfishKey(std::string_view rawKey);
// The 8-bit cipher feedback pass over raw bytes, without Base64.
std::string cfb8(std::string_view keyBytes, std::string_view in, bool decipher);
}  // namespace detail

}  // namespace velmor
