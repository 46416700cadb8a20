#include "platform/linux/pppd_failure.h"

#include "platform/ras.h"

namespace velmor::modem {
namespace {

// Lines of every link's life, which say nothing about why one ended.
bool routine(std::string_view line) {
    for (const std::string_view p :
         {"Terminating on signal", "Connection terminated", "Connect time", "Sent ", "Exit.",
          "Script ", "Using interface", "Connect: ", "local  IP address", "remote IP address",
          "primary   DNS", "secondary DNS", "pppd 2.", "pppd options in effect"}) {
        if (line.starts_with(p)) return true;
    }
    return false;
}

std::string said(const PppdFacts& facts) {
    std::string text;
    if (!facts.lastWord.empty()) text += " pppd: «" + facts.lastWord + "».";
    if (!facts.remoteMessage.empty()) text += " Сервер: «" + facts.remoteMessage + "».";
    return text;
}

}  // namespace

PppdEvent notePppdLine(PppdFacts& facts, std::string_view raw) {
    std::string_view line = raw;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.remove_suffix(1);
    if (line.starts_with("pppd: ")) line.remove_prefix(6);
    const PppdEvent e = parsePppdLine(line);
    switch (e.kind) {
        case PppdEvent::Kind::AuthFailed:
            facts.authFailed = true;
            break;
        case PppdEvent::Kind::LcpTimeout:
            facts.lcpTimeout = true;
            break;
        case PppdEvent::Kind::NoKernelSupport:
            facts.noKernelSupport = true;
            break;
        default:
            break;
    }
    if (line.starts_with("Remote message:")) {
        std::string_view m = line.substr(15);
        while (!m.empty() && m.front() == ' ')
            m.remove_prefix(1);
        facts.remoteMessage = std::string(m.substr(0, 200));
    } else if (!line.empty() && !routine(line) && e.kind != PppdEvent::Kind::AuthSucceeded) {
        facts.lastWord = std::string(line.substr(0, 300));
    }
    return e;
}

int pppdFailure(const PppdFacts& facts, int exitCode) {
    if (facts.authFailed) return ras::kErrorAuthenticationFailure;
    if (facts.lcpTimeout) return ras::kErrorPppTimeout;
    if (facts.noKernelSupport) return ras::kErrorPortNotAvailable;
    switch (exitCode) {
        case 19:
            return ras::kErrorAuthenticationFailure;
        case 15:
        case 16:
            return ras::kErrorRemoteDisconnection;
        case 1:
        case 2:
        case 3:
        case 4:
        case 7:
        case 11:
            return ras::kErrorPortNotAvailable;
        case 6:
            return ras::kErrorPortAlreadyOpen;
        case 5:
            return ras::kErrorUserDisconnection;
        default:
            return ras::kErrorPppLcpTerminated;
    }
}

std::string pppdFailureText(const PppdFacts& facts, int exitCode, const PppEnvironment& env) {
    const int code = pppdFailure(facts, exitCode);
    const std::string base = ras::errorText(code);
    if (code == ras::kErrorAuthenticationFailure) return base + said(facts);
    if (facts.lcpTimeout) {
        return base + said(facts) +
               " Модем соединился, но на том конце не ответил сервер PPP: проверьте номер "
               "(не голосовой ли он, не нужен ли вход через терминал).";
    }
    if (facts.noKernelSupport || exitCode == 4) return noKernelSupportText(env) + said(facts);
    switch (exitCode) {
        case 1:
            return "pppd не смог работать на этой машине." + said(facts);
        case 2:
            return pppdRefusedText(env) + said(facts);
        case 3:
            return "pppd не получил прав root." + said(facts) + " " + setuidFixText(env.pppd);
        case 6:
            return "pppd не смог заблокировать порт." + said(facts) +
                   " Уберите параметр lock из /etc/ppp/options: Velmor блокирует порт сам.";
        case 7:
            return "pppd не смог открыть порт модема." + said(facts);
        case 11:
            return "pppd потребовал, чтобы сервер провайдера подтвердил своё имя, а тот этого не "
                   "сделал." +
                   said(facts) + " Уберите параметр auth из /etc/ppp/options.";
        case 5:
            return "pppd остановлен сигналом извне." + said(facts);
        case 15:
        case 16:
            return base + said(facts);
        default:
            break;
    }
    return base + " pppd " +
           (exitCode < 0 ? std::string("прерван сигналом.")
                         : "завершился с кодом " + std::to_string(exitCode) + ".") +
           said(facts);
}

}  // namespace velmor::modem
