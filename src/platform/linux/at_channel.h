// The AT exchange on an open modem port: commands out, the modem's lines in, every wait bounded by
// a deadline and cut short when the line is hung up.
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/modem_dialogue.h"

namespace velmor::modem {

using Clock = std::chrono::steady_clock;

class AtChannel {
  public:
    enum class Wait { Ready, Timeout, HungUp, PortGone };

    // fd: the port, non-blocking. wakeFd (readable) and stop (true) tell of a hang-up; -1 and
    // nullptr for an exchange that no hang-up cuts short (the hang-up's own).
    explicit AtChannel(int fd, int wakeFd = -1, const std::atomic<bool>* stop = nullptr)
        : fd_(fd), wakeFd_(wakeFd), stop_(stop) {}

    // Writes the bytes as they are.
    Wait send(std::string_view bytes, Clock::time_point deadline);
    // The next non-empty line from the modem. Bytes are read one at a time, so that nothing after
    // the CONNECT line (the start of the PPP link) is taken from pppd.
    Wait readLine(std::string& line, Clock::time_point deadline);
    // Sends a command and reads until its result. The lines before the result (the echo left out)
    // go to answer when given. result is None when the time ran out.
    Wait exchange(const std::string& command, int timeoutMs, AtResult& result,
                  std::vector<std::string>* answer = nullptr);
    // Reads and drops what the modem has sent so far, and the line begun.
    void discardInput();
    // When the last byte went out (the guard time of an escape counts from it).
    Clock::time_point lastWrite() const { return lastWrite_; }

  private:
    bool stopped() const { return stop_ && stop_->load(); }
    Wait waitFor(short events, Clock::time_point deadline);

    int fd_;
    int wakeFd_;
    const std::atomic<bool>* stop_;
    std::string partial_;
    Clock::time_point lastWrite_{};
};

}  // namespace velmor::modem
