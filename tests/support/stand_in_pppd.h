// A stand-in for the system's pppd: a script that takes the line as pppd does (the password on fd
// 3, the options stream on fd 4, the log on fd 2), keeps what it was given, and replays a
// scenario's log lines, counters and exit code.
#pragma once

#include <string>
#include <vector>

namespace velmor::test {

class StandInPppd {
  public:
    // Writes the script, its counters folder (the stand-in /sys/class/net), a peers file and a
    // /dev/ppp stand-in into dir.
    explicit StandInPppd(std::string dir);

    // The scenario of the n-th start (1, 2, ...), or of every start without one of its own when n
    // is 0. One command a line: "log TEXT" writes a log line, "counters IF RX TX" sets the
    // interface's counters, "sleep SECONDS", "wait" until a signal ends it (as pppd, "Terminating
    // on signal 15" and exit 5), "exit CODE".
    void scenario(const std::string& text, int n = 0) const;

    // The environment that points the dialer at the stand-in and its folders.
    std::vector<std::string> environment() const;
    const std::string& program() const { return program_; }
    std::string netRoot() const { return dir_ + "/net"; }
    std::string lockDir() const { return dir_ + "/lock"; }
    // Sets an interface's counters as the scenario's counters command does.
    void setCounters(const std::string& iface, unsigned long long rx, unsigned long long tx) const;

    // What the n-th start got and did.
    int starts() const;
    std::string password(int n) const;
    std::string options(int n) const;
    std::vector<std::string> arguments(int n) const;
    int pid(int n) const;
    bool ended(int n) const;  // it has exited (by the scenario or a signal)

    // The scenario of a line that comes up: interface, authentication, addresses, counters, then
    // it stays until a signal ends it.
    static std::string connected(const std::string& iface = "ppp7",
                                 const std::string& auth = "CHAP");
    // The server refuses the login.
    static std::string refused();

  private:
    std::string read(const std::string& name) const;

    std::string dir_;
    std::string program_;
};

}  // namespace velmor::test
