#pragma once
// HTTP and HTTPS servers on 127.0.0.1 for network tests: a free port, scripted answers per
// path, and every request captured as it arrived.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/TestCertificates.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace testsupport {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

/// One scripted answer.
struct Reply {
  int status = 200;
  HeaderList headers;
  std::string contentType = "text/plain";
  std::string body;
  /// Sent with chunked transfer encoding in pieces of `chunkSize` bytes.
  bool chunked = false;
  size_t chunkSize = 1024;
  /// Without a length the body ends when the connection closes.
  bool sendContentLength = true;
  double delayBeforeHeaders = 0;  // seconds
  double delayBetweenChunks = 0;  // seconds, also between pieces of non-chunked bodies
  /// After this many body bytes: stop sending and hold the connection open until the server
  /// stops (stall), or close it (reset).
  std::optional<size_t> stallAfter;
  std::optional<size_t> resetAfter;
  /// Compresses the body and says so in Content-Encoding.
  bool gzip = false;

  static Reply text(std::string body, int status = 200);
  static Reply redirect(const std::string& location, int status = 302);
};

/// A request as the server saw it; header names as sent.
struct CapturedRequest {
  std::string method;
  std::string path;  // without the query
  std::string target;  // with it
  HeaderList headers;
  std::string body;
  int remotePort = 0;
  /// The value of the first header of that name (compared without case), or nullopt.
  std::optional<std::string> header(const std::string& name) const;
};

class TestServer {
 public:
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

  /// Plain HTTP.
  TestServer();
  /// HTTPS with `identity` (its issuers are sent along as the chain).
  explicit TestServer(std::shared_ptr<const TestIdentity> identity);
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int port() const { return port_; }
  bool isSecure() const { return identity_ != nullptr; }
  /// "http://127.0.0.1:port" + path (or https).
  std::string url(const std::string& path) const;
  std::string urlWithHost(const std::string& host, const std::string& path) const;

  /// Answers requests for `path` (any method) with `reply`; unknown paths answer 404.
  void route(const std::string& path, Reply reply);
  /// Answers with a function of the request.
  void route(const std::string& path, Handler handler);

  std::vector<CapturedRequest> requests() const;
  size_t requestCount() const;
  /// Waits up to `seconds` for at least `count` requests; false on time-out.
  bool waitForRequests(size_t count, double seconds) const;
  /// Off by default: every answer closes its connection, so that stopping never waits for an
  /// idle kept-alive client. Turn on before the first request.
  void setKeepAlive(bool on) { keepAlive_ = on; }
  /// Releases stalled answers early.
  void releaseStalls();
  /// Sockets the server has accepted so far (keep-alive reuses one).
  size_t connectionCount() const;

  const std::shared_ptr<const TestIdentity>& identity() const { return identity_; }

 private:
  void start();
  void serve(const httplib::Request& req, httplib::Response& res);
  void answer(const Reply& reply, httplib::Response& res);
  bool sleepUnlessReleased(double seconds);

  std::shared_ptr<const TestIdentity> identity_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable cv_;
  bool released_ = false;
  std::atomic<bool> keepAlive_{false};
  std::map<std::string, Handler> routes_;
  std::vector<CapturedRequest> requests_;
};

}  // namespace testsupport
