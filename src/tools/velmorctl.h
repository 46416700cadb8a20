// The commands of velmorctl; each takes the arguments after its name and returns the exit status.
#pragma once

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

}  // namespace velmor::ctl
