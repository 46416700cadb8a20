// The header reader of sound files.
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "platform/wav.h"

using namespace velmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const auto f = readWavHeader(in);
    if (!f) return 0;
    FUZZ_CHECK(f->channels == 1 || f->channels == 2);
    FUZZ_CHECK(f->bitsPerSample == 8 || f->bitsPerSample == 16);
    FUZZ_CHECK(f->sampleRate > 0);
    FUZZ_CHECK(f->dataBytes % static_cast<std::uint64_t>(f->frameBytes()) == 0);
    const auto at = in.tellg();
    FUZZ_CHECK(at >= 0 && static_cast<std::uint64_t>(at) + f->dataBytes <= size);
    return 0;
}
