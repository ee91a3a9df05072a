#include "tests/support/HostileServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace testsupport {

HostileScript& HostileScript::send(std::string bytes) {
  steps_.push_back({Step::Kind::Send, std::move(bytes), 0});
  return *this;
}
HostileScript& HostileScript::drip(std::string bytes, double interval) {
  steps_.push_back({Step::Kind::Drip, std::move(bytes), interval});
  return *this;
}
HostileScript& HostileScript::pause(double seconds) {
  steps_.push_back({Step::Kind::Pause, {}, seconds});
  return *this;
}
HostileScript& HostileScript::reset() {
  steps_.push_back({Step::Kind::Reset, {}, 0});
  return *this;
}
HostileScript& HostileScript::hold() {
  steps_.push_back({Step::Kind::Hold, {}, 0});
  return *this;
}

HostileScript HostileScript::answer(const std::string& statusLine, const std::vector<std::string>& headerLines,
                                    const std::string& body) {
  std::string head = statusLine + "\r\n";
  for (auto& line : headerLines) head += line + "\r\n";
  head += "\r\n";
  return HostileScript().send(head + body);
}

HostileServer::HostileServer() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int on = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener_, 64) != 0)
    throw std::runtime_error("hostile server: cannot listen on 127.0.0.1");
  socklen_t len = sizeof addr;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { acceptLoop(); });
}

HostileServer::~HostileServer() {
  stopping_.store(true);
  ::shutdown(listener_, SHUT_RDWR);
  acceptor_.join();
  ::close(listener_);
  {
    std::lock_guard lock(mutex_);
    for (int fd : sockets_) ::shutdown(fd, SHUT_RDWR);
  }
  cv_.notify_all();
  for (auto& t : workers_) t.join();
  for (int fd : sockets_) ::close(fd);
}

std::string HostileServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HostileServer::route(const std::string& path, HostileScript script) {
  std::lock_guard lock(mutex_);
  routes_[path] = std::move(script);
}

void HostileServer::acceptLoop() {
  for (;;) {
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (stopping_.load()) return;
      continue;
    }
    std::lock_guard lock(mutex_);
    if (stopping_.load()) {
      ::close(fd);
      return;
    }
    sockets_.push_back(fd);
    workers_.emplace_back([this, fd] { serve(fd); });
  }
}

bool HostileServer::sleepFor(double seconds) {
  std::unique_lock lock(mutex_);
  return !cv_.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return stopping_.load(); });
}

void HostileServer::serve(int fd) {
  // The request head, and a body when it says how long one is.
  std::string in;
  char buf[4096];
  size_t end = std::string::npos;
  while ((end = in.find("\r\n\r\n")) == std::string::npos) {
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return;  // the socket is closed with the others when the server stops
    in.append(buf, static_cast<size_t>(n));
  }
  ++requests_;
  size_t sp1 = in.find(' ');
  size_t sp2 = in.find(' ', sp1 + 1);
  std::string target = in.substr(sp1 + 1, sp2 - sp1 - 1);
  std::string path = target.substr(0, target.find('?'));

  HostileScript script;
  {
    std::lock_guard lock(mutex_);
    auto it = routes_.find(path);
    if (it != routes_.end()) script = it->second;
    else script = HostileScript::answer("HTTP/1.1 404 Not Found", {"Content-Length: 0", "Connection: close"}, "");
  }
  auto sendAll = [fd](const char* p, size_t n) {
    while (n > 0) {
      ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
      if (w <= 0) return false;
      p += w;
      n -= static_cast<size_t>(w);
    }
    return true;
  };
  bool closeOrderly = true;
  for (const auto& step : script.steps()) {
    using Kind = HostileScript::Step::Kind;
    bool go = true;
    switch (step.kind) {
      case Kind::Send: go = sendAll(step.bytes.data(), step.bytes.size()); break;
      case Kind::Drip:
        for (char c : step.bytes)
          if (!(go = sendAll(&c, 1) && sleepFor(step.seconds))) break;
        break;
      case Kind::Pause: go = sleepFor(step.seconds); break;
      case Kind::Reset: {
        linger l{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        ::shutdown(fd, SHUT_RD);
        closeOrderly = false;
        go = false;
        break;
      }
      case Kind::Hold:
        while (sleepFor(3600)) {
        }
        go = false;
        break;
    }
    if (!go) break;
  }
  // The socket itself is closed when the server stops, so that its number is never reused
  // while the destructor may still shut it down.
  if (closeOrderly) ::shutdown(fd, SHUT_WR);
  else {
    // A zero linger turns the close into a reset; closing now sends it.
    std::lock_guard lock(mutex_);
    std::erase(sockets_, fd);
    ::close(fd);
    return;
  }
  // Drain what the client still sends so that closing does not turn into a reset.
  while (::recv(fd, buf, sizeof buf, 0) > 0) {
  }
}

}  // namespace testsupport
