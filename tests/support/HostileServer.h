#pragma once
// A raw HTTP server on 127.0.0.1 that answers with whatever bytes a test scripts: resets,
// partial bodies, broken framing, drip-fed answers. Each connection runs on its own thread.
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

/// What the server does with one connection once it has read a request from it.
class HostileScript {
 public:
  struct Step {
    enum class Kind { Send, Drip, Pause, Reset, Hold };
    Kind kind;
    std::string bytes;
    double seconds = 0;
  };

  HostileScript& send(std::string bytes);
  /// One byte at a time, `interval` seconds apart.
  HostileScript& drip(std::string bytes, double interval);
  HostileScript& pause(double seconds);
  /// Ends the connection with a TCP reset instead of an orderly close.
  HostileScript& reset();
  /// Keeps the connection open, silent, until the server stops.
  HostileScript& hold();

  /// A complete answer with the given head lines (each without its CRLF) and body.
  static HostileScript answer(const std::string& statusLine, const std::vector<std::string>& headerLines,
                              const std::string& body);

  const std::vector<Step>& steps() const { return steps_; }

 private:
  std::vector<Step> steps_;
};

class HostileServer {
 public:
  HostileServer();
  ~HostileServer();
  HostileServer(const HostileServer&) = delete;
  HostileServer& operator=(const HostileServer&) = delete;

  int port() const { return port_; }
  std::string url(const std::string& path) const;
  /// Requests for `path` get `script`, then the connection closes (unless it was reset or held).
  /// Unknown paths get a 404.
  void route(const std::string& path, HostileScript script);
  /// Requests read so far.
  size_t requestCount() const { return requests_.load(); }

 private:
  void acceptLoop();
  void serve(int fd);
  /// False once the server stops.
  bool sleepFor(double seconds);

  int listener_ = -1;
  int port_ = 0;
  std::thread acceptor_;
  std::atomic<bool> stopping_{false};
  std::atomic<size_t> requests_{0};
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::map<std::string, HostileScript> routes_;
  std::vector<std::thread> workers_;
  std::vector<int> sockets_;
};

}  // namespace testsupport
