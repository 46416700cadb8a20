#include "platform/linux/linux_processes.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/linux/spawn.h"

namespace velmor {
namespace {

constexpr const char* kDeleted = " (deleted)";

// The start time of a process (field 22 of its stat line), which tells a process from a later
// one that got the same id; empty when it is gone.
std::string startTime(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return {};
    const auto close = line.rfind(')');
    if (close == std::string::npos) return {};
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    char state = 0;
    rest >> state;
    if (state == 'Z' || state == 'X') return {};  // ended, not yet collected
    for (int i = 4; i <= 22 && rest >> field; ++i) {
    }
    return field;
}

// Where a link of /proc leads; empty when it cannot be read.
std::string readLink(const std::string& link) {
    char buf[4096];
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

int LinuxProcessService::start(const std::string& path, const std::vector<std::string>& args,
                               const std::string& workDir) {
    if (path.empty()) return 0;
    std::vector<std::string> argv;
    const bool bare = path.find('/') == std::string::npos;
    struct stat st {};
    if (bare || isExecutableFile(path)) {
        argv.push_back(path);
        argv.insert(argv.end(), args.begin(), args.end());
    } else if (::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        // A document: the desktop's default application opens it.
        argv = {"xdg-open", path};
    } else {
        return 0;
    }
    const pid_t pid = spawnDetached(argv, workDir);
    return pid > 0 ? static_cast<int>(pid) : 0;
}

std::vector<ProcessInfo> LinuxProcessService::processes() {
    std::vector<ProcessInfo> out;
    DIR* dir = ::opendir("/proc");
    if (!dir) return out;
    while (const dirent* e = ::readdir(dir)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        const std::string proc = "/proc/" + std::string(e->d_name);
        std::string exe = readLink(proc + "/exe");
        if (exe.empty()) continue;  // a kernel thread, another user's process, or gone
        // A program replaced on disk while it runs is still that program.
        if (exe.size() > std::char_traits<char>::length(kDeleted) && exe.ends_with(kDeleted)) {
            exe.resize(exe.size() - std::char_traits<char>::length(kDeleted));
        }
        ProcessInfo info{static_cast<int>(pid), std::move(exe), {}, readLink(proc + "/cwd"), -1};
        std::ifstream cmdline(proc + "/cmdline", std::ios::binary);
        for (std::string arg; std::getline(cmdline, arg, '\0');)
            info.args.push_back(arg);
        std::ifstream status(proc + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("Uid:", 0) == 0) {
                info.uid = std::strtol(line.c_str() + 4, nullptr, 10);
                break;
            }
        }
        out.push_back(std::move(info));
    }
    ::closedir(dir);
    return out;
}

bool LinuxProcessService::terminate(int pid) {
    if (pid <= 0) return false;
    const std::string started = startTime(pid);
    if (started.empty() || ::kill(pid, SIGTERM) != 0) return false;
    // The forced end comes later, off the user-interface thread.
    std::thread([pid, started, grace = grace_] {
        const auto until = std::chrono::steady_clock::now() + grace;
        while (std::chrono::steady_clock::now() < until) {
            if (startTime(pid) != started) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (startTime(pid) == started) ::kill(pid, SIGKILL);
    }).detach();
    return true;
}

}  // namespace velmor
