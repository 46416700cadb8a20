// The header of a RIFF WAVE file with PCM samples.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>

namespace velmor {

struct WavFormat {
    int channels = 0;  // 1 or 2
    int sampleRate = 0;
    int bitsPerSample = 0;        // 8 (unsigned) or 16 (signed, little-endian)
    std::uint64_t dataBytes = 0;  // whole frames only, and never past the end of the file

    int frameBytes() const { return channels * bitsPerSample / 8; }
};

// Reads the header and leaves the stream at the first sample. Nothing when the file is not a
// WAVE file of 8- or 16-bit PCM in one or two channels.
std::optional<WavFormat> readWavHeader(std::istream& in);

}  // namespace velmor
