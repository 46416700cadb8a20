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

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool LinuxProcessService::start(const std::string& path, const std::vector<std::string>& args,
                                const std::string& workDir) {
    if (path.empty()) return false;
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
        return false;
    }
    return spawnDetached(argv, workDir) > 0;
}

std::vector<ProcessInfo> LinuxProcessService::processes() {
    std::vector<ProcessInfo> out;
    DIR* dir = ::opendir("/proc");
    if (!dir) return out;
    while (const dirent* e = ::readdir(dir)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        const std::string link = "/proc/" + std::string(e->d_name) + "/exe";
        char buf[4096];
        const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
        if (n <= 0) continue;  // a kernel thread, another user's process, or gone
        std::string exe(buf, static_cast<std::size_t>(n));
        // A program replaced on disk while it runs is still that program.
        if (exe.size() > std::char_traits<char>::length(kDeleted) && exe.ends_with(kDeleted)) {
            exe.resize(exe.size() - std::char_traits<char>::length(kDeleted));
        }
        out.push_back({static_cast<int>(pid), std::move(exe)});
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
