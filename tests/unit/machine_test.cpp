#include "platform/machine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "temp_dir.h"

using namespace velmor;
namespace fs = std::filesystem;

namespace {

using velmor::test::TempDir;

dev_t deviceOf(const fs::path& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 ? st.st_dev : 0;
}

// Exit status of a child process that tries to take the lock: 0 taken, 1 refused.
int lockInChild(const std::string& path) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        InstanceLock lock(path);
        ::_exit(lock.acquired() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(Machine, BindingIsCutFromTheSignedSerialText) {
    struct Case {
        std::uint32_t serial;
        const char* text;
        const char* code;
        const char* key;
    };
    const Case cases[] = {
        {0x12345678u, "305419896", "30541", "1989"},
        {0xABCD1234u, "-1412623820", "-1412", "2623"},  // the top bit set gives a sign
        {0x80000000u, "-2147483648", "-2147", "7483"},
        {0xFFFFFFFFu, "-1", "-1", ""},
        {0u, "0", "0", ""},
        {1234u, "1234", "1234", ""},
        {12345u, "12345", "12345", "5"},  // the 5th character belongs to both
        {1234567u, "1234567", "12345", "567"},
    };
    for (const Case& c : cases) {
        const MachineBinding b = machineBindingOf(c.serial);
        EXPECT_EQ(b.serialText, c.text);
        EXPECT_EQ(b.machineCode, c.code) << c.text;
        EXPECT_EQ(b.machineKey, c.key) << c.text;
    }
    const MachineBinding none = machineBinding("/no/such/directory/here");
    EXPECT_EQ(none.machineCode, "0");
    EXPECT_EQ(none.machineKey, "");
}

TEST(Machine, SerialFromUuidLinkNames) {
    EXPECT_EQ(detail::serialFromUuidName("ABCD-1234"), 0xABCD1234u);
    EXPECT_EQ(detail::serialFromUuidName("abcd-1234"), 0xABCD1234u);
    EXPECT_EQ(detail::serialFromUuidName("3f2a1b4c-5d6e-4f70-8192-a3b4c5d6e7f8"), 0x3F2A1B4Cu);
    EXPECT_EQ(detail::serialFromUuidName("12-34-56-78-9A"), 0x12345678u);
    EXPECT_EQ(detail::serialFromUuidName("0123456789ABCDEF"), 0x01234567u);
    EXPECT_FALSE(detail::serialFromUuidName("1234-567"));
    EXPECT_FALSE(detail::serialFromUuidName("ABCD-12G4"));
    EXPECT_FALSE(detail::serialFromUuidName("not-a-uuid"));
    EXPECT_FALSE(detail::serialFromUuidName(""));
}

TEST(Machine, VolumeSerialIsStablePerFilesystem) {
    const std::uint32_t root = volumeSerial("/");
    EXPECT_EQ(volumeSerial("/"), root);
    EXPECT_EQ(volumeSerial(""), root);
    EXPECT_EQ(machineBinding("").serialText, machineBindingOf(root).serialText);
    for (const char* dir : {"/etc", "/usr", "/bin", "/var", "/root"}) {
        if (deviceOf(dir) == deviceOf("/")) {
            EXPECT_EQ(volumeSerial(dir), root) << dir;
            break;
        }
    }
    EXPECT_EQ(volumeSerial("/no/such/directory/here"), 0u);
    TempDir tmp;
    const fs::path file = tmp.path / "plain";
    ::close(::creat(file.c_str(), 0600));
    EXPECT_EQ(volumeSerial(file.string()), 0u);  // a file is no drive root
    EXPECT_EQ(volumeSerial(tmp.path.string()), volumeSerial(tmp.path.string()));
}

TEST(Machine, VolumeSerialPrefersTheUuidOfTheDevice) {
    TempDir tmp;
    const fs::path byUuid = tmp.path / "by-uuid";
    fs::create_directory(byUuid);
    const fs::path target = tmp.path / "mounted";
    fs::create_directory(target);
    const dev_t device = deviceOf(target);
    const dev_t other = ::makedev(::major(device) + 1, ::minor(device));
    if (::mknod((tmp.path / "disk").c_str(), S_IFBLK | 0600, device) != 0 ||
        ::mknod((tmp.path / "other").c_str(), S_IFBLK | 0600, other) != 0) {
        GTEST_SKIP() << "cannot create device nodes here";
    }
    const std::uint32_t fallback = detail::volumeSerialIn(target.string(), byUuid.string());
    EXPECT_NE(fallback, 0u);

    fs::create_symlink("../disk", byUuid / "ABCD-1234");
    fs::create_symlink("../other", byUuid / "0000-0001");    // another device
    fs::create_symlink("../disk", byUuid / "00-not-hex");    // sorts first, no serial in it
    fs::create_symlink("../missing", byUuid / "1111-1111");  // dangling link
    EXPECT_EQ(detail::volumeSerialIn(target.string(), byUuid.string()), 0xABCD1234u);

    // Several names for one device: the same one on every run.
    fs::create_symlink("../disk", byUuid / "9999-0000");
    EXPECT_EQ(detail::volumeSerialIn(target.string(), byUuid.string()), 0x99990000u);
    EXPECT_EQ(detail::volumeSerialIn("/no/such/dir", byUuid.string()), 0u);
}

TEST(Machine, InstanceLockRefusesASecondHolder) {
    TempDir tmp;
    const std::string path = (tmp.path / "velmor.lock").string();
    {
        InstanceLock first(path);
        ASSERT_TRUE(first.acquired());
        EXPECT_EQ(first.error(), 0);
        struct stat st;
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);

        InstanceLock second(path);  // another open file description in the same process
        EXPECT_FALSE(second.acquired());
        EXPECT_EQ(second.error(), EWOULDBLOCK);
        EXPECT_EQ(lockInChild(path), 1);
    }
    EXPECT_EQ(lockInChild(path), 0);
    InstanceLock again(path);
    EXPECT_TRUE(again.acquired());

    InstanceLock nowhere((tmp.path / "missing" / "velmor.lock").string());
    EXPECT_FALSE(nowhere.acquired());
    EXPECT_EQ(nowhere.error(), ENOENT);
}

TEST(Machine, DefaultLockPathFollowsTheRuntimeDirectory) {
    TempDir tmp;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", tmp.path.c_str(), 1);
    EXPECT_EQ(InstanceLock::defaultPath(), (tmp.path / "velmor.lock").string());
    const std::string fallback = "/tmp/velmor-" + std::to_string(::getuid()) + ".lock";
    ::setenv("XDG_RUNTIME_DIR", (tmp.path / "gone").c_str(), 1);
    EXPECT_EQ(InstanceLock::defaultPath(), fallback);
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(InstanceLock::defaultPath(), fallback);
    if (saved) ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
}
