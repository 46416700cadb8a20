// A modem of our own on a pseudo-terminal pair: it answers AT commands on the terminal's far end
// as a Hayes-type modem does, and after CONNECT carries the line to a program (a server pppd) or
// just holds it.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmor::test {

class ModemEmulator {
  public:
    struct Options {
        // The answers to the dial commands in turn, the last one repeated: "CONNECT 115200",
        // "BUSY", "NO ANSWER", "NO CARRIER", "NO DIALTONE", "ERROR", or "" for no answer at all.
        std::vector<std::string> dialResults = {"CONNECT 115200"};
        bool silent = false;     // answers nothing, not even to AT
        bool initError = false;  // answers ERROR to every command but the dial
        int dialDelayMs = 0;     // how long the call takes to give its result; any byte aborts it
        // Answers of their own, by the command in capitals: the lines before the result (OK
        // follows), or the result itself when it is ERROR, +CME ERROR: ... and the like.
        std::map<std::string, std::string> replies;
        // As after AT&D0 (which sets it; &D1 and &D2 clear it): DTR means nothing, and a call stays
        // up in the data mode until "+++" between two guard times, then ATH. A dial while a call
        // is up gets ERROR. Otherwise the call ends when the dialer drops DTR (seen as the speed
        // B0, the only sign of it that crosses a pseudo-terminal), and without a program the
        // modem is back in command mode right after CONNECT.
        bool ignoreDtr = false;
        // Run after CONNECT with a second terminal as its standard input and output, the line's
        // bytes copied both ways until it ends; the modem is then back in command mode.
        std::vector<std::string> program;
        gid_t portGroup = static_cast<gid_t>(-1);  // given the port (mode 0660) when set
        // When set, each command and each answer ("> OK") is appended to this file as
        // "<ns since the epoch> <text>".
        std::string commandLog;
    };

    explicit ModemEmulator(Options options);
    ModemEmulator() : ModemEmulator(Options{}) {}
    ~ModemEmulator();
    ModemEmulator(const ModemEmulator&) = delete;
    ModemEmulator& operator=(const ModemEmulator&) = delete;

    bool ready() const { return master_ >= 0; }
    // The port a dialer opens.
    const std::string& port() const { return port_; }
    // The command lines received so far, as sent (without the carriage return), "+++" for an
    // escape to command mode, "<abort>" for a dial ended by a character and "<dtr>" for a call
    // ended by DTR.
    std::vector<std::string> commands() const;
    // A call is up (dialled and answered, or being dialled) and not hung up.
    bool offHook() const { return offHook_; }
    // The port vanishes, as a USB modem pulled out does: the far end closes.
    void unplug();
    // The modem hangs up an answered call (the carrier goes).
    void dropCall();
    // Runs until stop() or unplug().
    void stop();

  private:
    void loop();
    void record(const std::string& what);
    void logLine(const std::string& what);
    void onCommand(const std::string& line);
    void dialResult(const std::string& result);
    // The escape of the data mode: pluses between guard times.
    void watchEscape(const char* data, std::size_t size);
    void answer(const std::string& text);
    void startProgram();
    void dropProgram();  // without waiting for it to end
    void endProgram();   // and waits for it, and for those dropped before

    Options options_;
    int master_ = -1;
    int slave_ = -1;  // kept open, so the far end stays there between the dialer's opens
    int wake_[2] = {-1, -1};
    std::string port_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> dropRequested_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    std::size_t dials_ = 0;
    bool echo_ = true;
    bool online_ = false;
    bool ignoreDtr_ = false;
    std::atomic<bool> offHook_{false};
    // A dial waiting for its result: when it comes (none: never), and which.
    bool dialPending_ = false;
    std::chrono::steady_clock::time_point dialDue_{};
    std::string pendingResult_;
    std::chrono::steady_clock::time_point lastByte_{};
    int pluses_ = 0;
    std::chrono::steady_clock::time_point plusesAt_{};
    std::string line_;
    pid_t program_ = -1;
    std::vector<pid_t> ended_;  // dropped, not yet collected
    int programMaster_ = -1;
};

}  // namespace velmor::test
