#pragma once
// Connection-style URL loading: a connection made for a request and a delegate, scheduled in
// run loops for modes, started and cancelled on its thread. Every delegate callback runs on
// the scheduling thread's run loop in those modes; the transfer itself runs on the loader
// thread (URLLoader).
#include <atomic>
#include <condition_variable>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/foundation/net/URLAuthenticationChallenge.h"
#include "platform/foundation/net/URLRequest.h"

namespace fd {

class CachedURLResponse;
class Data;
class Error;
class MutableData;
class OperationQueue;
class RunLoop;
class RunLoopSource;
class URLConnection;
class URLResponse;
struct URLLoadJob;

/// The delegate. Every operation is optional: a subclass registers the selectors it implements
/// with `implement` (in its class description), and the connection calls only those.
class URLConnectionDelegate : public Object {
  RT_CLASS_NAMED(URLConnectionDelegate, Object, "NSURLConnectionDelegate")
 public:
  static constexpr const char* kWillSendRequestForAuthenticationChallenge =
      "connection:willSendRequestForAuthenticationChallenge:";
  static constexpr const char* kShouldUseCredentialStorage = "connectionShouldUseCredentialStorage:";
  static constexpr const char* kWillSendRequest = "connection:willSendRequest:redirectResponse:";
  static constexpr const char* kDidSendBodyData =
      "connection:didSendBodyData:totalBytesWritten:totalBytesExpectedToWrite:";
  static constexpr const char* kDidReceiveResponse = "connection:didReceiveResponse:";
  static constexpr const char* kDidReceiveData = "connection:didReceiveData:";
  static constexpr const char* kWillCacheResponse = "connection:willCacheResponse:";
  static constexpr const char* kDidFinishLoading = "connectionDidFinishLoading:";
  static constexpr const char* kDidFailWithError = "connection:didFailWithError:";

  /// Registers `selectors` on `cls` so that its instances respond to them.
  static void implement(rt::Class& cls, std::initializer_list<const char*> selectors);

  virtual void willSendRequestForAuthenticationChallenge(const Ref<URLConnection>&,
                                                         const Ref<URLAuthenticationChallenge>&) {}
  virtual bool connectionShouldUseCredentialStorage(const Ref<URLConnection>&) { return true; }
  /// Answers the request to send (possibly another), or null to refuse a redirect.
  virtual Ref<URLRequest> willSendRequest(const Ref<URLConnection>&, const Ref<URLRequest>& request,
                                          const Ref<URLResponse>& /*redirectResponse*/) {
    return request;
  }
  virtual void didSendBodyData(const Ref<URLConnection>&, int64_t /*bytesWritten*/, int64_t /*totalWritten*/,
                               int64_t /*totalExpected*/) {}
  virtual void didReceiveResponse(const Ref<URLConnection>&, const Ref<URLResponse>&) {}
  virtual void didReceiveData(const Ref<URLConnection>&, const Ref<Data>&) {}
  /// Answers the response to store, a substitute, or null to store nothing.
  virtual Ref<CachedURLResponse> willCacheResponse(const Ref<URLConnection>&,
                                                   const Ref<CachedURLResponse>& cachedResponse) {
    return cachedResponse;
  }
  virtual void connectionDidFinishLoading(const Ref<URLConnection>&) {}
  virtual void didFailWithError(const Ref<URLConnection>&, const Ref<Error>&) {}
};

class URLConnection : public Object, public URLAuthenticationChallengeSender {
  RT_CLASS_NAMED(URLConnection, Object, "NSURLConnection")
 public:
  void init() {}
  /// False (no object) without a request, a URL, or for a scheme that cannot be loaded.
  bool init(Ref<URLRequest> request, Ref<URLConnectionDelegate> delegate, bool startImmediately);
  ~URLConnection() override;

  /// Created unstarted when `startImmediately` is false.
  static Ref<URLConnection> create(Ref<URLRequest> request, Ref<URLConnectionDelegate> delegate,
                                   bool startImmediately = true);
  static Ref<URLConnection> connectionWithRequest(Ref<URLRequest> request, Ref<URLConnectionDelegate> delegate) {
    return create(std::move(request), std::move(delegate), true);
  }
  /// http, https and file URLs.
  static bool canHandleRequest(const Ref<URLRequest>& request);

  /// Loads `request` with the default handling of everything and delivers the outcome on
  /// `queue`: response and data, or an error.
  using CompletionHandler = std::function<void(Ref<URLResponse>, Ref<Data>, Ref<Error>)>;
  static void sendAsynchronousRequest(const Ref<URLRequest>& request, const Ref<OperationQueue>& queue,
                                      CompletionHandler handler);

  /// Before start: adds a run loop and mode the callbacks may run in. Callbacks go to the first
  /// run loop scheduled, in every mode it was scheduled for.
  void scheduleInRunLoop(const Ref<RunLoop>& runLoop, const String& mode);
  void unscheduleFromRunLoop(const Ref<RunLoop>& runLoop, const String& mode);
  /// Starts loading; unscheduled connections use the current run loop's default mode.
  void start();
  /// Stops loading; the delegate hears nothing more.
  void cancel();

  const Ref<URLRequest>& originalRequest() const { return original_; }
  const Ref<URLRequest>& currentRequest() const { return current_; }

  // Challenge answers
  void useCredential(const Ref<URLCredential>& credential, const Ref<URLAuthenticationChallenge>& challenge) override;
  void continueWithoutCredential(const Ref<URLAuthenticationChallenge>& challenge) override;
  void cancelAuthenticationChallenge(const Ref<URLAuthenticationChallenge>& challenge) override;
  void performDefaultHandling(const Ref<URLAuthenticationChallenge>& challenge) override;

  /// Pending state shared with the loader thread.
  struct Transfer;
  struct TrustWait;

 private:
  enum class State { Created, Loading, Done };
  enum class Answer { UseCredential, Continue, Cancel, Default };
  Ref<URLConnection> selfRef() { return std::static_pointer_cast<URLConnection>(shared_from_this()); }
  bool responds(const char* selector) const;
  /// Queues a callback for the scheduled run loops.
  void post(std::function<void(URLConnection&)> block);
  void drain();
  void launch(Ref<URLRequest> request);
  void receiveResponse(const Ref<URLResponse>& response);
  void complete(const std::shared_ptr<Transfer>& t, int64_t code);
  void deliverInbox(const std::shared_ptr<Transfer>& t);
  void followRedirect(const std::shared_ptr<Transfer>& t);
  void challengeHTTP(const std::shared_ptr<Transfer>& t);
  void deliverHeld(const std::shared_ptr<Transfer>& t);
  void finishLoading(const std::shared_ptr<Transfer>& t);
  void deliverCached(const Ref<CachedURLResponse>& cached);
  void fail(const Ref<Error>& error);
  void end();
  void answer(const Ref<URLAuthenticationChallenge>& challenge, Answer a, const Ref<URLCredential>& credential);
  Ref<URLResponse> fileResponse() const;

  Ref<URLRequest> original_;
  Ref<URLRequest> current_;
  Ref<URLConnectionDelegate> delegate_;
  Ref<URLConnection> keepAlive_;
  State state_ = State::Created;
  std::atomic<bool> cancelled_{false};
  std::mutex mutex_;  // guards schedules_ and the pending challenges
  std::vector<std::pair<Ref<RunLoop>, std::vector<String>>> schedules_;
  // Callbacks are queued here and run by a source signalled in the scheduled loops, so that a
  // run that returns after handling a source returns after a callback.
  Ref<RunLoopSource> delivery_;
  std::vector<std::function<void(URLConnection&)>> pending_;
  std::shared_ptr<URLLoadJob> job_;
  std::shared_ptr<Transfer> transfer_;
  int redirects_ = 0;
  int64_t authFailures_ = 0;
  Ref<URLCredential> credential_;
  Ref<URLAuthenticationChallenge> pendingHTTPChallenge_;
  std::shared_ptr<TrustWait> pendingTrust_;
};

}  // namespace fd
