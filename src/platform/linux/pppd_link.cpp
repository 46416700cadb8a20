#include "platform/linux/pppd_link.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/ras.h"

namespace velmor::modem {
namespace {

bool contains(std::string_view s, std::string_view part) {
    return s.find(part) != std::string_view::npos;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The address that ends an "IP address" line, when it is one.
std::string lastAddress(std::string_view line) {
    const std::size_t space = line.find_last_of(' ');
    const std::string word(space == std::string_view::npos ? line : line.substr(space + 1));
    in_addr a{};
    return inet_pton(AF_INET, word.c_str(), &a) == 1 ? word : std::string();
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Writes all of text to a pipe nobody reads yet (it fits in the pipe's buffer) and closes it.
bool writeAndClose(int& fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    closeFd(fd);
    return done == text.size();
}

}  // namespace

PppdEvent parsePppdLine(std::string_view raw) {
    std::string_view line = trimmed(raw);
    if (line.starts_with("pppd: ")) line.remove_prefix(6);
    PppdEvent e;
    if (line.starts_with("Remote message:")) return e;
    if (line.starts_with("Using interface ")) {
        e.kind = PppdEvent::Kind::Interface;
        e.value = std::string(trimmed(line.substr(16)));
    } else if (line.starts_with("Connect: ")) {
        e.kind = PppdEvent::Kind::Connect;
        std::string_view rest = line.substr(9);
        e.value = std::string(trimmed(rest.substr(0, rest.find(' '))));
    } else if (contains(line, "authentication succeeded")) {
        e.kind = PppdEvent::Kind::AuthSucceeded;
        e.protocol = line.starts_with("PAP")    ? ras::kAuthPap
                     : line.starts_with("CHAP") ? ras::kAuthChap
                     : line.starts_with("EAP")  ? ras::kAuthEap
                                                : 0;
    } else if (contains(line, "authentication failed")) {
        e.kind = PppdEvent::Kind::AuthFailed;
    } else if ((line.starts_with("local ") || line.starts_with("remote ")) &&
               contains(line, " IP address ")) {
        e.value = lastAddress(line);
        if (!e.value.empty()) {
            e.kind =
                line[0] == 'l' ? PppdEvent::Kind::LocalAddress : PppdEvent::Kind::RemoteAddress;
        }
    } else if (contains(line, "LCP: timeout sending Config-Requests")) {
        e.kind = PppdEvent::Kind::LcpTimeout;
    } else if (contains(line, "kernel support for PPP") ||
               contains(line, "lacks PPP kernel support")) {
        e.kind = PppdEvent::Kind::NoKernelSupport;
    }
    return e;
}

std::string optionWord(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

std::vector<std::string> pppdArguments(std::uint32_t handle, bool hardwareFlow) {
    std::vector<std::string> args = {"call", "velmor"};
    if (!hardwareFlow) args.emplace_back("nocrtscts");
    for (const char* a : {"file", "/proc/self/fd/4", "passwordfd", "3", "logfd", "2", "ipparam"})
        args.emplace_back(a);
    args.push_back("velmor-" + std::to_string(handle));
    return args;
}

bool pppdKnowsOption(const std::string& program, std::string_view option) {
    const int fd = ::open(program.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || option.empty()) {
        if (fd >= 0) ::close(fd);
        return false;
    }
    // Read in pieces that overlap by the option's length, so that none is cut in two.
    std::string window;
    char buf[65536];
    bool found = false;
    for (ssize_t n; !found && (n = ::read(fd, buf, sizeof buf)) > 0;) {
        window.append(buf, static_cast<std::size_t>(n));
        found = window.find(option) != std::string::npos;
        window.erase(0, window.size() - std::min(window.size(), option.size()));
    }
    ::close(fd);
    return found;
}

std::string masked(std::string line, const std::string& secret) {
    if (secret.empty()) return line;
    for (std::size_t at = line.find(secret); at != std::string::npos;
         at = line.find(secret, at + 3)) {
        line.replace(at, secret.size(), "***");
    }
    return line;
}

int startPppd(const std::string& program, std::uint32_t handle, bool hardwareFlow, int portFd,
              const std::string& login, const std::string& password, PppdProcess& out) {
    out = {};
    int logPipe[2] = {-1, -1}, passwordPipe[2] = {-1, -1}, optionsPipe[2] = {-1, -1};
    int nullFd = -1, port = -1;
    const auto cleanup = [&] {
        for (int* fd : {&logPipe[0], &logPipe[1], &passwordPipe[0], &passwordPipe[1],
                        &optionsPipe[0], &optionsPipe[1], &nullFd, &port})
            closeFd(*fd);
    };
    if (::pipe2(logPipe, O_CLOEXEC) != 0 || ::pipe2(passwordPipe, O_CLOEXEC) != 0 ||
        ::pipe2(optionsPipe, O_CLOEXEC) != 0) {
        const int e = errno;
        cleanup();
        return e;
    }
    nullFd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    // Above the numbers the child gets, so that no dup2 overwrites a source still to be copied.
    port = ::fcntl(portFd, F_DUPFD_CLOEXEC, 10);
    for (int* fd : {&logPipe[1], &passwordPipe[0], &optionsPipe[0], &nullFd}) {
        const int high = ::fcntl(*fd, F_DUPFD_CLOEXEC, 10);
        closeFd(*fd);
        *fd = high;
    }
    if (port < 0 || nullFd < 0 || logPipe[1] < 0 || passwordPipe[0] < 0 || optionsPipe[0] < 0) {
        cleanup();
        return EMFILE;
    }
    // Both fit in a pipe's buffer, so they are written before pppd reads them.
    if (!writeAndClose(optionsPipe[1], "user " + optionWord(login) + "\n") ||
        !writeAndClose(passwordPipe[1], password)) {
        cleanup();
        return EIO;
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_adddup2(&actions, port, 0);
    posix_spawn_file_actions_adddup2(&actions, nullFd, 1);
    posix_spawn_file_actions_adddup2(&actions, logPipe[1], 2);
    posix_spawn_file_actions_adddup2(&actions, passwordPipe[0], 3);
    posix_spawn_file_actions_adddup2(&actions, optionsPipe[0], 4);
    posix_spawn_file_actions_addclosefrom_np(&actions, 5);
    // A group of its own: the terminal's Ctrl+C reaches the dialer, which ends pppd itself.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(
        &attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> args = pppdArguments(handle, hardwareFlow);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // Nothing of the user's environment goes to a program that runs as root.
    char path[] = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
    char* envp[] = {path, nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), envp);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    const int logRead = logPipe[0];
    logPipe[0] = -1;
    cleanup();
    if (rc != 0) {
        ::close(logRead);
        return rc;
    }
    ::fcntl(logRead, F_SETFL, O_NONBLOCK);
    out.pid = pid;
    out.logFd = logRead;
    out.pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    return 0;
}

int reapPppd(PppdProcess& p, int timeoutMs) {
    if (p.pid <= 0) return -1;
    if (p.pidFd >= 0) {
        pollfd pfd{p.pidFd, POLLIN, 0};
        int n;
        while ((n = ::poll(&pfd, 1, timeoutMs)) < 0 && errno == EINTR) {
        }
        if (n == 0) return -2;
    }
    int status = 0;
    pid_t r;
    if (p.pidFd < 0 && timeoutMs >= 0) {
        // Without a pidfd (an older kernel, a sandbox refusing it) the time limit is kept by
        // looking every few milliseconds.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            r = ::waitpid(p.pid, &status, WNOHANG);
            if (r < 0 && errno == EINTR) continue;
            if (r != 0 || std::chrono::steady_clock::now() >= deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    } else {
        while ((r = ::waitpid(p.pid, &status, 0)) < 0 && errno == EINTR) {
        }
    }
    if (r == 0) return -2;
    p.pid = -1;
    if (r < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void closePppd(PppdProcess& p) {
    closeFd(p.pidFd);
    closeFd(p.logFd);
}

}  // namespace velmor::modem
