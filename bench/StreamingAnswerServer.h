#pragma once
// A loopback HTTP server for benchmarks of large answers: each connection's request head is
// read, handed to the answering function, which writes the answer straight to the socket
// (typically made on the fly from a small pattern, so that the server holds no copy of its
// own), and the connection is closed. Each connection is answered on a thread of its own.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "bench/LoopbackListener.h"

namespace bench {

class StreamingAnswerServer {
 public:
  /// Writes the answer to `fd` for the request whose head is `request`.
  using Answer = std::function<void(int fd, const std::string& request)>;

  explicit StreamingAnswerServer(Answer answer) : answer_(std::move(answer)) {
    listener_ = listenOnLoopback(16, &port_);
    acceptor_ = std::thread([this] {
      for (;;) {
        int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0) return;
        std::thread([this, fd] { serve(fd); }).detach();
      }
    });
  }
  ~StreamingAnswerServer() {
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    acceptor_.join();
  }
  StreamingAnswerServer(const StreamingAnswerServer&) = delete;
  StreamingAnswerServer& operator=(const StreamingAnswerServer&) = delete;

  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

  /// Writes all of `bytes`; false once the peer has gone.
  static bool sendAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
      ssize_t w = ::send(fd, p, left, MSG_NOSIGNAL);
      if (w <= 0) return false;
      p += w;
      left -= static_cast<size_t>(w);
    }
    return true;
  }

 private:
  void serve(int fd) {
    std::string in;
    char buf[4096];
    while (in.find("\r\n\r\n") == std::string::npos) {
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) return (void)::close(fd);
      in.append(buf, static_cast<size_t>(n));
    }
    answer_(fd, in);
    // The client reads to the end before it sees the connection close.
    ::shutdown(fd, SHUT_WR);
    while (::read(fd, buf, sizeof buf) > 0) {
    }
    ::close(fd);
  }

  Answer answer_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::thread acceptor_;
};

}  // namespace bench
