#include "app/cipher.h"

#include <nettle/base64.h>
#include <nettle/blowfish.h>
#include <nettle/cfb.h>
#include <nettle/sha1.h>

#include <cstring>
#include <deque>
#include <iterator>

#include "app/blowfish_initial.h"
#include "platform/codepage.h"

namespace velmor {
namespace {

// Overwrites key material with 0xFF bytes; the empty assembly that may read the memory keeps the
// compiler from dropping the stores, though the memory is released right after.
void wipe(void* p, std::size_t n) {
    std::memset(p, 0xFF, n);
    asm volatile("" : : "r"(p) : "memory");
}

const std::uint8_t* bytesOf(std::string_view s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

void sha1Into(std::string_view bytes, std::uint8_t (&digest)[SHA1_DIGEST_SIZE]) {
    sha1_ctx ctx;
    sha1_init(&ctx);
    sha1_update(&ctx, bytes.size(), bytesOf(bytes));
    sha1_digest(&ctx, SHA1_DIGEST_SIZE, digest);
    wipe(&ctx, sizeof ctx);  // its block buffer still holds the key bytes
}

// The standard key schedule: the key bytes cycled over the P-array, then the P-array and the
// S-boxes replaced by successive encryptions of a block starting at zero. nettle's own schedule
// also searches the S-boxes for repeated entries (weak keys), a quarter of a million comparisons
// for a verdict the cipher does not use: stored texts were written with such keys as they are.
void setRawKey(blowfish_ctx& ctx, const std::uint8_t* key, std::size_t length) {
    std::memcpy(ctx.p, kBlowfishInitialP, sizeof ctx.p);
    std::memcpy(ctx.s, kBlowfishInitialS, sizeof ctx.s);
    std::size_t at = 0;
    for (std::uint32_t& p : ctx.p) {
        std::uint32_t word = 0;
        for (int k = 0; k < 4; ++k, at = (at + 1) % length)
            word = word << 8 | key[at];
        p ^= word;
    }
    std::uint8_t block[BLOWFISH_BLOCK_SIZE] = {};
    auto next = [&](std::uint32_t* pair) {
        blowfish_encrypt(&ctx, sizeof block, block, block);
        for (int half = 0; half < 2; ++half) {
            const std::uint8_t* b = block + 4 * half;
            pair[half] = std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 |
                         std::uint32_t{b[2]} << 8 | b[3];
        }
    };
    for (std::size_t i = 0; i < std::size(ctx.p); i += 2)
        next(&ctx.p[i]);
    for (auto& box : ctx.s) {
        for (std::size_t i = 0; i < std::size(box); i += 2)
            next(&box[i]);
    }
    wipe(block, sizeof block);
}

void encipherBlock(const void* ctx, std::size_t length, std::uint8_t* dst,
                   const std::uint8_t* src) {
    blowfish_encrypt(static_cast<const blowfish_ctx*>(ctx), length, dst, src);
}

// The key schedule and IV of one key text.
struct KeyState {
    blowfish_ctx ctx;
    std::uint8_t iv[BLOWFISH_BLOCK_SIZE];

    void keyFrom(std::string_view keyBytes) {
        std::uint8_t digest[SHA1_DIGEST_SIZE];
        sha1Into(keyBytes, digest);
        setRawKey(ctx, digest, sizeof digest);
        wipe(digest, sizeof digest);
        std::memset(iv, 0xFF, sizeof iv);
        blowfish_encrypt(&ctx, BLOWFISH_BLOCK_SIZE, iv, iv);
    }
    void wipeAll() {
        wipe(&ctx, sizeof ctx);
        wipe(iv, sizeof iv);
    }
};

// The key states kept by the innermost CipherScope of this thread.
struct ScopeCache {
    struct Item {
        std::string keyBytes;
        KeyState state;
    };
    std::deque<Item> items;  // grows without moving key material around

    ~ScopeCache() {
        for (Item& i : items) {
            i.state.wipeAll();
            wipe(i.keyBytes.data(), i.keyBytes.size());
        }
    }
    const KeyState& stateFor(std::string_view keyBytes) {
        for (const Item& i : items) {
            if (i.keyBytes == keyBytes) return i.state;
        }
        items.push_back({std::string(keyBytes), {}});
        items.back().state.keyFrom(keyBytes);
        return items.back().state;
    }
};

thread_local ScopeCache* activeScope = nullptr;

// Blowfish keyed with the SHA-1 digest of a key text, for one operation: the shift register
// starts as the encryption of eight 0xFF bytes, and the key schedule, IV and register are wiped
// when the object goes. Within a scope the scope's schedule is used as it is (enciphering only
// reads it) and wiped with the scope.
class KeyedCipher {
  public:
    explicit KeyedCipher(std::string_view keyBytes) {
        if (activeScope) {
            const KeyState& kept = activeScope->stateFor(keyBytes);
            ctx_ = &kept.ctx;
            std::memcpy(iv_, kept.iv, sizeof iv_);
        } else {
            own_.keyFrom(keyBytes);
            ctx_ = &own_.ctx;
            std::memcpy(iv_, own_.iv, sizeof iv_);
            owned_ = true;
        }
        std::memcpy(register_, iv_, sizeof register_);
    }
    ~KeyedCipher() {
        std::memcpy(register_, iv_, sizeof register_);
        if (owned_) own_.wipeAll();
        wipe(iv_, sizeof iv_);
        wipe(register_, sizeof register_);
    }
    KeyedCipher(const KeyedCipher&) = delete;
    KeyedCipher& operator=(const KeyedCipher&) = delete;

    // 8-bit cipher feedback: each byte is XORed with the first byte of the enciphered register,
    // and the enciphered byte is shifted into the register's end.
    std::string run(std::string_view in, bool decipher) {
        std::string out(in.size(), '\0');
        if (in.empty()) return out;
        auto* dst = reinterpret_cast<std::uint8_t*>(out.data());
        if (decipher) {
            cfb8_decrypt(ctx_, encipherBlock, BLOWFISH_BLOCK_SIZE, register_, in.size(), dst,
                         bytesOf(in));
        } else {
            cfb8_encrypt(ctx_, encipherBlock, BLOWFISH_BLOCK_SIZE, register_, in.size(), dst,
                         bytesOf(in));
        }
        return out;
    }

  private:
    KeyState own_;  // the schedule of an operation outside a scope
    bool owned_ = false;
    const blowfish_ctx* ctx_ = nullptr;
    std::uint8_t iv_[BLOWFISH_BLOCK_SIZE];
    std::uint8_t register_[BLOWFISH_BLOCK_SIZE];
};

// Character values of the lenient decoder: everything outside the first 63 is 63.
unsigned base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned>(c - 'A');
    if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a') + 26;
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0') + 52;
    if (c == '+') return 62;
    return 63;
}

}  // namespace

CipherScope::CipherScope() : outer_(activeScope) {
    activeScope = new ScopeCache;
}

CipherScope::~CipherScope() {
    delete static_cast<ScopeCache*>(activeScope);
    activeScope = static_cast<ScopeCache*>(outer_);
}

std::string base64Encode(std::string_view bytes) {
    std::string out(BASE64_ENCODE_RAW_LENGTH(bytes.size()), '\0');
    if (!bytes.empty()) base64_encode_raw(out.data(), bytes.size(), bytesOf(bytes));
    return out;
}

std::string base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) throw Base64Error();
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const std::uint32_t group = base64Value(text[i]) << 18 | base64Value(text[i + 1]) << 12 |
                                    base64Value(text[i + 2]) << 6 | base64Value(text[i + 3]);
        std::size_t count = 3;
        if (i + 4 == text.size()) {
            if (text[i + 2] == '=') {
                count = 1;
            } else if (text[i + 3] == '=') {
                count = 2;
            }
        }
        for (std::size_t k = 0; k < count; ++k)
            out += static_cast<char>(group >> (16 - 8 * k) & 0xFF);
    }
    return out;
}

std::string encipherBytes(std::string_view keyBytes, std::string_view plainBytes) {
    KeyedCipher cipher(keyBytes);
    return base64Encode(cipher.run(plainBytes, false));
}

std::string decipherBytes(std::string_view keyBytes, std::string_view base64) {
    const std::string enciphered = base64Decode(base64);
    KeyedCipher cipher(keyBytes);
    return cipher.run(enciphered, true);
}

std::string encipherText(std::string_view key, std::string_view secret) {
    return encipherBytes(utf8ToCp1251(key), utf8ToCp1251(secret));
}

std::string decipherText(std::string_view key, std::string_view stored) {
    // The stored text is read as the file holds it, one Windows-1251 byte per character: a stray
    // letter outside the alphabet is one character (value 63), as for the program that wrote it.
    return cp1251ToUtf8(decipherBytes(utf8ToCp1251(key), utf8ToCp1251(stored)));
}

namespace detail {

Sha1Digest sha1(std::string_view bytes) {
    std::uint8_t digest[SHA1_DIGEST_SIZE];
    sha1Into(bytes, digest);
    Sha1Digest out;
    std::memcpy(out.data(), digest, out.size());
    return out;
}

Block blowfishBlock(std::string_view rawKey, const Block& plain) {
    if (rawKey.empty() || rawKey.size() > BLOWFISH_MAX_KEY_SIZE) {
        throw std::invalid_argument("Blowfish: Invalid key size - " +
                                    std::to_string(rawKey.size() * 8));
    }
    blowfish_ctx ctx;
    setRawKey(ctx, bytesOf(rawKey), rawKey.size());
    Block out;
    blowfish_encrypt(&ctx, out.size(), out.data(), plain.data());
    wipe(&ctx, sizeof ctx);
    return out;
}

bool isWeakBlowfishKey(std::string_view rawKey) {
    if (rawKey.empty() || rawKey.size() > BLOWFISH_MAX_KEY_SIZE) return false;
    blowfish_ctx ctx;
    const bool weak = blowfish_set_key(&ctx, rawKey.size(), bytesOf(rawKey)) == 0;
    wipe(&ctx, sizeof ctx);
    return weak;
}

std::string cfb8(std::string_view keyBytes, std::string_view in, bool decipher) {
    KeyedCipher cipher(keyBytes);
    return cipher.run(in, decipher);
}

}  // namespace detail

}  // namespace velmor
