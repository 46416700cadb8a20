// velmorctl: scripting and support commands over the program's core.
#include "tools/velmorctl.h"

#include <clocale>
#include <cstdio>
#include <cstring>

namespace velmor::ctl {
// Each command lives in a ctl_<name>.cpp of its own.
}  // namespace velmor::ctl

namespace {

using velmor::ctl::Command;

const Command kCommands[] = {
    {"encrypt", "encrypt --key KEY TEXT", velmor::ctl::runEncrypt},
    {"decrypt", "decrypt --key KEY [--hex] BASE64", velmor::ctl::runDecrypt},
    {"machine", "machine [DRIVE]", velmor::ctl::runMachine},
    {"dump", "dump [--settings FILE] [--entry NAME] [--password P]", velmor::ctl::runDump},
    {"resave", "resave [--settings FILE] --entry NAME [--password P]", velmor::ctl::runResave},
    {"phonebook", "phonebook [--phonebook FILE]", velmor::ctl::runPhonebook},
    {"modem", "modem ENTRY", velmor::ctl::runModem},
    {nullptr, nullptr, nullptr},
};

void usage(std::FILE* out) {
    std::fputs("usage: velmorctl COMMAND [OPTIONS]\n\ncommands:\n", out);
    for (const Command& c : kCommands) {
        if (c.name) std::fprintf(out, "  %s\n", c.usage);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (argc < 2) {
        usage(stderr);
        return velmor::ctl::kBadInput;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        usage(stdout);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (c.name && std::strcmp(c.name, argv[1]) == 0) {
            return c.run(velmor::ctl::Args(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "velmorctl: unknown command '%s'\n", argv[1]);
    usage(stderr);
    return velmor::ctl::kBadInput;
}
