#include "http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace velmor::test {

std::string httpOk(const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

LoopbackHttpServer::LoopbackHttpServer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listenFd_, 8);
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
}

void LoopbackHttpServer::setResponse(std::string response, int delayMs, int byteDelayMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    response_ = std::move(response);
    delayMs_ = delayMs;
    byteDelayMs_ = byteDelayMs;
}

std::vector<std::string> LoopbackHttpServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LoopbackHttpServer::serve() {
    while (!stop_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::string request;
        char buf[2048];
        while (request.find("\r\n\r\n") == std::string::npos) {
            pollfd c{fd, POLLIN, 0};
            if (::poll(&c, 1, 2000) <= 0) break;
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            request.append(buf, static_cast<std::size_t>(n));
        }
        std::string response;
        int delay = 0;
        int byteDelay = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
            response = response_;
            delay = delayMs_;
            byteDelay = byteDelayMs_;
        }
        for (int waited = 0; waited < delay && !stop_; waited += 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::size_t sent = 0;
        while (sent < response.size() && !stop_) {
            const std::size_t chunk = byteDelay > 0 ? 1 : response.size() - sent;
            const ssize_t n = ::send(fd, response.data() + sent, chunk, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
            if (byteDelay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(byteDelay));
        }
        ::close(fd);
    }
}

}  // namespace velmor::test
