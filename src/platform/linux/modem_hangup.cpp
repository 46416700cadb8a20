#include "platform/linux/modem_hangup.h"

#include <sys/ioctl.h>

#include <thread>

namespace velmor::modem {
namespace {

using std::chrono::milliseconds;

constexpr int kDtrLowMs = 250;  // DTR held low; answers to the carriage return are read meanwhile
constexpr int kAnswerMs = 600;  // for "ATH" and "OK"
constexpr int kGuardMs = 1100;  // silence before and after "+++" (a modem's S12 is 1 s)

// The carrier as the port reads it: none where it cannot be read.
std::optional<bool> carrier(const SerialPort& port) {
    const auto lines = port.modemLines();
    if (!lines) return std::nullopt;
    return (*lines & TIOCM_CD) != 0;
}

// Reads lines until one is "OK" or the time is over.
bool waitForOk(AtChannel& at, Clock::time_point deadline) {
    for (;;) {
        std::string line;
        if (at.readLine(line, deadline) != AtChannel::Wait::Ready) return false;
        if (parseAtResult(line).kind == AtResult::Kind::Ok) return true;
    }
}

}  // namespace

OnHook putOnHook(SerialPort& port, AtChannel& at) {
    // A dial in progress ends at any character; a modem in command mode takes an empty line.
    if (at.send("\r", Clock::now() + milliseconds(kAnswerMs)) == AtChannel::Wait::PortGone)
        return OnHook::PortGone;
    port.setDtr(false);
    const auto raise = Clock::now() + milliseconds(kDtrLowMs);
    for (std::string line; at.readLine(line, raise) == AtChannel::Wait::Ready;) {
        // NO CARRIER of the aborted dial, OK of an aborted fax-class receive: nothing to act on.
    }
    port.setDtr(true);
    if (carrier(port) == false) return OnHook::CarrierGone;
    at.discardInput();

    AtResult r;
    if (at.exchange("ATH", kAnswerMs, r) == AtChannel::Wait::Ready && r.kind == AtResult::Kind::Ok)
        return OnHook::Answered;

    // Still in the data mode: nothing for the guard time, "+++", nothing again, then OK.
    std::this_thread::sleep_until(at.lastWrite() + milliseconds(kGuardMs));
    at.discardInput();
    if (at.send("+++", Clock::now() + milliseconds(kAnswerMs)) != AtChannel::Wait::Ready ||
        !waitForOk(at, Clock::now() + milliseconds(kGuardMs + kAnswerMs)))
        return OnHook::NoAnswer;
    if (at.exchange("ATH", kAnswerMs * 2, r) == AtChannel::Wait::Ready &&
        r.kind == AtResult::Kind::Ok)
        return OnHook::Escaped;
    return OnHook::NoAnswer;
}

const char* onHookText(OnHook how) {
    switch (how) {
        case OnHook::CarrierGone:
            return "модем положил трубку по сигналу DTR";
        case OnHook::Answered:
            return "модем положил трубку по команде ATH";
        case OnHook::Escaped:
            return "модем вышел из режима данных по +++ и положил трубку по команде ATH";
        case OnHook::NoAnswer:
            return "модем не ответил ни на DTR, ни на ATH, ни на +++: он может остаться на линии";
        case OnHook::PortGone:
            return "порт пропал, класть трубку некому";
    }
    return "";
}

}  // namespace velmor::modem
