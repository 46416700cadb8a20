// What a serial modem dial needs from the system, where it is, and what the user does when a part
// is missing.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace velmor::modem {

// The system paths of a dial. Each has an environment variable that replaces it (the tests point
// them at a stand-in pppd and temporary folders).
struct PppEnvironment {
    std::string pppd = "/usr/sbin/pppd";              // VELMOR_PPPD
    std::string peersFile = "/etc/ppp/peers/velmor";  // VELMOR_PPP_PEERS
    std::string pppDevice = "/dev/ppp";               // VELMOR_PPP_DEVICE
    std::string netRoot = "/sys/class/net";           // VELMOR_SYS_CLASS_NET
    std::string lockDir = "/run/lock";                // VELMOR_LOCK_DIR
    int linkTimeoutSec = 60;  // from CONNECT to the addresses; VELMOR_PPP_LINK_TIMEOUT

    static PppEnvironment fromEnvironment();
};

struct Check {
    std::string what;     // what was checked, for velmorctl modem
    std::string problem;  // empty when fine; else a sentence with the command that fixes it
};

// pppd present and startable (group dip), able to gain root, the peers file, PPP in the kernel,
// the port present and readable and writable (its group, usually dialout), in that order.
std::vector<Check> systemChecks(const PppEnvironment& env, const std::string& port);
// Why pppd, started by the user uid, would not run as root: not setuid root, on a file system
// mounted nosuid, or this process barred from gaining privileges. Empty for root, or when fine.
std::string rootProblem(const std::string& pppd, uid_t uid);
// How to give pppd back its setuid bit.
std::string setuidFixText(const std::string& pppd);
// The last of systemChecks: the port present, readable and writable; empty when it is.
std::string portProblem(const std::string& port);
// The first problem of systemChecks, empty when there is none.
std::string firstProblem(const PppEnvironment& env, const std::string& port);

// Sentences for the faults found while dialling.
std::string portMissingText(const std::string& port);
std::string portDeniedText(const std::string& port);
std::string notATerminalText(const std::string& port);
std::string noKernelSupportText(const PppEnvironment& env);
std::string pppdRefusedText(const PppEnvironment& env);
std::string lockFailedText(const PppEnvironment& env, const std::string& why);

}  // namespace velmor::modem
