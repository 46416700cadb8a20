// velmorctl modem: talks to an entry's modem and checks what a dial needs from the system, each
// part with the command that fixes it.
#include <sys/ioctl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/linux/at_channel.h"
#include "platform/linux/modem_checks.h"
#include "platform/linux/modem_diagnosis.h"
#include "platform/linux/modem_dialogue.h"
#include "platform/linux/modem_mobile.h"
#include "platform/linux/serial_port.h"
#include "platform/phonebook.h"
#include "tools/velmorctl.h"
#include "udev_template.h"

namespace velmor::ctl {
namespace {

constexpr int kAnswerMs = 3000;

// Each check is printed once, as it ends: never "ok" for a part that failed.
struct Report {
    bool fine = true;
    void ok(const std::string& what) { std::printf("ok      %s\n", what.c_str()); }
    void error(const std::string& what, const std::string& why) {
        std::printf("ошибка  %s: %s\n", what.c_str(), why.c_str());
        fine = false;
    }
    void note(const std::string& what, const std::string& text) {
        std::printf("внимание %s: %s\n", what.c_str(), text.c_str());
    }
};

// Sends a command and prints the modem's lines (its echo left out) until its result or the time.
modem::AtResult ask(modem::AtChannel& at, const std::string& command,
                    std::vector<std::string>* lines = nullptr) {
    std::printf("> %s\n", command.c_str());
    modem::AtResult result;
    std::vector<std::string> answer;
    at.exchange(command, kAnswerMs, result, &answer);
    for (const std::string& line : answer)
        std::printf("< %s\n", line.c_str());
    if (result.kind == modem::AtResult::Kind::None) {
        std::printf("  (нет ответа за %d с)\n", kAnswerMs / 1000);
    } else {
        std::printf("< %s\n", result.text.c_str());
    }
    if (lines) *lines = std::move(answer);
    return result;
}

std::string linesText(const std::optional<int>& bits) {
    if (!bits) {
        return "не читаются (псевдотерминал или переходник без них): несущую не видно, поэтому "
               "трубку кладёт команда ATH";
    }
    const auto line = [&](int bit, const char* name) {
        return std::string(name) + ((*bits & bit) ? " есть" : " нет");
    };
    return line(TIOCM_CTS, "CTS") + ", " + line(TIOCM_DSR, "DSR") + ", " + line(TIOCM_CD, "DCD");
}

// The rule that keeps ModemManager away from this modem, to be installed by the user.
void offerRule(const std::string& port) {
    const auto ids = modem::usbIdsOf(port);
    if (!ids) {
        std::printf(
            "        Модем не на USB: правило udev по его номерам не составить; остановите "
            "службу: sudo systemctl disable --now ModemManager\n");
        return;
    }
    std::printf("        Правило udev, чтобы ModemManager не трогал этот модем (%s:%s):\n\n%s\n",
                ids->vendor.c_str(), ids->product.c_str(),
                modem::udevRule(kUdevTemplate, *ids).c_str());
    std::printf(
        "        Поставьте его: sudo tee /etc/udev/rules.d/77-velmor-modem.rules (вставьте "
        "строку, затем Ctrl+D),\n        затем sudo udevadm control --reload && sudo "
        "udevadm trigger и подключите модем заново.\n");
}

// The port taken and opened as a dial takes it; false (said why) when it cannot be had.
bool openPort(const PhonebookEntry& entry, const modem::PppEnvironment& env, modem::PortLock& lock,
              modem::SerialPort& port, Report& report) {
    const std::string what = "Порт " + entry.device;
    const std::string& path = entry.device;
    if (const std::string problem = modem::portProblem(path); !problem.empty()) {
        report.error(what, problem);
        return false;
    }
    std::string why;
    switch (lock.take(env.lockDir, path, why)) {
        case modem::PortLock::Result::Taken:
            break;
        case modem::PortLock::Result::Busy:
            report.error(what, modem::portLockedText(path, lock.busyOwner(), env.lockDir));
            return false;
        case modem::PortLock::Result::Failed:
            report.error(what, modem::lockFailedText(env, why));
            return false;
    }
    const int e = port.open(path, entry.modem);
    if (e == 0) {
        report.ok(what);
        return true;
    }
    if (e == EBUSY) {
        const modem::PortUsers users = modem::portUsers(path);
        report.error(what,
                     modem::portHeldText(path, users.holders, users.modemManager, entry.name));
        if (users.modemManager) offerRule(path);
    } else if (e == ENOTTY) {
        report.error(what, modem::notATerminalText(path));
    } else {
        report.error(what, std::string("не открывается: ") + std::strerror(e) + ".");
    }
    return false;
}

void talk(const PhonebookEntry& entry, modem::SerialPort& port, Report& report) {
    std::printf("Линии порта: %s\n", linesText(port.modemLines()).c_str());
    modem::AtChannel at(port.fd());
    bool answered = true;
    for (const std::string& command :
         {entry.modem.init1, entry.modem.init2, entry.modem.init3, std::string("ATI")}) {
        if (command.empty()) continue;
        const modem::AtResult r = ask(at, command);
        if (r.kind == modem::AtResult::Kind::Ok) continue;
        answered = false;
        report.error("Модем", r.kind == modem::AtResult::Kind::None
                                  ? modem::silentModemText(command, kAnswerMs / 1000,
                                                           modem::modemManagerPid())
                                  : modem::initRefusedText(command, r.text));
        if (r.kind == modem::AtResult::Kind::None) return;  // nothing more to ask a silent modem
    }
    if (answered) report.ok("Модем отвечает на строки инициализации");
    if (!modem::isMobileNumber(entry.phoneNumber)) return;
    for (const std::string& question : modem::mobileQuestions()) {
        std::vector<std::string> lines;
        const modem::AtResult r = ask(at, question, &lines);
        const modem::Verdict v = modem::explainMobileAnswer(question, lines, r);
        if (v.fine) {
            report.ok(v.text);
        } else {
            report.error(question, v.text);
        }
    }
}

}  // namespace

int runModem(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: velmorctl modem ENTRY\n");
        return kBadInput;
    }
    Phonebook book(Phonebook::defaultPath());
    PhonebookEntry entry;
    if (book.find(args[0], entry) != Phonebook::Result::Ok) {
        std::fprintf(stderr, "velmorctl: нет соединения «%s» в телефонной книге %s\n",
                     args[0].c_str(), book.path().c_str());
        return kBadInput;
    }
    if (entry.deviceKind != DeviceKind::Serial) {
        std::fprintf(stderr, "velmorctl: соединение «%s» набирается не через модем (Device=%s)\n",
                     entry.name.c_str(), entry.device.c_str());
        return kBadInput;
    }
    const modem::PppEnvironment env = modem::PppEnvironment::fromEnvironment();
    Report report;
    std::printf("Модем на %s, %u бит/с\n", entry.device.c_str(), entry.modem.speed);
    {
        modem::PortLock lock;
        modem::SerialPort port;
        if (openPort(entry, env, lock, port, report)) {
            talk(entry, port, report);
            port.setDtr(false);
            port.close();
            // Free now, but the service may take a USB modem's port any time later.
            if (const auto manager = modem::modemManagerPid(); manager) {
                report.note("ModemManager", "служба работает (процесс " + std::to_string(*manager) +
                                                ") и может занять порт модема в любой момент.");
                offerRule(entry.device);
            }
        }
    }
    for (const modem::Check& c : modem::systemChecks(env, entry.device)) {
        if (c.what == "Порт " + entry.device) continue;  // told above, from the port itself
        if (c.problem.empty()) {
            report.ok(c.what);
        } else {
            report.error(c.what, c.problem);
        }
    }
    return report.fine ? 0 : 1;
}

}  // namespace velmor::ctl
