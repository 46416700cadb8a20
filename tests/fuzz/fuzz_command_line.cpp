// The parameter splitting of launched programs.
#include <string>

#include "automation/command_line.h"
#include "fuzz_support.h"

using namespace velmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const SplitParameters split = splitParameters(text);
    std::size_t total = 0;
    for (const std::string& a : split.args)
        total += a.size();
    FUZZ_CHECK(total <= text.size());  // nothing is expanded
    // Text without quotes or backslashes splits at blanks alone.
    if (text.find_first_of("'\"\\") == std::string::npos) {
        for (const std::string& a : split.args) {
            FUZZ_CHECK(!a.empty());
            FUZZ_CHECK(text.find(a) != std::string::npos);
        }
        FUZZ_CHECK(split.complete);
    }
    return 0;
}
