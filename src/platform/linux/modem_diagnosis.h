// Why a modem's dial failed, in sentences for the user: what was sent and what the modem answered,
// and who holds a port that cannot be had (ModemManager above all), with the fix.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/modem_checks.h"

namespace velmor::modem {

// --- the AT dialogue ---

// An init line the modem refused ("ERROR", "+CME ERROR: ..."), with what the answer means.
std::string initRefusedText(std::string_view command, std::string_view answer);
// No result to a command in its time. mmPid: a ModemManager that may be probing the port.
std::string silentModemText(std::string_view command, int seconds, std::optional<pid_t> mmPid);
// A dial that ended with a result line: the code's own text, then the modem's answer.
std::string dialResultText(int code, std::string_view command, std::string_view answer);
// A dial without a result within the entry's time for it.
std::string dialTimeoutText(std::string_view command, int seconds);
// The port went away (a USB modem pulled out) during the dialogue.
std::string portGoneText(const std::string& port);
// The link did not come up (no addresses) within its time after CONNECT; lastWord: pppd's.
std::string linkTimeoutText(int seconds, const std::string& lastWord);
// The link is up but the default route still goes elsewhere: the peers file lacks
// replacedefaultroute, or the system's pppd does not know it.
std::string defaultRouteText(const PppEnvironment& env, const std::string& iface,
                             const std::string& routeDevice);

// --- who holds a port ---

struct PortHolder {
    pid_t pid = 0;
    std::string name;  // the process's own name (/proc/PID/comm)
};

struct PortUsers {
    // The processes other than this one that have the file open, as far as /proc lets us see them
    // (another user's processes, a root service's, stay hidden).
    std::vector<PortHolder> holders;
    std::optional<pid_t> modemManager;  // a running ModemManager, holder or not
};
// Who has a port open, and whether ModemManager runs, from one walk of /proc.
PortUsers portUsers(const std::string& path);
// A running ModemManager, if any.
std::optional<pid_t> modemManagerPid();

// Why a port that another program opened exclusively cannot be had, and what to do.
std::string portHeldText(const std::string& port, const std::vector<PortHolder>& holders,
                         std::optional<pid_t> mmPid, const std::string& entry);
// Another dialer's lock file names a live process (owner, named by its comm when it has one).
std::string portLockedText(const std::string& port, std::optional<pid_t> owner,
                           const std::string& lockDir);

// --- keeping ModemManager away ---

struct UsbIds {
    std::string vendor, product;  // four hex digits each
};
// The USB ids of the device behind a serial port (/dev/ttyUSB0, /dev/ttyACM0, or a link to one),
// none for a port that is not on USB.
std::optional<UsbIds> usbIdsOf(const std::string& port, const std::string& sysRoot = "/sys");
// The rule lines of the packaged udev template (its comments left out) with the ids filled in
// for VVVV and PPPP.
std::string udevRule(std::string_view ruleTemplate, const UsbIds& ids);

}  // namespace velmor::modem
