// A small HTTP server on loopback for tests: answers every request with a set response.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmor::test {

class LoopbackHttpServer {
  public:
    LoopbackHttpServer();
    ~LoopbackHttpServer();

    int port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // The whole response (status line, headers, body) sent to the next requests, after delayMs;
    // with byteDelayMs, one byte at a time with that pause between them.
    void setResponse(std::string response, int delayMs = 0, int byteDelayMs = 0);
    std::vector<std::string> requests() const;

  private:
    void serve();

    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::string response_;
    int delayMs_ = 0;
    int byteDelayMs_ = 0;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// "HTTP/1.0 200 OK" with a Content-Length header and the body.
std::string httpOk(const std::string& body);

}  // namespace velmor::test
