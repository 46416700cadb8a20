// The machine binding (volume serial number of a drive root) and the single-instance marker.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velmor {

// A 32-bit serial number of the filesystem holding a path. An empty argument means the root
// filesystem. Linux mapping: the filesystem UUID found under /dev/disk/by-uuid (a FAT serial
// "ABCD-1234" gives 0xABCD1234, a 128-bit UUID its first 32 bits), else the filesystem id
// reported by statfs folded to 32 bits, else the device number. A path that names no existing
// directory gives 0.
std::uint32_t volumeSerial(std::string_view drive);

namespace detail {
// The serial a name under /dev/disk/by-uuid stands for: its first eight hex digits ("-" skipped);
// nothing for a name that is not hex digits and "-" or holds fewer than eight digits.
std::optional<std::uint32_t> serialFromUuidName(std::string_view name);
// volumeSerial with the directory of UUID links given.
std::uint32_t volumeSerialIn(std::string_view drive, const std::string& byUuidDir);
}  // namespace detail

struct MachineBinding {
    std::string serialText;   // the serial as a signed 32-bit decimal text
    std::string machineCode;  // its first 5 characters
    std::string machineKey;   // 4 characters from the 5th (1-based)
};

// Cuts the binding out of a serial number.
MachineBinding machineBindingOf(std::uint32_t serial);
// The binding of this computer for the program's first command-line argument.
MachineBinding machineBinding(std::string_view firstArgument);

// Holds the per-user single-instance lock for as long as it lives.
class InstanceLock {
  public:
    // Takes the lock at lockPath; acquired() is false when another process holds it. A stale lock
    // left by a crashed process is taken over (the kernel releases it with the process).
    explicit InstanceLock(std::string lockPath);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    bool acquired() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    // Why the lock was not taken: EWOULDBLOCK when another process holds it, another errno when
    // the lock file could not be opened; 0 when acquired.
    int error() const { return error_; }

    // $XDG_RUNTIME_DIR/velmor.lock, or a per-user file under /tmp when there is no runtime
    // directory.
    static std::string defaultPath();

  private:
    std::string path_;
    int fd_ = -1;
    int error_ = 0;
};

}  // namespace velmor
