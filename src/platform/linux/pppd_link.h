// The system's PPP daemon on a connected line: how it is started (without a shell, the port on its
// standard input, the login and the password on pipes) and what its log lines mean.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmor::modem {

struct PppdEvent {
    enum class Kind {
        None,
        Interface,        // "Using interface ppp0": value is the interface
        Connect,          // "Connect: ppp0 <--> /dev/ttyS0": the link is up, authentication next
        AuthSucceeded,    // "PAP authentication succeeded": protocol is the protocol
        AuthFailed,       // "PAP authentication failed", "CHAP authentication failed: ..."
        LocalAddress,     // "local  IP address 10.0.0.2": value is the address
        RemoteAddress,    // "remote IP address 10.0.0.1": value is the address
        LcpTimeout,       // "LCP: timeout sending Config-Requests"
        NoKernelSupport,  // "This system lacks kernel support for PPP..."
    };
    Kind kind = Kind::None;
    std::string value;
    std::uint32_t protocol = 0;
};

// One line of pppd's log. A message the server sent ("Remote message: ...") means nothing here,
// whatever it says.
PppdEvent parsePppdLine(std::string_view line);

// What the log told before pppd ended (notePppdLine gathers it).
struct PppdFacts {
    bool authFailed = false;
    bool lcpTimeout = false;
    bool noKernelSupport = false;
    std::string lastWord;       // pppd's last line that was more than progress
    std::string remoteMessage;  // what the server said ("Remote message: ...")
};

// A word of a pppd options file: in double quotes, with backslash before every " and \.
std::string optionWord(std::string_view text);

// The arguments after the program's name: the peers file, the options stream on fd 4 (the login),
// the password on fd 3, the log on fd 2 and the line's name for the ip-up scripts.
std::vector<std::string> pppdArguments(std::uint32_t handle, bool hardwareFlow);

// Whether the pppd program knows an option: its name is among the program's strings. (Some, such
// as replacedefaultroute, pppd takes only from root's files: the peers file.)
bool pppdKnowsOption(const std::string& program, std::string_view option);

// Every occurrence of a secret in a line of pppd's log, masked before the line is shown.
std::string masked(std::string line, const std::string& secret);

struct PppdProcess {
    pid_t pid = -1;
    int pidFd = -1;  // readable when pppd has ended
    int logFd = -1;  // pppd's log (its standard error), non-blocking
};

// Starts program (pppd or a stand-in) with the port as its standard input and standard output
// on /dev/null; writes `user "<login>"` to the options stream and the password in full, no newline,
// and closes both. 0 on success, else the errno that stopped it (the process is then not running).
int startPppd(const std::string& program, std::uint32_t handle, bool hardwareFlow, int portFd,
              const std::string& login, const std::string& password, PppdProcess& out);

// Waits for pppd to end (up to timeoutMs; -1 without limit) and collects it; its exit code, -1
// when a signal ended it, -2 when it is still running.
int reapPppd(PppdProcess& p, int timeoutMs);
// Closes what the parent held of a collected pppd.
void closePppd(PppdProcess& p);

}  // namespace velmor::modem
