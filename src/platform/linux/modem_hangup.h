// Putting a modem on-hook for sure, as the dialers before us learnt to: a carriage return aborts a
// dial in progress, DTR drops; where carrier stays (a modem set to ignore DTR, &D0) or cannot be
// read (a pseudo-terminal, some USB adapters), "ATH" in command mode, else the escape "+++" after
// its guard time and "ATH".
#pragma once

#include "platform/linux/at_channel.h"
#include "platform/linux/serial_port.h"

namespace velmor::modem {

enum class OnHook {
    CarrierGone,  // carrier fell with DTR
    Answered,     // the modem was in command mode: "ATH" answered OK
    Escaped,      // back from the data mode by "+++", then "ATH" answered OK
    NoAnswer,     // nothing answered: the modem may still hold the line
    PortGone,     // the port is no more (a USB modem pulled out): nothing to hang up
};

// The port must be open and pppd gone from it. at reads and writes the same port; no hang-up cuts
// this short.
OnHook putOnHook(SerialPort& port, AtChannel& at);

// For pppd's side of the log: how the modem went on-hook.
const char* onHookText(OnHook how);

}  // namespace velmor::modem
