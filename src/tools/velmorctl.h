// The commands of velmorctl; each takes the arguments after its name and returns the exit status.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmor::ctl {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const Args& args);
};

// Exit status for bad input (bad arguments, malformed data).
constexpr int kBadInput = 2;

// A secret (a key, a password, a text to encipher) never comes on the command line, where every
// user of the computer can read it: it is the first line of a file, "-" for standard input,
// without its line end. On failure says why on standard error and returns nothing.
std::optional<std::string> readSecretFile(const std::string& file, const char* what);
// Standard input, whole, without one line end at its end.
std::optional<std::string> readSecretInput(const char* what);
// The message for an option that would put a secret on the command line.
int secretOnCommandLine(const char* option, const char* instead);

// ctl_crypto.cpp: the stored-secret cipher and the machine binding.
int runEncrypt(const Args& args);
int runDecrypt(const Args& args);
int runMachine(const Args& args);

// ctl_settings.cpp: what the program loads from its settings file, and its load-and-save.
int runDump(const Args& args);
int runResave(const Args& args);

// ctl_phonebook.cpp: the phonebook entries, for support and scripts.
int runPhonebook(const Args& args);

// ctl_modem.cpp: an entry's modem and what a dial needs from the system.
int runModem(const Args& args);

// ctl_control.cpp: the running program on the session bus. Exit status 0 done, 1 refused (locked,
// busy, not idle), 3 no program running.
int runStatus(const Args& args);
int runDial(const Args& args);
int runHangUp(const Args& args);
int runNext(const Args& args);
int runRedial(const Args& args);
int runSelect(const Args& args);
int runShow(const Args& args);
int runWatch(const Args& args);
// ctl_history.cpp: the daily history of the connections.
int runHistory(const Args& args);
// ctl_log.cpp: the event log in the terminal's character set, optionally followed.
int runLog(const Args& args);

}  // namespace velmor::ctl
