// The downloader: one HTTP GET of a file on a worker thread, its result handed to the UI thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/event_loop.h"

namespace velmor {

class TDownload {
  public:
    explicit TDownload(EventLoop& loop);
    // A download still running is asked to stop; the destructor waits for its thread.
    ~TDownload();
    TDownload(const TDownload&) = delete;
    TDownload& operator=(const TDownload&) = delete;

    std::string URL;
    std::string FileName;
    std::string AcceptTypes = "*/*";
    std::string Agent = "Velmor/0.97";
    bool UseCache = false;
    bool BinaryData = false;
    std::string UserName, Password, Referer, PostQuery;
    // Bounds of one download: a longer body is refused (nothing is written), and a transfer
    // still unfinished after the time limit ends as a failure.
    std::int64_t MaxBodyBytes = 64 * 1024;
    int TimeLimitMs = 60000;

    // Raised on the UI thread: the file arrived whole (size: the server's Content-Length). The
    // body is written to a temporary file beside FileName, which takes its name only then.
    std::function<void(const std::string& fileName, std::int64_t size)> OnDoneFile;
    // Raised on the UI thread when the download ended without success.
    std::function<void()> OnError;

    // Starts the download unless one of this component is still running; returns at once.
    void GetFile();
    // Asks the running download to stop; it ends as a failure.
    void AbortDownload();
    bool running() const { return running_; }

    // The parts of an address: "http://" dropped, the host up to the first "/", the object from
    // there ("/update.inf"); a host may carry a port ("host:8080").
    static void splitAddress(const std::string& url, std::string& host, std::string& object);

    // One download's copy of the properties and its outcome.
    struct Job;

  private:
    EventLoop& loop_;
    std::shared_ptr<Job> job_;
    bool running_ = false;
};

// The file "update.inf" says a version newer than ours: its first line is digits and dots, a
// digit first and a dot after it (blanks at its end do not count), and it is greater than
// "0.97", compared byte by byte.
bool looksLikeVersion(const std::string& line);
bool isNewerVersion(const std::string& line);
// Reads the first line of a file, without its line end and the blanks before it, and deletes
// the file; false when there is no file.
bool takeFirstLine(const std::string& path, std::string& line);

}  // namespace velmor
