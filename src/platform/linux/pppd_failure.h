// What pppd's end before the link was up means: the code the dial fails with and a sentence with
// pppd's own last word and the fix. Only a refusal by the server counts as a refused login (691,
// after which the dial cycle tries the next login); pppd's own troubles on this machine have codes
// of their own.
#pragma once

#include <string>
#include <string_view>

#include "platform/linux/modem_checks.h"
#include "platform/linux/pppd_link.h"

namespace velmor::modem {

// Takes one line of pppd's log (the secrets already masked) into the facts; its meaning.
PppdEvent notePppdLine(PppdFacts& facts, std::string_view line);

// The code of a dial whose pppd ended before the link was up; exitCode is pppd's exit status, -1
// when a signal ended it. The log wins where it is clear (a refused login, a silent server, no
// PPP in the kernel); else by the exit status: 19 a refused login (691); 15 and 16 a link the
// server or the line dropped (629); 2, 3, 4, 7, 1 and 11 pppd that cannot work here (633); 6 a
// port lock (602); 5 pppd stopped from outside (631); anything else a failed negotiation (734).
int pppdFailure(const PppdFacts& facts, int exitCode);

// The sentence for that code: its text, pppd's last word, the server's message where there is one,
// and what to do.
std::string pppdFailureText(const PppdFacts& facts, int exitCode, const PppEnvironment& env);

}  // namespace velmor::modem
