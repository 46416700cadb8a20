#include "desktop/download.h"

#include <dlfcn.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "desktop/download_job.h"
#include "form/form_model.h"
#include "platform/paths.h"

namespace velmor {

namespace {

// The HTTP module, loaded at the first download; null when it cannot be loaded (then every
// download fails, and the reason is told once).
HttpRunFunction httpModule() {
    static const HttpRunFunction run = [] {
        const std::string dir = executableDirectory();
        std::string why;
        for (const std::string& path :
             {dir + kHttpModuleName, dir + VELMOR_LIB_FROM_BINDIR + "/" + kHttpModuleName}) {
            void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle) {
                if (void* f = ::dlsym(handle, kHttpRunSymbol))
                    return reinterpret_cast<HttpRunFunction>(f);
            }
            const char* error = ::dlerror();
            why = error ? error : path + ": not loaded";
            if (handle) ::dlclose(handle);
        }
        std::fprintf(stderr, "velmor: no downloads: %s\n", why.c_str());
        return HttpRunFunction{};
    }();
    return run;
}

}  // namespace

void TDownload::splitAddress(const std::string& url, std::string& host, std::string& object) {
    std::string rest = url;
    std::string lower = url;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto scheme = lower.find("http://");
    if (scheme != std::string::npos) rest = url.substr(0, scheme) + url.substr(scheme + 7);
    const auto slash = rest.find('/');
    host = slash == std::string::npos ? rest : rest.substr(0, slash);
    object = slash == std::string::npos ? "" : rest.substr(slash);
    if (!host.empty() && host.back() == '/') host.pop_back();
}

TDownload::TDownload(EventLoop& loop) : loop_(loop) {}

TDownload::~TDownload() {
    if (job_) {
        job_->stop = true;
        if (job_->thread.joinable()) job_->thread.join();
    }
}

void TDownload::GetFile() {
    if (running_) return;
    auto job = std::make_shared<Job>();
    splitAddress(URL, job->host, job->object);
    job->fileName = FileName;
    job->accept = AcceptTypes;
    job->agent = Agent;
    job->user = UserName;
    job->password = Password;
    job->referer = Referer;
    job->post = PostQuery;
    job->useCache = UseCache;
    job->binary = BinaryData;
    job->maxBody = MaxBodyBytes;
    job->timeLimitMs = TimeLimitMs;
    running_ = true;
    if (job_ && job_->thread.joinable()) job_->thread.join();
    job_ = job;
    std::weak_ptr<Job> weak = job;
    job->thread = std::thread([this, job = job.get(), weak] {
        if (const HttpRunFunction run = httpModule()) run(*job);
        // The end is handled on the UI thread, unless the component has gone meanwhile.
        loop_.post([this, weak] {
            auto done = weak.lock();
            if (!done || done != job_) return;
            if (done->thread.joinable()) done->thread.join();
            running_ = false;
            if (done->success) {
                if (OnDoneFile) OnDoneFile(done->fileName, done->expected);
            } else if (OnError) {
                OnError();
            }
        });
    });
}

void TDownload::AbortDownload() {
    if (job_) job_->stop = true;
}

namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
}  // namespace

bool looksLikeVersion(const std::string& line) {
    std::size_t end = line.size();
    while (end > 0 && isBlank(line[end - 1]))
        --end;
    if (end == 0 || !std::isdigit(static_cast<unsigned char>(line[0]))) return false;
    bool dot = false;
    for (std::size_t i = 1; i < end; ++i) {
        if (line[i] == '.') {
            dot = true;
        } else if (!std::isdigit(static_cast<unsigned char>(line[i]))) {
            return false;
        }
    }
    return dot;
}

bool isNewerVersion(const std::string& line) {
    return line > std::string(kVersion);
}

bool takeFirstLine(const std::string& path, std::string& line) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    while (!line.empty() && isBlank(line.back()))
        line.pop_back();
    in.close();
    std::remove(path.c_str());
    return true;
}

}  // namespace velmor
