// The first line of the downloaded update file and the version test on it.
#include <string>

#include "desktop/download.h"
#include "fuzz_support.h"

using namespace velmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::writeScratch("update.inf", data, size);
    std::string line;
    FUZZ_CHECK(takeFirstLine(path, line));
    FUZZ_CHECK(line.find('\n') == std::string::npos);
    FUZZ_CHECK(line.size() <= size);
    if (looksLikeVersion(line)) FUZZ_CHECK(line.find('.') != std::string::npos);
    isNewerVersion(line);
    FUZZ_CHECK(!takeFirstLine(path, line));  // read once, then gone
    return 0;
}
