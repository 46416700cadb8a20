#include "platform/machine.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace velmor {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The UUID link names whose block device is the one holding the filesystem, sorted, so that the
// same one wins on every run when a device has several.
std::vector<std::string> uuidNamesOf(dev_t device, const std::string& byUuidDir) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(byUuidDir.c_str());
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        if (::stat((byUuidDir + "/" + name).c_str(), &st) == 0 && S_ISBLK(st.st_mode) &&
            st.st_rdev == device) {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

namespace detail {

std::optional<std::uint32_t> serialFromUuidName(std::string_view name) {
    std::uint32_t value = 0;
    int digits = 0;
    for (char c : name) {
        if (c == '-') continue;
        const int d = hexDigit(c);
        if (d < 0) return std::nullopt;
        if (digits < 8) value = value << 4 | static_cast<std::uint32_t>(d);
        ++digits;
    }
    if (digits < 8) return std::nullopt;
    return value;
}

std::uint32_t volumeSerialIn(std::string_view drive, const std::string& byUuidDir) {
    const std::string path = drive.empty() ? std::string("/") : std::string(drive);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 0;

    for (const std::string& name : uuidNamesOf(st.st_dev, byUuidDir)) {
        if (auto serial = serialFromUuidName(name)) return *serial;
    }

    // No UUID link (an overlay, tmpfs or a subvolume): the filesystem id, which the kernel keeps
    // for as long as the filesystem is mounted.
    struct statfs fs;
    if (::statfs(path.c_str(), &fs) == 0) {
        int halves[2];
        static_assert(sizeof halves == sizeof fs.f_fsid);
        std::memcpy(halves, &fs.f_fsid, sizeof halves);
        const std::uint32_t folded =
            static_cast<std::uint32_t>(halves[0]) ^ static_cast<std::uint32_t>(halves[1]);
        if (folded != 0) return folded;
    }
    const std::uint64_t dev = st.st_dev;
    return static_cast<std::uint32_t>(dev ^ (dev >> 32));
}

}  // namespace detail

std::uint32_t volumeSerial(std::string_view drive) {
    return detail::volumeSerialIn(drive, "/dev/disk/by-uuid");
}

MachineBinding machineBindingOf(std::uint32_t serial) {
    MachineBinding b;
    b.serialText = std::to_string(static_cast<std::int32_t>(serial));
    b.machineCode = b.serialText.substr(0, 5);
    b.machineKey = b.serialText.size() > 4 ? b.serialText.substr(4, 4) : std::string();
    return b;
}

MachineBinding machineBinding(std::string_view firstArgument) {
    return machineBindingOf(volumeSerial(firstArgument));
}

InstanceLock::InstanceLock(std::string lockPath) : path_(std::move(lockPath)) {
    const int fd =
        ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        error_ = errno;
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error_ = errno;
        ::close(fd);
        return;
    }
    fd_ = fd;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

std::string InstanceLock::defaultPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        struct stat st;
        if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
            std::string dir = runtime;
            if (dir.back() != '/') dir += '/';
            return dir + "velmor.lock";
        }
    }
    return "/tmp/velmor-" + std::to_string(::getuid()) + ".lock";
}

}  // namespace velmor
