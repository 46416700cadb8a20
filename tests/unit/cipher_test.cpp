#include "app/cipher.h"

#include <gtest/gtest.h>
#include <nettle/blowfish.h>
#include <nettle/sha1.h>

#include <cstring>
#include <string>

#include "platform/codepage.h"

using namespace velmor;

namespace {

std::string unhex(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

template <std::size_t N>
std::string hexOf(const std::array<std::uint8_t, N>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

detail::Block blockOf(std::string_view hex) {
    const std::string bytes = unhex(hex);
    detail::Block b{};
    std::memcpy(b.data(), bytes.data(), b.size());
    return b;
}

// 8-bit cipher feedback written out step by step over nettle's raw primitives, apart from the
// production code: SHA-1 of the key, Blowfish keyed with the 20-byte digest, the register starting
// as the encryption of eight 0xFF bytes, one byte shifted in per step.
std::string referenceCfb8(std::string_view key, std::string_view in, bool decipher) {
    std::uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_ctx hash;
    sha1_init(&hash);
    sha1_update(&hash, key.size(), reinterpret_cast<const std::uint8_t*>(key.data()));
    sha1_digest(&hash, sizeof digest, digest);
    blowfish_ctx ctx;
    blowfish_set_key(&ctx, sizeof digest, digest);
    std::uint8_t reg[8];
    std::memset(reg, 0xFF, sizeof reg);
    blowfish_encrypt(&ctx, 8, reg, reg);
    std::string out;
    for (char c : in) {
        std::uint8_t o[8];
        blowfish_encrypt(&ctx, 8, o, reg);
        const std::uint8_t x = static_cast<std::uint8_t>(c);
        const std::uint8_t y = x ^ o[0];
        std::memmove(reg, reg + 1, 7);
        reg[7] = decipher ? x : y;
        out += static_cast<char>(y);
    }
    return out;
}

std::string allBytes() {
    std::string s;
    for (int i = 0; i < 256; ++i)
        s += static_cast<char>(i);
    return s;
}

}  // namespace

TEST(Cipher, BlowfishMatchesPublishedVectors) {
    struct Vector {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Vector vectors[] = {
        {"0000000000000000", "0000000000000000", "4ef997456198dd78"},
        {"ffffffffffffffff", "ffffffffffffffff", "51866fd5b85ecb8a"},
        {"3000000000000000", "1000000000000001", "7d856f9a613063f2"},
        {"1111111111111111", "1111111111111111", "2466dd878b963c9d"},
        {"0123456789abcdef", "1111111111111111", "61f9c3802281b096"},
        {"fedcba9876543210", "0123456789abcdef", "0aceab0fc6a0a28d"},
        {"7ca110454a1a6e57", "01a1d6d039776742", "59c68245eb05282b"},
        {"fedcba9876543210", "ffffffffffffffff", "6b5c5a9c5d9e0a5a"},
        {"ffffffffffffffff", "0000000000000000", "f21e9a77b71c49bc"},
        // Variable key length set (plain text FEDCBA9876543210), the 20-byte key among them.
        {"f0e1d2c3b4a59687", "fedcba9876543210", "e87a244e2cc85e82"},
        {"f0e1d2c3b4a5968778695a4b3c2d1e0f001122", "fedcba9876543210", "afd5aed1c1bc96a8"},
        {"f0e1d2c3b4a5968778695a4b3c2d1e0f00112233", "fedcba9876543210", "10851c0e3858da9f"},
        {"f0e1d2c3b4a5968778695a4b3c2d1e0f0011223344", "fedcba9876543210", "e6f51ed79b9db21f"},
    };
    for (const Vector& v : vectors) {
        EXPECT_EQ(hexOf(detail::blowfishBlock(unhex(v.key), blockOf(v.plain))), v.cipher)
            << "key " << v.key;
    }
    EXPECT_THROW(detail::blowfishBlock("", blockOf("0000000000000000")), std::invalid_argument);
    EXPECT_THROW(detail::blowfishBlock(std::string(57, 'k'), blockOf("0000000000000000")),
                 std::invalid_argument);
}

TEST(Cipher, Sha1MatchesPublishedVectors) {
    EXPECT_EQ(hexOf(detail::sha1("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(hexOf(detail::sha1("")), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(hexOf(detail::sha1("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(hexOf(detail::sha1(std::string(1000000, 'a'))),
              "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Cipher, Base64EncodesStandardAndDecodesLeniently) {
    const char* pairs[][2] = {{"", ""},
                              {"f", "Zg=="},
                              {"fo", "Zm8="},
                              {"foo", "Zm9v"},
                              {"foob", "Zm9vYg=="},
                              {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"}};
    for (const auto& p : pairs) {
        EXPECT_EQ(base64Encode(p[0]), p[1]);
        EXPECT_EQ(base64Decode(p[1]), p[0]);
    }
    EXPECT_EQ(base64Encode("\xFB\xFF\xBF"), "+/+/");
    EXPECT_EQ(base64Decode("+/+/"), "\xFB\xFF\xBF");
    // Every character outside A-Z, a-z, 0-9 and "+" reads as 63, like "/".
    EXPECT_EQ(base64Decode("////"), "\xFF\xFF\xFF");
    EXPECT_EQ(base64Decode("!-_\xD0"), "\xFF\xFF\xFF");
    EXPECT_EQ(base64Decode("=AAA"), std::string("\xFC\x00\x00", 3));
    // The last group: "=" third means one byte, "=" fourth two; stray low bits are dropped.
    EXPECT_EQ(base64Decode("Zh=="), "f");
    EXPECT_EQ(base64Decode("Zg=x"), "f");
    EXPECT_EQ(base64Decode("Zm9="), "fo");
    EXPECT_EQ(base64Decode("ZgA="), std::string("f\0", 2));
    // "=" in an earlier group is no padding.
    EXPECT_EQ(base64Decode("Zg==Zg=="), std::string("f\x0F\xFF"
                                                    "f",
                                                    4));
    for (const char* bad : {"A", "AB", "ABC", "Zm9vY", "Zm9vYmE", "Zg==="}) {
        try {
            base64Decode(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const Base64Error& e) {
            EXPECT_STREQ(e.what(), "Base64: Incorrect string format");
        }
        EXPECT_THROW(decipherText("key", bad), Base64Error);
    }
    // A stored text is read as the file's Windows-1251 characters: four stray Cyrillic letters
    // are four characters, each 63, so three bytes, as "////" gives.
    EXPECT_EQ(decipherText("key", "ЖЖЖЖ"), decipherText("key", "////"));
    EXPECT_THROW(decipherText("key", "ЖЖ"), Base64Error);
}

TEST(Cipher, EnciphersAsHandWrittenFeedbackLoop) {
    // Pinned known answers, computed with the reference loop above.
    EXPECT_EQ(encipherBytes("ab", "password"), "Ih8eLr7ZW/A=");
    EXPECT_EQ(encipherBytes("", "password"), "3e6GT7+Gb6M=");
    EXPECT_EQ(encipherText("Пароль", "Секрет"), "MaCC72wF");
    EXPECT_EQ(decipherText("Пароль", "MaCC72wF"), "Секрет");
    EXPECT_EQ(decipherBytes("ab", "Ih8eLr7ZW/A="), "password");

    const std::string bytes = allBytes();
    for (std::string key : {std::string(""), std::string("ab"), std::string("\xCF\xE0\xF0")}) {
        for (std::size_t n : {1u, 2u, 7u, 8u, 9u, 17u, 256u}) {
            const std::string plain = bytes.substr(256 - n);
            const std::string expected = referenceCfb8(key, plain, false);
            EXPECT_EQ(detail::cfb8(key, plain, false), expected) << n;
            EXPECT_EQ(base64Decode(encipherBytes(key, plain)), expected) << n;
            EXPECT_EQ(decipherBytes(key, encipherBytes(key, plain)), plain) << n;
            EXPECT_EQ(detail::cfb8(key, expected, true), referenceCfb8(key, expected, true));
        }
    }
}

TEST(Cipher, WeakBlowfishKeyIsUsedAsScheduled) {
    // The digest of this key text gives a key schedule with a repeated S-box entry; nettle
    // reports it, and the cipher must still use the complete schedule.
    const detail::Sha1Digest digest = detail::sha1("weak13939");
    const std::string raw(reinterpret_cast<const char*>(digest.data()), digest.size());
    ASSERT_TRUE(detail::isWeakBlowfishKey(raw));
    EXPECT_FALSE(detail::isWeakBlowfishKey(unhex("0123456789abcdef")));
    EXPECT_EQ(encipherBytes("weak13939", "password"), "ucyPDN3mQok=");
    EXPECT_EQ(base64Decode(encipherBytes("weak13939", "password")),
              referenceCfb8("weak13939", "password", false));
    EXPECT_EQ(decipherBytes("weak13939", "ucyPDN3mQok="), "password");
}

TEST(Cipher, StoredTextProperties) {
    for (std::size_t n = 0; n <= 12; ++n) {
        const std::string text = encipherBytes("key", std::string(n, 'x'));
        EXPECT_EQ(text.size(), 4 * ((n + 2) / 3)) << n;
        EXPECT_EQ(text.find_first_not_of(
                      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
                  std::string::npos);
        const std::size_t kept = text.find_last_not_of('=');
        const std::size_t pad = kept == std::string::npos ? text.size() : text.size() - kept - 1;
        EXPECT_EQ(pad, (3 - n % 3) % 3) << n;
    }
    EXPECT_EQ(encipherText("key", ""), "");
    EXPECT_EQ(decipherText("key", ""), "");
    EXPECT_EQ(decipherText("", encipherText("", "secret")), "secret");

    // The same input always gives the same text; another key between calls leaves no trace.
    const std::string first = encipherText("Пароль", "логин");
    EXPECT_NE(encipherText("другой", "логин"), first);
    EXPECT_EQ(encipherText("Пароль", "логин"), first);

    // The key and the secret are taken as Windows-1251 bytes, not as UTF-8.
    EXPECT_EQ(first, encipherBytes(utf8ToCp1251("Пароль"), utf8ToCp1251("логин")));
    EXPECT_EQ(encipherBytes("\xCF\xE0\xF0\xEE\xEB\xFC", "x"), encipherText("Пароль", "x"));

    // Cyrillic and every byte survive the round trip; a wrong key gives other text, no error.
    EXPECT_EQ(decipherText("ёЁ ключ", encipherText("ёЁ ключ", "Секрет №1 ёЁ")), "Секрет №1 ёЁ");
    const std::string everyChar = cp1251ToUtf8(allBytes());
    EXPECT_EQ(decipherText("k", encipherText("k", everyChar)), everyChar);
    const std::string wrong = decipherBytes("Парол", encipherText("Пароль", "Секрет"));
    EXPECT_EQ(wrong.size(), 6u);
    EXPECT_NE(wrong, utf8ToCp1251("Секрет"));

    // Each enciphered byte depends only on the bytes before it (cipher feedback, no block padding).
    const std::string a = base64Decode(encipherBytes("k", "abcdef"));
    const std::string b = base64Decode(encipherBytes("k", "abcXYZ"));
    EXPECT_EQ(a.substr(0, 3), b.substr(0, 3));
    EXPECT_NE(a.substr(3), b.substr(3));

    // Stray characters in a stored text of the right length decipher without error.
    EXPECT_EQ(decipherBytes("k", "!!!!").size(), 3u);
    EXPECT_EQ(decipherBytes("k", "!!!!"), decipherBytes("k", "////"));
}

TEST(Cipher, AScopeKeepingKeySchedulesGivesTheSameTexts) {
    const std::string outside1 = encipherText("ab", "password");
    const std::string outside2 = encipherText("Пароль", "Секрет");
    {
        const CipherScope scope;
        EXPECT_EQ(encipherText("ab", "password"), outside1);
        EXPECT_EQ(encipherText("Пароль", "Секрет"), outside2);
        EXPECT_EQ(encipherText("ab", "password"), outside1);  // kept schedule, fresh register
        {
            const CipherScope inner;
            EXPECT_EQ(decipherText("Пароль", outside2), "Секрет");
        }
        EXPECT_EQ(decipherText("ab", outside1), "password");
    }
    EXPECT_EQ(encipherText("ab", "password"), "Ih8eLr7ZW/A=");
}
