#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

extern char** environ;

namespace velmor::test {

std::string binary(const std::string& name) {
    return std::string(VELMOR_BIN_DIR) + "/" + name;
}

namespace {

// The argument and environment vectors of a new process; the strings live as long as this.
struct Launch {
    Launch(const std::string& program, const std::vector<std::string>& args,
           const std::vector<std::string>& extraEnv) {
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        // An extra entry takes the place of one of the same name.
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('=') + 1);
            if (std::none_of(extraEnv.begin(), extraEnv.end(),
                             [&](const std::string& x) { return x.starts_with(name); }))
                envStore.push_back(entry);
        }
        for (const std::string& e : extraEnv)
            envStore.push_back(e);
        for (std::string& e : envStore)
            envp.push_back(e.data());
        envp.push_back(nullptr);
    }
    std::vector<char*> argv;
    std::vector<std::string> envStore;
    std::vector<char*> envp;
};

}  // namespace

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& extraEnv, int timeoutMs,
                         const std::string& stdinText) {
    Launch launch(program, args, extraEnv);

    int out[2], err[2], in[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
        ::pipe2(in, O_CLOEXEC) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, launch.argv.data(),
                                    launch.envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    ::close(in[0]);
    if (spawned == 0 && !stdinText.empty()) {
        // A program that ends without reading its input must not take the test down with SIGPIPE:
        // the write then just fails.
        static const bool ignored = [] { return ::signal(SIGPIPE, SIG_IGN) != SIG_ERR; }();
        static_cast<void>(ignored);
        const ssize_t w = ::write(in[1], stdinText.data(), stdinText.size());
        static_cast<void>(w);
    }
    ::close(in[1]);

    ProcessResult r;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    int open = 2;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool killed = false;
    while (spawned == 0 && open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            ::kill(pid, SIGKILL);
            killed = true;
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left)) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<std::size_t>(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    if (spawned == 0 && ::waitpid(pid, &status, 0) == pid) {
        if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    }
    if (killed) r.status = -1;
    return r;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& extraEnv) {
    Launch launch(program, args, extraEnv);
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, launch.argv.data(),
                    launch.envp.data()) == 0) {
        pid_ = pid;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (outFd_ >= 0) ::close(outFd_);
    if (errFd_ >= 0) ::close(errFd_);
}

void ChildProcess::pump(int timeoutMs) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0) return;
    std::string* sinks[2] = {&result_.out, &result_.err};
    int* fdsOwned[2] = {&outFd_, &errFd_};
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
        char buf[4096];
        const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
        if (n > 0) {
            sinks[i]->append(buf, static_cast<std::size_t>(n));
        } else {
            ::close(*fdsOwned[i]);
            *fdsOwned[i] = -1;
        }
    }
}

bool ChildProcess::waitForOutput(const std::string& text, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (result_.out.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (outFd_ < 0 && errFd_ < 0) return false;
        pump(50);
    }
    return true;
}

void ChildProcess::signal(int sig) {
    if (pid_ > 0) ::kill(pid_, sig);
}

ProcessResult ChildProcess::wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (outFd_ >= 0 || errFd_ >= 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            break;
        }
        pump(50);
    }
    int status = 0;
    if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_) {
        if (WIFEXITED(status)) result_.status = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) result_.signal = WTERMSIG(status);
    }
    pid_ = -1;
    return result_;
}

}  // namespace velmor::test
