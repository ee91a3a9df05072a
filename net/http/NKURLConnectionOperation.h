#pragma once
// A concurrent operation that loads one URL request over a URL connection and collects the
// response. Every connection of every instance runs on one shared network thread with its own
// run loop; state changes are guarded by a per-operation recursive lock and announced through
// key-value observing ("isReady", "isExecuting", "isFinished", "isPaused") and through
// notifications posted on the main queue.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/dispatch/Group.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/threads/Lock.h"
#include "platform/foundation/threads/Operation.h"
#include "platform/foundation/text/StringEncoding.h"
#include "platform/foundation/Types.h"

namespace fd {
class CachedURLResponse;
class Data;
class Dictionary;
class InputStream;
class OutputStream;
class Set;
class URLAuthenticationChallenge;
class URLConnection;
class URLCredential;
class URLRequest;
class URLResponse;
}  // namespace fd

namespace net {

class NKSecurityPolicy;

/// Posted on the main queue, with the operation as object, once its connection has started.
inline constexpr const char* NKNetworkingOperationDidStartNotification = "com.trevanode.networking.operation.start";
/// Posted on the main queue, with the operation as object, once it has finished, and when a
/// running operation is paused.
inline constexpr const char* NKNetworkingOperationDidFinishNotification = "com.trevanode.networking.operation.finish";

enum class NKOperationState : int64_t {
  Paused = -1,
  Ready = 1,
  Executing = 2,
  Finished = 3,
};

class NKURLConnectionOperation : public fd::Operation, public fd::Coding {
  RT_CLASS(NKURLConnectionOperation, fd::Operation)
 public:
  using ProgressBlock = std::function<void(uint64_t bytes, int64_t totalBytes, int64_t totalBytesExpected)>;
  using AuthenticationChallengeBlock =
      std::function<void(const Ref<fd::URLConnection>&, const Ref<fd::URLAuthenticationChallenge>&)>;
  using CacheResponseBlock =
      std::function<Ref<fd::CachedURLResponse>(const Ref<fd::URLConnection>&, const Ref<fd::CachedURLResponse>&)>;
  using RedirectResponseBlock = std::function<Ref<fd::URLRequest>(
      const Ref<fd::URLConnection>&, const Ref<fd::URLRequest>&, const Ref<fd::URLResponse>&)>;

  /// Plain construction makes no operation: there is nothing to load.
  bool init() { return false; }
  /// Ready, with the common run-loop modes and the default security policy.
  bool init(Ref<fd::URLRequest> request);
  ~NKURLConnectionOperation() override;

  static Ref<NKURLConnectionOperation> create(Ref<fd::URLRequest> request) {
    return rt::make<NKURLConnectionOperation>(std::move(request));
  }
  /// The one thread, named "NKNetworking", whose run loop runs every connection.
  static Ref<fd::Thread> networkRequestThread();

  // State
  int64_t state() const;
  /// Moves to `state` when the transition is allowed (see the table in the source); otherwise
  /// does nothing and announces nothing.
  void setState(int64_t state);
  void start() override;
  void cancel() override;
  /// Stops a running load, keeping what was received; `resume` starts it again.
  virtual void pause();
  void resume();
  bool isPaused() const;
  bool isReady() const override;
  bool isExecuting() const override;
  bool isFinished() const override;
  bool isAsynchronous() const override { return true; }

  // Configuration
  Ref<fd::Set> runLoopModes() const;
  void setRunLoopModes(const Ref<fd::Set>& modes);
  Ref<fd::URLRequest> request() const;
  void setRequest(Ref<fd::URLRequest> request);
  bool shouldUseCredentialStorage() const { return shouldUseCredentialStorage_; }
  void setShouldUseCredentialStorage(bool use) { shouldUseCredentialStorage_ = use; }
  Ref<fd::URLCredential> credential() const;
  void setCredential(Ref<fd::URLCredential> credential);
  Ref<NKSecurityPolicy> securityPolicy() const;
  void setSecurityPolicy(Ref<NKSecurityPolicy> policy);
  /// The request's body stream; setting it replaces the request with a copy that streams it.
  Ref<fd::InputStream> inputStream() const;
  void setInputStream(const Ref<fd::InputStream>& stream);
  /// Where the body is written; an in-memory stream made on first read.
  Ref<fd::OutputStream> outputStream();
  /// Closes the previous stream (if another) before storing `stream`.
  void setOutputStream(Ref<fd::OutputStream> stream);
  /// Null means the main queue.
  Ref<dispatch::Queue> completionQueue() const;
  void setCompletionQueue(Ref<dispatch::Queue> queue);
  /// Null means the shared completion group.
  Ref<dispatch::Group> completionGroup() const;
  void setCompletionGroup(Ref<dispatch::Group> group);
  /// Held for the caller; never read here.
  Ref<fd::Dictionary> userInfo() const;
  void setUserInfo(Ref<fd::Dictionary> info);
  fd::RecursiveLock& lock() const { return lock_; }

  // Results
  Ref<fd::URLResponse> response() const;
  void setResponse(Ref<fd::URLResponse> response);
  virtual Ref<fd::Error> error() const;
  void setError(Ref<fd::Error> error);
  Ref<fd::Data> responseData() const;
  /// Stores a copy; null stays null.
  void setResponseData(const Ref<fd::Data>& data);
  /// The body as text in `responseStringEncoding`, made once; nullopt before a body.
  std::optional<fd::String> responseString();
  /// The response's named character set when known, else UTF-8; 0 before a response.
  fd::StringEncoding responseStringEncoding();
  /// Only changed on the main queue.
  int64_t totalBytesRead() const { return totalBytesRead_.load(); }
  Ref<fd::URLConnection> connection() const;

  // Blocks
  void setUploadProgressBlock(ProgressBlock block);
  void setDownloadProgressBlock(ProgressBlock block);
  ProgressBlock uploadProgress() const;
  ProgressBlock downloadProgress() const;
  void setWillSendRequestForAuthenticationChallengeBlock(AuthenticationChallengeBlock block);
  void setCacheResponseBlock(CacheResponseBlock block);
  void setRedirectResponseBlock(RedirectResponseBlock block);
  /// Runs `block` on the completion queue within the completion group once finished; null
  /// clears it. Hides the base operation's setter.
  void setCompletionBlock(std::function<void()> block);
  /// Keeps the application running in the background until the operation ends; on expiry
  /// calls `handler` and cancels the operation. Set up once.
  void setShouldExecuteAsBackgroundTaskWithExpirationHandler(std::function<void()> handler);

  /// The operations followed by one that calls `completion` (on the main queue) with them
  /// once all have completed; `progress` hears (finished so far, total) after each.
  static std::vector<Ref<fd::Operation>> batchOfRequestOperations(
      const std::vector<Ref<NKURLConnectionOperation>>& operations,
      std::function<void(uint64_t finished, uint64_t total)> progress,
      std::function<void(const std::vector<Ref<NKURLConnectionOperation>>&)> completion);

  // Connection callbacks, on the network thread.
  virtual void connectionWillSendRequestForAuthenticationChallenge(const Ref<fd::URLConnection>& connection,
                                                                   const Ref<fd::URLAuthenticationChallenge>& challenge);
  virtual bool connectionShouldUseCredentialStorage(const Ref<fd::URLConnection>& connection);
  virtual Ref<fd::URLRequest> connectionWillSendRequest(const Ref<fd::URLConnection>& connection,
                                                        const Ref<fd::URLRequest>& request,
                                                        const Ref<fd::URLResponse>& redirectResponse);
  virtual void connectionDidSendBodyData(const Ref<fd::URLConnection>& connection, int64_t bytesWritten,
                                         int64_t totalBytesWritten, int64_t totalBytesExpectedToWrite);
  virtual void connectionDidReceiveResponse(const Ref<fd::URLConnection>& connection,
                                            const Ref<fd::URLResponse>& response);
  virtual void connectionDidReceiveData(const Ref<fd::URLConnection>& connection, const Ref<fd::Data>& data);
  virtual void connectionDidFinishLoading(const Ref<fd::URLConnection>& connection);
  virtual void connectionDidFailWithError(const Ref<fd::URLConnection>& connection, const Ref<fd::Error>& error);
  virtual Ref<fd::CachedURLResponse> connectionWillCacheResponse(const Ref<fd::URLConnection>& connection,
                                                                 const Ref<fd::CachedURLResponse>& cachedResponse);

  // Archiving and copying
  static bool supportsSecureCoding() { return true; }
  /// Pauses first; a running or paused operation is stored as ready.
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  /// Same class and request, blocks, completion queue and group; no results.
  rt::Id copy() const override;
  rt::String description() const override;

  /// The KVO key of a state value: "isPaused", "isReady", "isExecuting", "isFinished", or
  /// "state" for anything else.
  static const char* keyPathForState(int64_t state);

 protected:
  /// Sets state finished and posts the finish notification.
  void finish();
  /// A new operation of this class for `request` (copies are made with it).
  virtual Ref<NKURLConnectionOperation> operationWithRequest(Ref<fd::URLRequest> request) const;
  /// Starts the byte count again from 0 (on the main queue, in order with progress).
  void resetTotalBytesRead();
  /// Copies what `copy` carries into `other`.
  void copyConfigurationInto(NKURLConnectionOperation& other) const;
  /// Runs `work` on the network thread in the run-loop modes, without waiting.
  void performOnNetworkThread(std::function<void(NKURLConnectionOperation&)> work);
  Ref<NKURLConnectionOperation> selfRef() {
    return std::static_pointer_cast<NKURLConnectionOperation>(shared_from_this());
  }
  std::function<void()> wrappedCompletionBlock() const;

 private:
  void operationDidStart();
  void operationDidPause();
  void cancelConnection();
  void failWithStreamError(const Ref<fd::URLConnection>& connection, const Ref<fd::Error>& error);
  void postNotification(const char* name);

  mutable fd::RecursiveLock lock_{"com.trevanode.networking.operation.lock"};
  // Read without the lock: queues ask for the state while holding their own locks, and the
  // lock is held while observers of a state change run.
  std::atomic<int64_t> state_{static_cast<int64_t>(NKOperationState::Ready)};
  Ref<fd::Set> runLoopModes_;
  Ref<fd::URLRequest> request_;
  Ref<fd::URLResponse> response_;
  Ref<fd::Error> error_;
  Ref<fd::Data> responseData_;
  std::optional<fd::String> responseString_;
  fd::StringEncoding responseStringEncoding_ = 0;
  bool shouldUseCredentialStorage_ = true;
  Ref<fd::URLCredential> credential_;
  Ref<NKSecurityPolicy> securityPolicy_;
  Ref<fd::OutputStream> outputStream_;
  // Apart from lock_: the completion reads them on another thread while the finishing thread
  // still holds lock_ to announce the new state.
  mutable std::mutex completionMutex_;
  Ref<dispatch::Queue> completionQueue_;
  Ref<dispatch::Group> completionGroup_;
  Ref<fd::Dictionary> userInfo_;
  Ref<fd::URLConnection> connection_;
  std::atomic<int64_t> totalBytesRead_{0};
  std::function<void()> backgroundTaskCleanup_;
  // Apart from lock_ too: progress reports run on the main queue while the network thread
  // holds lock_.
  mutable std::mutex progressMutex_;
  ProgressBlock uploadProgress_;
  ProgressBlock downloadProgress_;
  AuthenticationChallengeBlock authenticationChallenge_;
  CacheResponseBlock cacheResponse_;
  RedirectResponseBlock redirectResponse_;
};

}  // namespace net
