// The modem's side of the AT dialogue: what one line it sends back means.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmor::modem {

struct AtResult {
    enum class Kind {
        None,     // not a result: the echo of a command, RING, an empty line, anything else
        Ok,       // the command was taken
        Connect,  // the call is answered; speed holds the rate (0 when the modem gives none)
        Failure,  // the command or the call failed; error holds the code
    };
    Kind kind = Kind::None;
    int error = 0;
    std::uint32_t speed = 0;
    std::string text;  // the result line as the modem wrote it, blanks around it dropped
};

// A result line as a modem in verbal mode writes it ("OK", "CONNECT 33600/ARQ", "BUSY", "NO
// ANSWER", "NO CARRIER", "NO DIALTONE", "ERROR", ...), surrounding blanks ignored. BUSY gives 676,
// VOICE 677, NO ANSWER 678, NO CARRIER 679, NO DIALTONE and NO DIAL TONE 680, ERROR (and +CME
// ERROR, +CMS ERROR) 692; DELAYED, BLACKLISTED and DIALING LOCKED (a number the modem will not
// dial for now, after failed calls) 651.
AtResult parseAtResult(std::string_view line);

// What a failed result means for the user, beyond its code's text: empty for the plain ones.
std::string resultMeaning(std::string_view resultText);
// What to do about a SIM card that waits for its PIN.
std::string simPinText();
// What to do about a SIM card blocked until its PUK is given.
std::string simPukText();

// The dial command for a number as the dial cycle built it (with its T or P letter, prefix and
// suffix); control characters are dropped so that the command stays one line.
std::string dialCommand(std::string_view number);

}  // namespace velmor::modem
