// The HTTP part of the downloader, a module of its own: libcurl and the libraries it needs are
// loaded only when the first download starts, not with the program.
#include <curl/curl.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "desktop/download_job.h"

namespace velmor {

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
    // The time limit covers the name lookup too: a lookup still hanging then is left to end on
    // its own thread instead of being waited for.
    curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
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

}  // namespace velmor

extern "C" __attribute__((visibility("default"))) void velmor_http_run(
    velmor::TDownload::Job& job) {
    velmor::run(job);
}
