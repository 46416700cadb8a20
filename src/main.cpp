// The Velmor program: the window, or with --headless the same core without one.
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "app/program_entry.h"
#include "tools/headless.h"
#include "ui/gui_main.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    velmor::ProgramOptions options;
    try {
        options = velmor::parseProgramOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "velmor: %s\n%s", e.what(), velmor::kProgramUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(velmor::kProgramUsage, stdout);
        return 0;
    }
    if (options.headless) return velmor::runHeadless(options, argc, argv);
    return velmor::runWindow(options, argc, argv);
}
