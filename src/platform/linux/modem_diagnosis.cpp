#include "platform/linux/modem_diagnosis.h"

#include <dirent.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/linux/modem_dialogue.h"
#include "platform/linux/pppd_link.h"
#include "platform/ras.h"

namespace velmor::modem {
namespace {

namespace fs = std::filesystem;

std::string q(std::string_view text) {
    return "«" + std::string(text) + "»";
}

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool isNumber(const char* s) {
    if (!*s) return false;
    for (; *s; ++s) {
        if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
    }
    return true;
}

constexpr const char* kProc = "/proc/";

// Calls f(pid) for every process.
template <class F>
void eachProcess(F f) {
    DIR* d = ::opendir(kProc);
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        if (isNumber(e->d_name)) f(static_cast<pid_t>(std::atol(e->d_name)));
    }
    ::closedir(d);
}

// The name of a process (its comm), empty when it is gone.
std::string processName(pid_t pid) {
    return firstLine(kProc + std::to_string(pid) + "/comm");
}

std::string realPath(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::canonical(path, ec);
    return ec ? path : p.string();
}

bool hexIds(const std::string& text) {
    if (text.size() != 4) return false;
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

std::string mmAdvice(const std::string& entry) {
    return " Чтобы служба не трогала модем, поставьте правило udev (его печатает velmorctl modem " +
           q(entry) +
           ") или остановите её: sudo systemctl stop ModemManager (до перезагрузки; навсегда: "
           "sudo systemctl disable --now ModemManager).";
}

}  // namespace

std::string initRefusedText(std::string_view command, std::string_view answer) {
    std::string text =
        "Модем не принял строку инициализации " + q(command) + ": " + std::string(answer) + ".";
    const std::string meaning = resultMeaning(answer);
    return text + " " +
           (meaning.empty() ? "Проверьте строки инициализации в настройках соединения." : meaning);
}

std::string silentModemText(std::string_view command, int seconds, std::optional<pid_t> mmPid) {
    std::string text = "Модем не ответил на " + q(command) + " за " + std::to_string(seconds) +
                       " с. Проверьте, что модем включён и в настройках соединения выбраны его "
                       "порт и скорость.";
    if (mmPid) {
        text +=
            " Порт может опрашивать служба ModemManager (процесс " + std::to_string(*mmPid) + ").";
    }
    return text;
}

std::string dialResultText(int code, std::string_view command, std::string_view answer) {
    std::string text =
        ras::errorText(code) + " Модем ответил " + std::string(answer) + " на " + q(command) + ".";
    if (const std::string meaning = resultMeaning(answer); !meaning.empty()) {
        text += " " + meaning;
    }
    return text;
}

std::string dialTimeoutText(std::string_view command, int seconds) {
    return ras::errorText(ras::kErrorNoAnswer) + " На " + q(command) +
           " модем ничего не ответил за " + std::to_string(seconds) +
           " с (время набора задано в настройках соединения).";
}

std::string portGoneText(const std::string& port) {
    return "Порт " + port + " пропал во время звонка: модем отключён или перезапустился.";
}

std::string linkTimeoutText(int seconds, const std::string& lastWord) {
    std::string text = ras::errorText(ras::kErrorPppTimeout) + " За " + std::to_string(seconds) +
                       " с после CONNECT связь PPP не установилась (адрес не получен).";
    if (!lastWord.empty()) text += " pppd: «" + lastWord + "».";
    return text +
           " Так бывает, когда на том конце не сервер PPP или модем без сигнала DCD "
           "держит звонок, которого уже нет.";
}

std::string defaultRouteText(const PppEnvironment& env, const std::string& iface,
                             const std::string& routeDevice) {
    const std::string text = "Внимание: маршрут по умолчанию идёт через " + routeDevice +
                             ", а не через " + iface + ", и трафик идёт мимо модема. ";
    if (pppdKnowsOption(env.pppd, "replacedefaultroute")) {
        return text + "Добавьте строку replacedefaultroute в файл " + env.peersFile +
               " (как в packaging/ppp/peers/velmor): pppd заменит маршрут и вернёт прежний после "
               "разрыва.";
    }
    return text + env.pppd +
           " не умеет заменять маршрут: отключите другое соединение или удалите его маршрут "
           "(sudo ip route del default dev " +
           routeDevice + ").";
}

PortUsers portUsers(const std::string& path) {
    const std::string target = realPath(path);
    const pid_t self = ::getpid();
    PortUsers out;
    eachProcess([&](pid_t pid) {
        const std::string name = processName(pid);
        if (!out.modemManager && name == "ModemManager") out.modemManager = pid;
        if (pid == self) return;
        const std::string fdDir = kProc + std::to_string(pid) + "/fd";
        DIR* d = ::opendir(fdDir.c_str());
        if (!d) return;  // another user's process: not ours to see
        bool holds = false;
        while (const dirent* e = ::readdir(d)) {
            if (!isNumber(e->d_name)) continue;
            char link[4096];
            const std::string fd = fdDir + "/" + e->d_name;
            const ssize_t n = ::readlink(fd.c_str(), link, sizeof link - 1);
            if (n > 0 && std::string_view(link, static_cast<std::size_t>(n)) == target) {
                holds = true;
                break;
            }
        }
        ::closedir(d);
        if (holds) out.holders.push_back({pid, name});
    });
    return out;
}

std::optional<pid_t> modemManagerPid() {
    std::optional<pid_t> found;
    eachProcess([&](pid_t pid) {
        if (!found && processName(pid) == "ModemManager") found = pid;
    });
    return found;
}

std::string portHeldText(const std::string& port, const std::vector<PortHolder>& holders,
                         std::optional<pid_t> mmPid, const std::string& entry) {
    for (const PortHolder& h : holders) {
        if (h.name == "ModemManager") {
            return "Порт " + port + " занят службой ModemManager (процесс " +
                   std::to_string(h.pid) + "): она считает модем своим." + mmAdvice(entry);
        }
    }
    if (!holders.empty()) {
        const PortHolder& h = holders.front();
        return "Порт " + port + " занят программой " + h.name + " (процесс " +
               std::to_string(h.pid) + "). Закройте её и позвоните снова.";
    }
    if (mmPid) {
        return "Порт " + port +
               " уже открыт другой программой; скорее всего, это служба ModemManager (процесс " +
               std::to_string(*mmPid) + "), которая опрашивает модемы." + mmAdvice(entry);
    }
    return "Порт " + port + " уже открыт другой программой. Закройте её и позвоните снова.";
}

std::string portLockedText(const std::string& port, std::optional<pid_t> owner,
                           const std::string& lockDir) {
    if (!owner) {
        return "Порт " + port + " занят: его файл блокировки в " + lockDir +
               " только что создан другой программой.";
    }
    const std::string ownerName = processName(*owner);
    return "Порт " + port + " занят программой " + (ownerName.empty() ? "?" : ownerName) +
           " (процесс " + std::to_string(*owner) + ", её файл блокировки в " + lockDir +
           "). Закройте её и позвоните снова.";
}

std::optional<UsbIds> usbIdsOf(const std::string& port, const std::string& sysRoot) {
    const std::string name = fs::path(realPath(port)).filename().string();
    std::error_code ec;
    fs::path dir = fs::canonical(fs::path(sysRoot) / "class/tty" / name / "device", ec);
    if (ec) return std::nullopt;
    // The tty's interface, then the USB device above it; never past the devices' root.
    for (int up = 0; up < 6 && dir.has_relative_path(); ++up, dir = dir.parent_path()) {
        const std::string vendor = firstLine((dir / "idVendor").string());
        const std::string product = firstLine((dir / "idProduct").string());
        if (hexIds(vendor) && hexIds(product)) return UsbIds{vendor, product};
    }
    return std::nullopt;
}

std::string udevRule(std::string_view ruleTemplate, const UsbIds& ids) {
    std::string out;
    while (!ruleTemplate.empty()) {
        const std::size_t end = ruleTemplate.find('\n');
        std::string line(ruleTemplate.substr(0, end));
        ruleTemplate.remove_prefix(end == std::string_view::npos ? ruleTemplate.size() : end + 1);
        if (line.empty() || line[0] == '#') continue;  // the template's own explanation
        for (const auto& [mark, value] : {std::pair{"VVVV", &ids.vendor}, {"PPPP", &ids.product}}) {
            for (auto at = line.find(mark); at != std::string::npos; at = line.find(mark, at))
                line.replace(at, 4, *value);
        }
        out += line + "\n";
    }
    return out;
}

}  // namespace velmor::modem
