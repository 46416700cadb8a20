// velmorctl modem: talks to an entry's modem and checks what a dial needs from the system, each
// part with the command that fixes it.
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/linux/modem_checks.h"
#include "platform/linux/modem_dialogue.h"
#include "platform/linux/serial_port.h"
#include "platform/phonebook.h"
#include "tools/velmorctl.h"

namespace velmor::ctl {
namespace {

using Clock = std::chrono::steady_clock;

// Sends a command and prints the modem's lines until its result or three seconds; true on OK.
bool ask(int fd, const std::string& command) {
    std::printf("> %s\n", command.c_str());
    const std::string text = command + "\r";
    if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::printf("  (не удалось передать команду: %s)\n", std::strerror(errno));
        return false;
    }
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    std::string line;
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n <= 0) break;
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        if (line.empty() || line == command) {
            line.clear();
            continue;
        }
        std::printf("< %s\n", line.c_str());
        const auto result = modem::parseAtResult(line);
        line.clear();
        if (result.kind == modem::AtResult::Kind::Ok) return true;
        if (result.kind != modem::AtResult::Kind::None) return false;
    }
    std::printf("  (нет ответа за 3 с)\n");
    return false;
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
    bool fine = true;
    std::printf("Модем на %s, %u бит/с\n", entry.device.c_str(), entry.modem.speed);
    modem::PortLock lock;
    modem::SerialPort port;
    std::string why;
    const auto taken = lock.take(env.lockDir, entry.device, why);
    if (taken == modem::PortLock::Result::Busy) {
        std::printf("Порт занят другой программой (файл блокировки в %s).\n", env.lockDir.c_str());
        fine = false;
    } else if (const int e = port.open(entry.device, entry.modem); e != 0) {
        std::printf("Порт не открывается: %s\n", std::strerror(e));
        fine = false;
    } else {
        for (const std::string& command :
             {entry.modem.init1, entry.modem.init2, std::string("ATI")}) {
            if (!command.empty() && !ask(port.fd(), command)) fine = false;
        }
        port.setDtr(false);
        port.close();
    }
    for (const modem::Check& c : modem::systemChecks(env, entry.device)) {
        if (c.problem.empty()) {
            std::printf("ok      %s\n", c.what.c_str());
        } else {
            std::printf("ошибка  %s: %s\n", c.what.c_str(), c.problem.c_str());
            fine = false;
        }
    }
    return fine ? 0 : 1;
}

}  // namespace velmor::ctl
