// One download as the HTTP module carries it out: the component's properties copied for the
// worker, and the outcome. The module (http_module.cpp) is loaded when the first download starts,
// so that the HTTP library and its dependencies are not loaded with the program.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "desktop/download.h"

namespace velmor {

struct TDownload::Job {
    // A copy of the properties: the worker never touches the component.
    std::string host, object, fileName, accept, agent, user, password, referer, post;
    bool useCache = false, binary = false;
    std::int64_t maxBody = 0;
    long timeLimitMs = 0;
    std::atomic<bool> stop{false};
    std::thread thread;
    // Filled by the worker, read on the UI thread after it has ended.
    bool success = false;
    std::int64_t expected = 0;
};

// The module's one function, looked up by this name: carries out the job on the calling thread.
using HttpRunFunction = void (*)(TDownload::Job& job);
inline constexpr const char* kHttpRunSymbol = "velmor_http_run";
// The module's file name, beside the program in the build tree, or in the program's library
// folder once installed.
inline constexpr const char* kHttpModuleName = "velmor-http.so";

}  // namespace velmor
