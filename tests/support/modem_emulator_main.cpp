// The modem emulator as a program: velmor_modem_emulator [--port-file FILE] [--group GID]
// [--result TEXT]... [--log FILE] [-- PROGRAM ARGS...]. Writes its port's path to FILE, answers
// until SIGTERM, after CONNECT runs PROGRAM (a server pppd) on the line, and appends each command
// it takes to the log with the time (nanoseconds since the epoch) before it.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "support/modem_emulator.h"

namespace {

volatile sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

}  // namespace

int main(int argc, char** argv) {
    velmor::test::ModemEmulator::Options options;
    options.dialResults.clear();
    std::string portFile;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--port-file" && i + 1 < argc) {
            portFile = argv[++i];
        } else if (a == "--group" && i + 1 < argc) {
            options.portGroup = static_cast<gid_t>(std::atoi(argv[++i]));
        } else if (a == "--result" && i + 1 < argc) {
            options.dialResults.emplace_back(argv[++i]);
        } else if (a == "--log" && i + 1 < argc) {
            options.commandLog = argv[++i];
        } else if (a == "--") {
            options.program.assign(argv + i + 1, argv + argc);
            break;
        } else {
            std::fprintf(stderr,
                         "usage: velmor_modem_emulator [--port-file FILE] [--group GID] "
                         "[--result TEXT]... [--log FILE] [-- PROGRAM ARGS...]\n");
            return 2;
        }
    }
    if (options.dialResults.empty()) options.dialResults = {"CONNECT 115200"};
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    velmor::test::ModemEmulator modem(options);
    if (!modem.ready()) {
        std::perror("openpty");
        return 1;
    }
    if (!portFile.empty()) {
        std::ofstream(portFile + ".new") << modem.port() << "\n";
        std::rename((portFile + ".new").c_str(), portFile.c_str());
    } else {
        std::printf("%s\n", modem.port().c_str());
        std::fflush(stdout);
    }
    while (!stopRequested)
        ::pause();
    return 0;
}
