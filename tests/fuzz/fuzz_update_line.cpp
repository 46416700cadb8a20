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
    // Without its line end and the blanks before it (a second CR is no line end).
    FUZZ_CHECK(line.empty() || (line.back() != ' ' && line.back() != '\t'));
    if (looksLikeVersion(line)) {
        // Digits and dots, a digit first and a dot after it.
        FUZZ_CHECK(line[0] >= '0' && line[0] <= '9');
        FUZZ_CHECK(line.find('.') != std::string::npos);
        FUZZ_CHECK(line.find_first_not_of("0123456789.") == std::string::npos);
    }
    isNewerVersion(line);
    FUZZ_CHECK(!takeFirstLine(path, line));  // read once, then gone
    return 0;
}
