// A modem's serial port: its lock file (the HDB format every dialer on the system honours) and the
// port itself, opened exclusively, raw 8N1 at the entry's speed.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/phonebook.h"

namespace velmor::modem {

// The lock file's name for a port (its real path, links followed): "LCK.." and the path under
// /dev with "/" as "_" (LCK..ttyUSB0, LCK..pts_3), or the file's own name outside /dev.
std::string lockFileName(std::string_view realPath);
// The lock's contents: the owner's process id in ten columns and a newline.
std::string lockFileText(pid_t pid);
// The owner named in a lock's contents (blanks around it allowed), if any.
std::optional<pid_t> lockOwner(std::string_view text);
// A lock is stale when it names no process, or one that alive says is gone.
bool lockIsStale(std::string_view text, const std::function<bool(pid_t)>& alive);

// A port's lock file in a lock folder, held while the object lives.
class PortLock {
  public:
    enum class Result { Taken, Busy, Failed };
    PortLock() = default;
    ~PortLock() { release(); }
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

    // Takes the lock of the port, taking over a stale one; Busy when a live process (this one
    // included) holds it, Failed (with why) when the lock folder cannot be written.
    Result take(const std::string& lockDir, const std::string& portPath, std::string& why);
    void release();
    // The process named by the lock that made take() answer Busy, if it names one.
    std::optional<pid_t> busyOwner() const { return busyOwner_; }

  private:
    std::string path_;
    std::optional<pid_t> busyOwner_;
};

// The port's speed as the terminal interface names it, if it has one.
std::optional<speed_t> baudConstant(std::uint32_t bitsPerSecond);

// The open port; closed with the object.
class SerialPort {
  public:
    SerialPort() = default;
    ~SerialPort() { close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the port non-blocking and exclusive, raw 8N1 at the speed, RTS/CTS unless the entry
    // says none, modem lines ignored (CLOCAL) and DTR raised. 0, or errno (ENOTTY: not a terminal,
    // EINVAL: a speed the port does not take, EBUSY: another process has it exclusively, which
    // root, whom the kernel lets in anyway, is told too).
    int open(const std::string& path, const ModemSettings& settings);
    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    // Takes the port back from a pppd that has ended: non-blocking, the terminal's own line
    // discipline and the settings it was opened with (pppd killed may leave its own).
    void reclaim();
    // Raises or drops DTR (also by the speed B0, which a pseudo-terminal's far end sees); quietly
    // does nothing on a port without modem lines.
    void setDtr(bool on);
    // The status lines from the modem (the TIOCM_CTS, TIOCM_DSR and TIOCM_CD bits); none where
    // the port has no such lines (a pseudo-terminal, some USB adapters).
    std::optional<int> modemLines() const;
    // Drops what is still to be sent (a modem that holds CTS low would keep the close waiting for
    // it) and closes the port.
    void close();

  private:
    int fd_ = -1;
    termios settings_{};
};

}  // namespace velmor::modem
