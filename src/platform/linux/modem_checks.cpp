#include "platform/linux/modem_checks.h"

#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace velmor::modem {
namespace {

std::string fromEnv(const char* name, const std::string& def) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : def;
}

std::string userName() {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name) return pw->pw_name;
    if (const char* u = std::getenv("USER"); u && *u) return u;
    return "$USER";
}

std::string groupText(const std::string& group) {
    const std::string user = userName();
    return "пользователь " + user + " не входит в группу " + group + ". Выполните sudo adduser " +
           user + " " + group + " и войдите в систему заново.";
}

std::string groupOf(const std::string& path, const std::string& fallback) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return fallback;
    const group* g = ::getgrgid(st.st_gid);
    return g && g->gr_name && std::strcmp(g->gr_name, "root") != 0 ? g->gr_name : fallback;
}

std::string pppdProblem(const PppEnvironment& env) {
    struct stat st {};
    if (::stat(env.pppd.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
        return "Не найдена программа " + env.pppd + ". Установите пакет ppp: sudo apt install ppp.";
    }
    if (::access(env.pppd.c_str(), X_OK) != 0) {
        return "Нет права запускать " + env.pppd + ": " + groupText(groupOf(env.pppd, "dip"));
    }
    return {};
}

std::string peersProblem(const PppEnvironment& env) {
    struct stat st {};
    if (::stat(env.peersFile.c_str(), &st) == 0) return {};
    if (errno == EACCES) {
        return "Нет доступа к файлу " + env.peersFile + ": " + groupText("dip");
    }
    return "Нет файла настроек pppd " + env.peersFile +
           ". Установите его: sudo install -m 0640 -g dip packaging/ppp/peers/velmor " +
           env.peersFile + " (файл из исходных текстов Velmor; пакет velmor ставит его сам).";
}

std::string kernelProblem(const PppEnvironment& env) {
    struct stat st {};
    return ::stat(env.pppDevice.c_str(), &st) == 0 ? std::string() : noKernelSupportText(env);
}

}  // namespace

std::string portProblem(const std::string& port) {
    struct stat st {};
    if (::stat(port.c_str(), &st) != 0) return portMissingText(port);
    if (::access(port.c_str(), R_OK | W_OK) != 0) return portDeniedText(port);
    return {};
}

PppEnvironment PppEnvironment::fromEnvironment() {
    PppEnvironment e;
    e.pppd = fromEnv("VELMOR_PPPD", e.pppd);
    e.peersFile = fromEnv("VELMOR_PPP_PEERS", e.peersFile);
    e.pppDevice = fromEnv("VELMOR_PPP_DEVICE", e.pppDevice);
    e.netRoot = fromEnv("VELMOR_SYS_CLASS_NET", e.netRoot);
    e.lockDir = fromEnv("VELMOR_LOCK_DIR", e.lockDir);
    const int timeout = std::atoi(fromEnv("VELMOR_PPP_LINK_TIMEOUT", "0").c_str());
    if (timeout > 0) e.linkTimeoutSec = timeout;
    return e;
}

std::vector<Check> systemChecks(const PppEnvironment& env, const std::string& port) {
    const std::string startable = pppdProblem(env);
    return {
        {"Программа pppd " + env.pppd, startable},
        // A pppd that cannot be started cannot gain root either: said once.
        {"Права root для pppd", startable.empty() ? rootProblem(env.pppd, ::getuid()) : ""},
        {"Файл настроек pppd " + env.peersFile, peersProblem(env)},
        {"Поддержка PPP в ядре (" + env.pppDevice + ")", kernelProblem(env)},
        {"Порт " + port, portProblem(port)},
    };
}

std::string firstProblem(const PppEnvironment& env, const std::string& port) {
    for (const Check& c : systemChecks(env, port)) {
        if (!c.problem.empty()) return c.problem;
    }
    return {};
}

std::string rootProblem(const std::string& pppd, uid_t uid) {
    if (uid == 0) return {};
    struct stat st {};
    if (::stat(pppd.c_str(), &st) != 0) return {};  // told by the check before
    if (!(st.st_mode & S_ISUID) || st.st_uid != 0) {
        return "pppd не получит прав root: у " + pppd + " нет бита setuid. " + setuidFixText(pppd);
    }
    struct statvfs fs {};
    if (::statvfs(pppd.c_str(), &fs) == 0 && (fs.f_flag & ST_NOSUID)) {
        return "pppd не получит прав root: файловая система с " + pppd +
               " смонтирована с параметром nosuid. Используйте pppd из /usr/sbin.";
    }
    if (::prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0) == 1) {
        return "pppd не получит прав root: Velmor запущен с запретом на повышение прав "
               "(no_new_privs; так запускают песочницы и службы с NoNewPrivileges=yes). "
               "Запустите Velmor без этого запрета.";
    }
    return {};
}

std::string setuidFixText(const std::string& pppd) {
    return "Верните его, как ставит пакет ppp: sudo chown root:dip " + pppd +
           " && sudo chmod 4754 " + pppd + ".";
}

std::string portMissingText(const std::string& port) {
    return "Нет порта " + port +
           ": модем не подключен или в записи выбран другой порт. Подключите модем или выберите "
           "его порт в настройках соединения.";
}

std::string portDeniedText(const std::string& port) {
    return "Нет доступа к порту " + port + ": " + groupText(groupOf(port, "dialout"));
}

std::string notATerminalText(const std::string& port) {
    return port +
           " не является последовательным портом. Выберите порт модема в настройках "
           "соединения.";
}

std::string noKernelSupportText(const PppEnvironment& env) {
    return "В ядре нет поддержки PPP (нет устройства " + env.pppDevice +
           "). Загрузите модуль: sudo modprobe ppp_async.";
}

std::string pppdRefusedText(const PppEnvironment& env) {
    return "pppd не принял параметры запуска. Проверьте файл " + env.peersFile +
           " (его образец: packaging/ppp/peers/velmor).";
}

std::string lockFailedText(const PppEnvironment& env, const std::string& why) {
    return "Не удается создать файл блокировки порта в " + env.lockDir + ": " + why + ".";
}

}  // namespace velmor::modem
