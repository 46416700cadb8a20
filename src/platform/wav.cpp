#include "platform/wav.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace velmor {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr int kMaxRate = 768000;

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool readExact(std::istream& in, unsigned char* buf, std::size_t n) {
    in.read(reinterpret_cast<char*>(buf), static_cast<std::streamsize>(n));
    return static_cast<std::size_t>(in.gcount()) == n;
}

// Bytes from the current position to the end of the stream (the position is kept).
std::uint64_t bytesLeft(std::istream& in) {
    const std::streampos here = in.tellg();
    if (here < 0) return 0;
    in.seekg(0, std::ios::end);
    const std::streampos end = in.tellg();
    in.seekg(here);
    return end > here ? static_cast<std::uint64_t>(end - here) : 0;
}

}  // namespace

std::optional<WavFormat> readWavHeader(std::istream& in) {
    unsigned char riff[12];
    if (!readExact(in, riff, sizeof riff)) return std::nullopt;
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return std::nullopt;

    std::optional<WavFormat> format;
    for (;;) {
        unsigned char chunk[8];
        if (!readExact(in, chunk, sizeof chunk)) return std::nullopt;
        const std::uint32_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || size > 4096) return std::nullopt;
            std::array<unsigned char, 4096> fmt{};
            if (!readExact(in, fmt.data(), size)) return std::nullopt;
            std::uint16_t tag = le16(&fmt[0]);
            if (tag == kFormatExtensible) {
                // The sub-format GUID begins with the format tag it stands for.
                if (size < 40) return std::nullopt;
                tag = le16(&fmt[24]);
            }
            WavFormat f;
            f.channels = le16(&fmt[2]);
            const std::uint32_t rate = le32(&fmt[4]);
            f.bitsPerSample = le16(&fmt[14]);
            const std::uint16_t blockAlign = le16(&fmt[12]);
            if (tag != kFormatPcm) return std::nullopt;
            if (f.channels != 1 && f.channels != 2) return std::nullopt;
            if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return std::nullopt;
            if (rate == 0 || rate > kMaxRate) return std::nullopt;
            if (blockAlign != f.frameBytes()) return std::nullopt;
            f.sampleRate = static_cast<int>(rate);
            format = f;
            if ((size & 1) != 0) in.ignore(1);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!format) return std::nullopt;  // samples before their format
            std::uint64_t bytes = std::min<std::uint64_t>(size, bytesLeft(in));
            bytes -= bytes % static_cast<std::uint64_t>(format->frameBytes());
            format->dataBytes = bytes;
            return format;
        } else {
            // Another chunk (a list, a cue): skipped with its pad byte.
            in.seekg(static_cast<std::streamoff>(size) + (size & 1), std::ios::cur);
            if (!in) return std::nullopt;
        }
    }
}

}  // namespace velmor
