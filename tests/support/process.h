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

// Runs program with args; extraEnv entries ("NAME=value") are added to the environment. A
// process still running after timeoutMs is killed.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& extraEnv = {}, int timeoutMs = 20000,
                         const std::string& stdinText = {});

// The path of a built program.
std::string binary(const std::string& name);

}  // namespace velmor::test
