#pragma once
// The transfer engine under URL loading: a few threads, each running a libcurl multi handle.
// Jobs are added and cancelled from any thread; their callbacks run on the loader thread that
// took them, so clients hand results over to their own threads.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

typedef struct x509_store_ctx_st X509_STORE_CTX;

namespace fd {

/// The connections one loader thread holds to one origin (scheme, host and port): open is
/// counted as the transfer library opens and closes their sockets, busy as jobs are given to
/// the thread and end. The difference is what a new job there finds idle.
struct URLLoadOrigin {
  std::atomic<int> open{0};
  std::atomic<int> busy{0};
};

struct URLLoadJob {
  using Headers = std::vector<std::pair<std::string, std::string>>;

  // What to send
  std::string url;
  std::string method = "GET";
  Headers headers;
  std::vector<uint8_t> body;
  /// Pulled as the transfer needs bytes: fills up to `max`, answers the count, 0 at the end,
  /// -1 on error. Used instead of `body` when set.
  std::function<int64_t(uint8_t* buffer, size_t max)> bodyReader;
  int64_t bodyLength = -1;  // for a reader: -1 sends chunked
  /// Seconds without any progress before the job fails as timed out.
  double idleTimeout = 60;
  /// Seconds the whole load may take, however steadily bytes arrive; 0 for no limit.
  double totalTimeout = 0;
  std::string user, password;  // HTTP authentication when `user` is set
  bool decodeContent = true;   // gzip/deflate bodies decoded

  // Callbacks, on the loader thread
  /// The final header block: status, version ("HTTP/1.1"), fields as received.
  std::function<void(long status, const std::string& version, const Headers& headers)> onResponse;
  /// Answers false to refuse the bytes for now: the transfer then pauses, and the same bytes
  /// come again once `resume` is called.
  std::function<bool(const char* bytes, size_t length)> onData;
  std::function<void(int64_t sent, int64_t total)> onSent;
  /// The server's chain during the handshake (DER, leaf first); answers whether to go on. May
  /// block; `ctx` allows running the default verification.
  std::function<bool(const std::vector<std::vector<uint8_t>>& chain, X509_STORE_CTX* ctx)> onTrust;
  /// The end: 0 on success, else the URL error code (NSURLErrorDomain) for what went wrong, with
  /// the transfer library's own account of it. Not called for cancelled jobs.
  std::function<void(int64_t urlError, const std::string& message)> onComplete;

  std::atomic<bool> cancelled{false};
  std::atomic<void*> owner{nullptr};  // the loader thread that runs it, set when started
  URLLoadOrigin* origin = nullptr;    // set when started
  /// Set when onTrust refused the server.
  std::atomic<bool> trustRefused{false};
};

class URLLoader {
 public:
  /// The process's loader, started on first use and never stopped.
  static URLLoader& shared();

  void start(std::shared_ptr<URLLoadJob> job);
  /// The job's callbacks stop at once (those running finish); the transfer is dropped.
  void cancel(const std::shared_ptr<URLLoadJob>& job);
  /// Goes on with a transfer paused by a refusal in onData. Harmless when it is not paused.
  void resume(const std::shared_ptr<URLLoadJob>& job);
  /// Runs default verification (the system anchors, and the host name when given) inside an
  /// onTrust callback.
  static bool verifyDefault(X509_STORE_CTX* ctx, const std::string& host);

  struct Impl;

 private:
  URLLoader();
  /// Gives the job a loader thread and its origin's counts there.
  Impl* choose(URLLoadJob& job);
  Impl* leastBusy();

  std::vector<Impl*> impls_;
  // Kept-alive connections are per loader thread: a job goes where one to its server is idle,
  // so that a client never holds more connections to a server than transfers in flight.
  // Entries live as long as the process (one per thread and origin used).
  std::mutex originsMutex_;
  std::map<std::pair<Impl*, std::string>, std::unique_ptr<URLLoadOrigin>> origins_;
};

}  // namespace fd
