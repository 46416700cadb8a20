// Running the built programs from tests: no shell, output collected, a time limit.
#pragma once

#include <string>
#include <vector>

namespace velmor::test {

struct ProcessResult {
    int status = -1;  // exit status, or -1 when the process did not end normally
    int signal = 0;   // the signal that ended it
    std::string out;
    std::string err;
};

// Runs program with args; extraEnv entries ("NAME=value") are added to the environment (in place
// of an entry of the same name). A
// process still running after timeoutMs is killed.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& extraEnv = {}, int timeoutMs = 20000,
                         const std::string& stdinText = {});

// A program running beside the test: its output is read as it comes.
class ChildProcess {
  public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& extraEnv = {});
    ~ChildProcess();  // kills the process if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    int pid() const { return pid_; }
    // Reads output until stdout holds text (true) or the time is up (false).
    bool waitForOutput(const std::string& text, int timeoutMs = 10000);
    void signal(int sig);
    // Waits for the end (killing the process after timeoutMs) and returns what it did.
    ProcessResult wait(int timeoutMs = 10000);
    const std::string& out() const { return result_.out; }
    const std::string& err() const { return result_.err; }

  private:
    void pump(int timeoutMs);

    int pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    ProcessResult result_;
};

// The path of a built program.
std::string binary(const std::string& name);

}  // namespace velmor::test
