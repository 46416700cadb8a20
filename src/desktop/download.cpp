#include "desktop/download.h"

#include <curl/curl.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

#include "form/form_model.h"

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

namespace {

struct Transfer {
    TDownload::Job* job;
    std::FILE* file = nullptr;
    std::int64_t received = 0;
    bool failed = false;
    bool tooLong = false;
};

size_t writeBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    if (t->job->stop) return 0;
    const size_t n = size * count;
    if (!t->file) return 0;
    // A body longer than an update file can be is not taken, announced length or not.
    if (t->received + static_cast<std::int64_t>(n) > t->job->maxBody) {
        t->tooLong = true;
        return 0;
    }
    if (std::fwrite(data, 1, n, t->file) != n) {
        t->failed = true;
        return 0;
    }
    t->received += static_cast<std::int64_t>(n);
    return n;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<TDownload::Job*>(user)->stop ? 1 : 0;
}

void run(TDownload::Job& job) {
    static std::once_flag init;
    std::call_once(init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CURL* curl = curl_easy_init();
    if (!curl) return;
    Transfer t{&job};
    curl_slist* headers = curl_slist_append(nullptr, ("Accept: " + job.accept).c_str());
    if (!job.useCache) {
        headers = curl_slist_append(headers, "Pragma: no-cache");
        headers = curl_slist_append(headers, "Cache-Control: no-cache");
    }
    if (!job.post.empty()) {
        headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, job.post.c_str());
    }
    const std::string url = "http://" + job.host + job.object;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, job.agent.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    if (!job.referer.empty()) curl_easy_setopt(curl, CURLOPT_REFERER, job.referer.c_str());
    if (!job.user.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, job.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, job.password.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, job.timeLimitMs);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(job.maxBody));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &job);
    // The body goes to a temporary file beside the target, which is renamed only when the
    // download succeeded: a cut transfer never leaves half a file.
    std::string part = job.fileName + ".XXXXXX";
    if (!job.stop) {
        const int fd = ::mkstemp(part.data());
        if (fd >= 0) t.file = ::fdopen(fd, "wb");
        if (fd >= 0 && !t.file) ::close(fd);
    }
    CURLcode rc = t.file ? curl_easy_perform(curl) : CURLE_WRITE_ERROR;
    long status = 0;
    curl_off_t length = -1;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (t.file && std::fclose(t.file) != 0) t.failed = true;
    job.expected = length >= 0 ? static_cast<std::int64_t>(length) : 0;
    // Without a Content-Length the expected size is 0, so any body counts as a failure. An
    // error page is not the file either, even when its length is right.
    job.success = rc == CURLE_OK && !t.failed && !t.tooLong && !job.stop && status == 200 &&
                  length >= 0 && t.received == job.expected;
    if (t.file) {
        if (!job.success || std::rename(part.c_str(), job.fileName.c_str()) != 0) {
            job.success = false;
            std::remove(part.c_str());
        }
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
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
        run(*job);
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
