#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/cipher.h"
#include "platform/machine.h"

extern char** environ;

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs velmorctl with the arguments as given (no shell) and collects its output.
Result velmorctl(const std::vector<std::string>& args) {
    const std::string program = VELMOR_BIN_DIR "/velmorctl";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);

    Result r;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    int open = 2;
    while (spawned == 0 && open > 0 && ::poll(fds, 2, 10000) > 0) {
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
    if (spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        r.status = WEXITSTATUS(status);
    }
    return r;
}

}  // namespace

TEST(VelmorctlCrypto, EncryptDecryptRoundTrip) {
    Result enc = velmorctl({"encrypt", "--key", "Пароль", "Секрет"});
    EXPECT_EQ(enc.status, 0) << enc.err;
    EXPECT_EQ(enc.out, "MaCC72wF\n");

    const std::string secret = "Логин ёЁ №5 user";
    enc = velmorctl({"encrypt", "--key", "Пароль", secret});
    ASSERT_EQ(enc.status, 0) << enc.err;
    EXPECT_EQ(enc.out, velmor::encipherText("Пароль", secret) + "\n");
    const std::string stored = enc.out.substr(0, enc.out.size() - 1);

    Result dec = velmorctl({"decrypt", "--key", "Пароль", stored});
    EXPECT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(dec.out, secret + "\n");
    EXPECT_EQ(dec.err, "");

    dec = velmorctl({"decrypt", "--hex", "--key=Пароль", "MaCC72wF"});
    EXPECT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(dec.out, "d1e5eaf0e5f2\n");  // "Секрет" in Windows-1251

    // Empty key and empty text are valid values.
    enc = velmorctl({"encrypt", "--key", "", ""});
    EXPECT_EQ(enc.status, 0);
    EXPECT_EQ(enc.out, "\n");
    enc = velmorctl({"encrypt", "--key", "", "--", "--dash"});
    EXPECT_EQ(enc.status, 0) << enc.err;
    dec = velmorctl({"decrypt", "--key", "", enc.out.substr(0, enc.out.size() - 1)});
    EXPECT_EQ(dec.out, "--dash\n");
}

TEST(VelmorctlCrypto, BadInputExitsWithStatusTwo) {
    Result r = velmorctl({"decrypt", "--key", "k", "abcde"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Base64: Incorrect string format\n");
    EXPECT_EQ(r.out, "");

    const std::vector<std::vector<std::string>> usage = {
        {"encrypt", "--key", "k"}, {"encrypt", "text"},
        {"encrypt", "--key"},      {"encrypt", "--key", "k", "a", "b"},
        {"decrypt", "--key", "k"}, {"encrypt", "--key", "k", "--hex", "x"},
        {"machine", "/", "/"},
    };
    for (const auto& args : usage) {
        r = velmorctl(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << args.size();
        EXPECT_NE(r.err.find("usage: velmorctl " + args[0]), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }

    // A character Windows-1251 cannot hold would change the secret: refused.
    r = velmorctl({"encrypt", "--key", "k", "smile \xF0\x9F\x98\x80"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Windows-1251"), std::string::npos);
    EXPECT_EQ(r.out, "");
}

TEST(VelmorctlCrypto, MachinePrintsTheBinding) {
    const velmor::MachineBinding root = velmor::machineBinding("");
    Result r = velmorctl({"machine"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "VolumeSerial=" + root.serialText + "\nMachineCode=" + root.machineCode +
                         "\nMachineKey=" + root.machineKey + "\n");
    EXPECT_EQ(velmorctl({"machine", "/"}).out, r.out);

    r = velmorctl({"machine", "/no/such/drive"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "VolumeSerial=0\nMachineCode=0\nMachineKey=\n");
}
