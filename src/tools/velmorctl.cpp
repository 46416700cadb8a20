// velmorctl: scripting and support commands over the program's core.
#include "tools/velmorctl.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

namespace velmor::ctl {
// Each command lives in a ctl_<name>.cpp of its own.

namespace {

void dropLineEnd(std::string& s) {
    if (!s.empty() && s.back() == '\n') s.pop_back();
    if (!s.empty() && s.back() == '\r') s.pop_back();
}

}  // namespace

std::optional<std::string> readSecretFile(const std::string& file, const char* what) {
    std::string line;
    if (file == "-") {
        if (!std::getline(std::cin, line)) {
            std::fprintf(stderr, "velmorctl: no %s on standard input\n", what);
            return std::nullopt;
        }
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "velmorctl: the %s file %s cannot be read: %s\n", what,
                         file.c_str(), std::strerror(errno));
            return std::nullopt;
        }
        // An empty file holds no secret: taking it as an empty one would go unnoticed.
        if (!std::getline(in, line)) {
            std::fprintf(stderr, "velmorctl: the %s file %s is empty\n", what, file.c_str());
            return std::nullopt;
        }
    }
    dropLineEnd(line);
    return line;
}

std::optional<std::string> readSecretInput(const char* what) {
    std::string text{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    if (std::cin.bad()) {
        std::fprintf(stderr, "velmorctl: the %s could not be read from standard input\n", what);
        return std::nullopt;
    }
    dropLineEnd(text);
    return text;
}

int secretOnCommandLine(const char* option, const char* instead) {
    std::fprintf(stderr,
                 "velmorctl: %s would put a secret on the command line, where every user of this "
                 "computer can read it; give it with %s\n",
                 option, instead);
    return kBadInput;
}

}  // namespace velmor::ctl

namespace {

using velmor::ctl::Command;

const Command kCommands[] = {
    {"encrypt", "encrypt --key-file FILE  (the text on standard input)", velmor::ctl::runEncrypt},
    {"decrypt", "decrypt --key-file FILE [--hex] BASE64", velmor::ctl::runDecrypt},
    {"machine", "machine [DRIVE]", velmor::ctl::runMachine},
    {"dump", "dump [--settings FILE] [--entry NAME] [--password-file FILE] [--drive DRIVE]",
     velmor::ctl::runDump},
    {"resave", "resave [--settings FILE] --entry NAME [--password-file FILE] [--drive DRIVE]",
     velmor::ctl::runResave},
    {"phonebook", "phonebook [--phonebook FILE]", velmor::ctl::runPhonebook},
    {"modem", "modem ENTRY", velmor::ctl::runModem},
    {"status", "status [--json]", velmor::ctl::runStatus},
    {"dial", "dial", velmor::ctl::runDial},
    {"hangup", "hangup", velmor::ctl::runHangUp},
    {"next", "next", velmor::ctl::runNext},
    {"redial", "redial", velmor::ctl::runRedial},
    {"select", "select ENTRY", velmor::ctl::runSelect},
    {"show", "show", velmor::ctl::runShow},
    {"watch", "watch [--json]", velmor::ctl::runWatch},
    {"history", "history [--entry NAME] [--csv]", velmor::ctl::runHistory},
    {"log", "log [--follow]", velmor::ctl::runLog},
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
