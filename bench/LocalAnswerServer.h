#pragma once
// A kept-alive HTTP/1.1 server on 127.0.0.1 for benchmarks, one blocking thread per connection:
// it sends one fixed answer the moment a request is complete, so that neither client waits on
// the server's idle polling and the figures compare the clients themselves.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <time.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include "bench/LoopbackListener.h"

namespace bench {

class LocalAnswerServer {
 public:
  /// `answer` is the whole answer, head and body.
  explicit LocalAnswerServer(std::string answer) : answer_(std::move(answer)) {
    listener_ = listenOnLoopback(128, &port_);
    acceptor_ = std::thread([this] {
      for (;;) {
        int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0) return;
        ++connections_;
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::thread([this, fd] { serve(fd); }).detach();
      }
    });
  }
  ~LocalAnswerServer() {
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    acceptor_.join();
  }
  LocalAnswerServer(const LocalAnswerServer&) = delete;
  LocalAnswerServer& operator=(const LocalAnswerServer&) = delete;

  std::string url(const std::string& path = "/item") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  /// Connections accepted so far.
  int connections() const { return connections_.load(); }
  /// CPU seconds the server's threads have spent answering so far (to tell a client's share
  /// from the process's total).
  double cpuSeconds() const { return static_cast<double>(cpuNanos_.load()) * 1e-9; }

  /// A 200 answer with `body`, its type and length, kept alive, and `extraHeaders` (each
  /// ending in CRLF).
  static std::string answerWith(const std::string& body, const std::string& type = "application/json",
                                const std::string& extraHeaders = "") {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: keep-alive\r\n" + extraHeaders + "\r\n" + body;
  }

 private:
  static long long threadNanos() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
  }

  void serve(int fd) {
    std::string pending;
    char buf[4096];
    long long counted = threadNanos();
    for (;;) {
      long long now = threadNanos();
      cpuNanos_ += now - counted;
      counted = now;
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) break;
      pending.append(buf, static_cast<size_t>(n));
      // GETs carry no body: every blank line ends one request.
      for (size_t end; (end = pending.find("\r\n\r\n")) != std::string::npos;) {
        pending.erase(0, end + 4);
        const char* p = answer_.data();
        size_t left = answer_.size();
        while (left > 0) {
          ssize_t w = ::send(fd, p, left, MSG_NOSIGNAL);
          if (w <= 0) {
            ::close(fd);
            return;
          }
          p += w;
          left -= static_cast<size_t>(w);
        }
      }
    }
    ::close(fd);
  }

  std::string answer_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<int> connections_{0};
  std::atomic<long long> cpuNanos_{0};
  std::thread acceptor_;
};

}  // namespace bench
