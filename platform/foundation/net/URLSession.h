#pragma once
// Session-style URL loading: a session made from a configuration owns tasks; their delegate
// callbacks and completion handlers run on the session's delegate queue, one at a time. The
// transfers themselves run on the loader thread (URLLoader).
#include <atomic>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/net/URLSessionConfiguration.h"

namespace fd {

class CachedURLResponse;
class Data;
class Error;
class HTTPURLResponse;
class InputStream;
class OperationQueue;
class URLAuthenticationChallenge;
class URLCredential;
class URLResponse;
class URLSession;
class URLSessionDataTask;
class URLSessionDownloadTask;
class URL;
class URLSessionTask;
class URLSessionUploadTask;
struct URLLoadJob;
struct URLSessionTaskHop;

enum class URLSessionTaskState : int64_t { Running = 0, Suspended = 1, Canceling = 2, Completed = 3 };
enum class URLSessionResponseDisposition : int64_t { Cancel = 0, Allow = 1, BecomeDownload = 2 };
enum class URLSessionAuthChallengeDisposition : int64_t {
  UseCredential = 0,
  PerformDefaultHandling = 1,
  CancelAuthenticationChallenge = 2,
  RejectProtectionSpace = 3,
};

/// The delegate. Every operation is optional: a subclass registers the selectors it implements
/// with `implement` (in its class description); the session calls only those and applies its
/// own default for the rest.
class URLSessionDelegate : public Object {
  RT_CLASS_NAMED(URLSessionDelegate, Object, "NSURLSessionDelegate")
 public:
  static constexpr const char* kDidBecomeInvalidWithError = "URLSession:didBecomeInvalidWithError:";
  static constexpr const char* kDidSendBodyData =
      "URLSession:task:didSendBodyData:totalBytesSent:totalBytesExpectedToSend:";
  static constexpr const char* kDidCompleteWithError = "URLSession:task:didCompleteWithError:";
  static constexpr const char* kDidReceiveResponse = "URLSession:dataTask:didReceiveResponse:completionHandler:";
  static constexpr const char* kDidReceiveData = "URLSession:dataTask:didReceiveData:";
  static constexpr const char* kDidBecomeDownloadTask = "URLSession:dataTask:didBecomeDownloadTask:";
  static constexpr const char* kWillCacheResponse = "URLSession:dataTask:willCacheResponse:completionHandler:";
  static constexpr const char* kDidFinishDownloadingToURL = "URLSession:downloadTask:didFinishDownloadingToURL:";
  static constexpr const char* kDidWriteData =
      "URLSession:downloadTask:didWriteData:totalBytesWritten:totalBytesExpectedToWrite:";
  static constexpr const char* kNeedNewBodyStream = "URLSession:task:needNewBodyStream:";
  static constexpr const char* kDidResumeAtOffset = "URLSession:downloadTask:didResumeAtOffset:expectedTotalBytes:";
  static constexpr const char* kDidReceiveChallenge = "URLSession:didReceiveChallenge:completionHandler:";
  static constexpr const char* kTaskDidReceiveChallenge = "URLSession:task:didReceiveChallenge:completionHandler:";
  static constexpr const char* kWillPerformHTTPRedirection =
      "URLSession:task:willPerformHTTPRedirection:newRequest:completionHandler:";

  static void implement(rt::Class& cls, std::initializer_list<const char*> selectors);

  using DispositionHandler = std::function<void(URLSessionResponseDisposition)>;

  virtual void didBecomeInvalidWithError(const Ref<URLSession>&, const Ref<Error>&) {}
  virtual void didSendBodyData(const Ref<URLSession>&, const Ref<URLSessionTask>&, int64_t /*bytesSent*/,
                               int64_t /*totalSent*/, int64_t /*totalExpected*/) {}
  virtual void didCompleteWithError(const Ref<URLSession>&, const Ref<URLSessionTask>&, const Ref<Error>&) {}
  /// Must call `handler` exactly once, now or later; data is held back until it does.
  virtual void didReceiveResponse(const Ref<URLSession>&, const Ref<URLSessionDataTask>&, const Ref<URLResponse>&,
                                  DispositionHandler handler) {
    handler(URLSessionResponseDisposition::Allow);
  }
  virtual void didReceiveData(const Ref<URLSession>&, const Ref<URLSessionDataTask>&, const Ref<Data>&) {}
  /// The response was answered with BecomeDownload: the transfer goes on as `downloadTask`,
  /// which hears the rest; the data task hears nothing more.
  virtual void didBecomeDownloadTask(const Ref<URLSession>&, const Ref<URLSessionDataTask>&,
                                     const Ref<URLSessionDownloadTask>& /*downloadTask*/) {}
  using CacheHandler = std::function<void(Ref<CachedURLResponse>)>;
  /// Before a response is stored: `handler` takes the proposed response, a substitute, or null
  /// to store nothing.
  virtual void willCacheResponse(const Ref<URLSession>&, const Ref<URLSessionDataTask>&,
                                 const Ref<CachedURLResponse>& proposed, CacheHandler handler) {
    handler(proposed);
  }
  /// `location` is a temporary file, removed when this returns: move or read it here.
  virtual void didFinishDownloadingToURL(const Ref<URLSession>&, const Ref<URLSessionDownloadTask>&,
                                         const Ref<URL>& /*location*/) {}
  virtual void didWriteData(const Ref<URLSession>&, const Ref<URLSessionDownloadTask>&, int64_t /*bytesWritten*/,
                            int64_t /*totalWritten*/, int64_t /*totalExpected*/) {}
  /// A streamed body must be sent again (a redirect that keeps the body, or an authentication
  /// retry): `handler` takes a fresh stream with the same bytes, or null to fail the task.
  using BodyStreamHandler = std::function<void(Ref<InputStream>)>;
  virtual void needNewBodyStream(const Ref<URLSession>&, const Ref<URLSessionTask>&, BodyStreamHandler handler) {
    handler(nullptr);
  }
  /// A download made from resume data starts again at `offset` (0 when the server sent the
  /// whole body anew).
  virtual void didResumeAtOffset(const Ref<URLSession>&, const Ref<URLSessionDownloadTask>&, int64_t /*offset*/,
                                 int64_t /*expectedTotalBytes*/) {}

  /// Must call the handler exactly once, now or later. The transfer waits for the answer.
  using ChallengeHandler = std::function<void(URLSessionAuthChallengeDisposition, Ref<URLCredential>)>;
  /// Connection-level challenges (server trust), for every task of the session. Without it the
  /// task-level callback hears them.
  virtual void didReceiveChallenge(const Ref<URLSession>&, const Ref<URLAuthenticationChallenge>&,
                                   ChallengeHandler handler) {
    handler(URLSessionAuthChallengeDisposition::PerformDefaultHandling, nullptr);
  }
  /// Server trust (when the session-level callback is not implemented) and HTTP authentication.
  virtual void taskDidReceiveChallenge(const Ref<URLSession>&, const Ref<URLSessionTask>&,
                                       const Ref<URLAuthenticationChallenge>&, ChallengeHandler handler) {
    handler(URLSessionAuthChallengeDisposition::PerformDefaultHandling, nullptr);
  }
  /// `handler` takes the request to follow (the proposed one, another, or null to take the
  /// redirect response itself as the task's answer).
  using RedirectHandler = std::function<void(Ref<URLRequest>)>;
  virtual void willPerformHTTPRedirection(const Ref<URLSession>&, const Ref<URLSessionTask>&,
                                          const Ref<HTTPURLResponse>& /*response*/, const Ref<URLRequest>& proposed,
                                          RedirectHandler handler) {
    handler(proposed);
  }
};

class URLSessionTask : public Object {
  RT_CLASS_NAMED(URLSessionTask, Object, "NSURLSessionTask")
 public:
  void init() {}
  ~URLSessionTask() override;

  /// Runs on the calling thread before every task's `resume` (resuming true) or `suspend`, in
  /// any session of the process, with the task's state before the call. Installed once, early
  /// (a static initializer); pass an empty function to remove it.
  using ResumeSuspendHook = std::function<void(URLSessionTask& task, bool resuming, URLSessionTaskState before)>;
  static void setResumeSuspendHook(ResumeSuspendHook hook);

  uint64_t taskIdentifier() const { return identifier_; }
  String taskDescription() const;
  void setTaskDescription(const String& description);
  URLSessionTaskState state() const;
  const Ref<URLRequest>& originalRequest() const { return request_; }
  /// The request being loaded, after redirects.
  Ref<URLRequest> currentRequest() const;
  Ref<URLResponse> response() const;
  int64_t countOfBytesSent() const { return sent_; }
  int64_t countOfBytesReceived() const { return received_; }
  /// -1 when unknown (a streamed body).
  int64_t countOfBytesExpectedToSend() const { return expectedToSend_; }
  /// -1 until a response with a length arrives.
  int64_t countOfBytesExpectedToReceive() const { return expectedToReceive_; }
  Ref<Error> error() const;

  /// Starts a new task or lets a suspended one go on delivering.
  void resume();
  /// Holds the task: an unstarted one does not start, a running one delivers nothing until
  /// resumed.
  void suspend();
  /// Stops the transfer; the task completes with NSURLErrorCancelled.
  void cancel();

  using CompletionHandler = std::function<void(Ref<Data>, Ref<URLResponse>, Ref<Error>)>;
  /// For downloads: the temporary file (removed when the handler returns), or an error.
  using DownloadCompletionHandler = std::function<void(Ref<URL> location, Ref<URLResponse>, Ref<Error>)>;

 protected:
  friend class URLSession;
  friend class URLSessionDownloadTask;
  void setUp(const Ref<URLSession>& session, uint64_t identifier, Ref<URLRequest> request,
             CompletionHandler completion);

 private:
  Ref<URLSessionTask> selfRef() { return std::static_pointer_cast<URLSessionTask>(shared_from_this()); }
  void start();
  /// A redirect response ended the transfer: asks the delegate (when it wants to know) and
  /// follows, or takes the redirect response as the answer.
  void redirect(const std::shared_ptr<URLSessionTaskHop>& hop);
  /// The request a redirect leads to.
  Ref<URLRequest> redirectedRequest(const Ref<URL>& target, long status);
  void followRedirect(const Ref<URLRequest>& next);
  void sendRedirected(const Ref<URLRequest>& next);
  /// Runs `go` once `request` can be sent again: a streamed body already read is replaced by
  /// one the delegate gives; without one the task fails (NSURLErrorRequestBodyStreamExhausted).
  void withFreshBody(const Ref<URLRequest>& request, std::function<void(Ref<URLRequest>)> go);
  /// Hands a response that was held back (a redirect or an authentication demand) to the
  /// client as the task's answer.
  void deliverHeld(const std::shared_ptr<URLSessionTaskHop>& hop);
  /// A 401 ended the transfer: asks the delegate for a credential.
  void challengeHTTP(const std::shared_ptr<URLSessionTaskHop>& hop);
  /// Asks the delegate about a server trust on the delegate queue and waits, at most
  /// `seconds`, for the answer (none when the task ended first).
  std::optional<std::pair<URLSessionAuthChallengeDisposition, Ref<URLCredential>>> askServerTrust(
      const Ref<URLSession>& session, const Ref<URLAuthenticationChallenge>& challenge, bool sessionLevel,
      double seconds);
  /// Queues `f` on the delegate queue, or holds it while the task is suspended or waiting for a
  /// response disposition. Runs nothing once the task completed.
  void deliver(std::function<void()> f, bool thenAwaitDisposition = false);
  void flushHeld();  // mutex_ held
  /// Moves to `to` when `allowed` (run with mutex_ held) agrees, telling observers of "state"
  /// outside mutex_ so that they may query the task. Never called with mutex_ held.
  bool moveTo(URLSessionTaskState to, const std::function<bool()>& allowed);
  /// Stores a byte count, telling observers of `key`; answers the previous count.
  int64_t updateCount(const char* key, std::atomic<int64_t>& slot, int64_t value);
  void receiveResponse(const Ref<URLResponse>& response);
  /// The first response of a download made from resume data: keeps the partial file when the
  /// server answers with the rest of the entity, else starts the file over; tells the delegate.
  void resumeDownloadAt(const Ref<HTTPURLResponse>& response, int64_t askedOffset);
  /// Counts the bytes kept and tells the delegate where the download goes on.
  void resumedAt(int64_t offset, int64_t expected);
  /// The server answered a resumed download's range with 416: the `held` bytes are the whole
  /// entity when its length is theirs (the task succeeds with them), else the body is loaded anew.
  void rangeRefused(const std::shared_ptr<URLSessionTaskHop>& hop, int64_t held);
  /// Counts the bytes, then keeps them for the completion handler or hands them to the delegate.
  void receiveData(const char* bytes, size_t length);
  /// Answers from a stored response without touching the network.
  void serveCached(const Ref<CachedURLResponse>& cached);
  void answerDisposition(URLSessionResponseDisposition d);
  /// Hands the running transfer of this data task to a new download task of the session.
  void becomeDownload();
  /// A new temporary file for a download's body; false when it cannot be made.
  bool createDownloadFile();
  void complete(Ref<Error> error, bool cancelled = false);
  /// On the delegate queue: hands the temporary file over, then removes it.
  void finishDownload(const Ref<URLSession>& session, const Ref<URLResponse>& response, const Ref<Error>& error);

  Weak<URLSession> session_;
  uint64_t identifier_ = 0;
  Ref<URLRequest> request_;
  Ref<URLRequest> current_;  // after redirects
  int redirects_ = 0;
  double resourceDeadline_ = 0;  // steady-clock seconds, set when the first load starts
  Ref<URLCredential> credential_;  // for HTTP authentication, once the delegate gave one
  int64_t authFailures_ = 0;
  CompletionHandler completion_;
  bool hasCompletion_ = false;
  std::optional<String> bodyFile_;  // an upload read from this file
  // Downloads write the body to a temporary file instead of delivering it.
  bool download_ = false;
  DownloadCompletionHandler downloadCompletion_;
  std::string downloadPath_;
  FILE* downloadFile_ = nullptr;
  // A data task that became a download forwards its transfer to that task, which keeps the
  // data task alive until it completes. Body bytes that arrive while the delegate decides on
  // the response are kept for it, as is an outcome reached meanwhile.
  Weak<URLSessionTask> becameDownload_;
  Ref<URLSessionTask> origin_;
  std::vector<uint8_t> undecidedBody_;
  Ref<Error> undecidedOutcome_;
  // A download resumed from resume data: the bytes already in downloadPath_ and the validator
  // that must still hold for them to be kept.
  int64_t resumeOffset_ = 0;
  String resumeValidator_;
  bool resumeDataInvalid_ = false;
  bool resumeAnew_ = false;  // the range was refused: the whole body goes into the file
  mutable std::mutex mutex_;
  // Serialises state changes with their notifications; re-entered by observers that act on
  // the task.
  std::recursive_mutex transitionMutex_;
  String description_;
  URLSessionTaskState state_ = URLSessionTaskState::Suspended;
  bool started_ = false;
  bool awaitingDisposition_ = false;
  bool closed_ = false;        // the outcome is decided
  bool finishQueued_ = false;  // and on its way to the delegate queue
  std::vector<std::function<void()>> held_;
  Ref<URLResponse> response_;
  Ref<Error> error_;
  Ref<Data> collected_;  // for a completion handler
  std::shared_ptr<URLLoadJob> job_;
  std::atomic<int64_t> sent_{0}, received_{0};
  std::atomic<int64_t> expectedToSend_{0}, expectedToReceive_{-1};
};

class URLSessionDataTask : public URLSessionTask {
  RT_CLASS_NAMED(URLSessionDataTask, URLSessionTask, "NSURLSessionDataTask")
};

class URLSessionDownloadTask : public URLSessionTask {
  RT_CLASS_NAMED(URLSessionDownloadTask, URLSessionTask, "NSURLSessionDownloadTask")
 public:
  /// Cancels the task; `handler` receives, on the delegate queue, data to go on from with
  /// URLSession::downloadTaskWithResumeData, or null when the download cannot be resumed (no
  /// byte written yet, not a GET, or no entity tag or date from the server to check against).
  void cancelByProducingResumeData(std::function<void(Ref<Data> resumeData)> handler);
};

class URLSessionUploadTask : public URLSessionDataTask {
  RT_CLASS_NAMED(URLSessionUploadTask, URLSessionDataTask, "NSURLSessionUploadTask")
};

class URLSession : public Object {
  RT_CLASS_NAMED(URLSession, Object, "NSURLSession")
 public:
  void init() {}
  /// `queue` null: the session makes a serial queue of its own. The delegate is held weakly.
  static Ref<URLSession> sessionWithConfiguration(const Ref<URLSessionConfiguration>& configuration,
                                                  const Ref<URLSessionDelegate>& delegate = nullptr,
                                                  const Ref<OperationQueue>& queue = nullptr);

  /// A copy of the configuration the session was made with.
  Ref<URLSessionConfiguration> configuration() const { return configuration_->copyConfiguration(); }
  /// Null once the session is invalid or the delegate is gone.
  Ref<URLSessionDelegate> delegate() const;
  const Ref<OperationQueue>& delegateQueue() const { return queue_; }
  String sessionDescription() const;
  void setSessionDescription(const String& description);

  // Tasks are created suspended. With a completion handler the outcome goes there (on the
  // delegate queue) instead of the delegate's response, data and completion callbacks.
  // Creating a task on an invalidated session raises NSGenericException.
  Ref<URLSessionDataTask> dataTaskWithRequest(const Ref<URLRequest>& request,
                                              URLSessionTask::CompletionHandler completion = nullptr);
  Ref<URLSessionUploadTask> uploadTaskWithRequest(const Ref<URLRequest>& request, const Ref<Data>& body,
                                                  URLSessionTask::CompletionHandler completion = nullptr);
  /// The body is read from the file when the task starts; a missing file fails the task.
  Ref<URLSessionUploadTask> uploadTaskWithRequest(const Ref<URLRequest>& request, const String& filePath,
                                                  URLSessionTask::CompletionHandler completion = nullptr);
  /// Uploads the request's body stream.
  Ref<URLSessionUploadTask> uploadTaskWithStreamedRequest(const Ref<URLRequest>& request);

  /// Loads the body into a temporary file.
  Ref<URLSessionDownloadTask> downloadTaskWithRequest(const Ref<URLRequest>& request,
                                                      URLSessionTask::DownloadCompletionHandler completion = nullptr);

  /// Goes on with a cancelled download: asks the server for the rest of the body, keeping the
  /// bytes written so far when it still has the same entity. When they were all of it (the
  /// server refuses the range with a 416 naming their length) the task succeeds with them, its
  /// response a 200 of that length. Resume data that does not decode, or whose partial file is
  /// gone, makes a task that fails with NSURLErrorCannotOpenFile.
  Ref<URLSessionDownloadTask> downloadTaskWithResumeData(const Ref<Data>& resumeData,
                                                         URLSessionTask::DownloadCompletionHandler completion = nullptr);

  using TasksHandler = std::function<void(std::vector<Ref<URLSessionDataTask>> dataTasks,
                                          std::vector<Ref<URLSessionUploadTask>> uploadTasks,
                                          std::vector<Ref<URLSessionDownloadTask>> downloadTasks)>;
  /// The tasks not yet completed, delivered on the delegate queue.
  void getTasksWithCompletionHandler(TasksHandler handler);

  /// No new tasks; the delegate hears didBecomeInvalidWithError once the running ones complete.
  void finishTasksAndInvalidate();
  /// Cancels every task, then invalidates as above.
  void invalidateAndCancel();
  bool isInvalidated() const;

 private:
  friend class URLSessionTask;
  friend class URLSessionDownloadTask;
  Ref<URLSession> selfRef() { return std::static_pointer_cast<URLSession>(shared_from_this()); }
  template <class T>
  Ref<T> makeTask(const Ref<URLRequest>& request, URLSessionTask::CompletionHandler completion);
  /// The request as sent: the configuration's headers and time-out applied.
  Ref<URLRequest> prepared(const Ref<URLRequest>& request) const;
  bool responds(const char* selector) const;
  void taskCompleted(URLSessionTask* task);
  void invalidateIfDone();  // mutex_ held on entry; releases nothing

  Ref<URLSessionConfiguration> configuration_;
  Weak<URLSessionDelegate> delegate_;
  Ref<OperationQueue> queue_;
  mutable std::mutex mutex_;
  String description_;
  uint64_t nextIdentifier_ = 1;
  std::vector<Ref<URLSessionTask>> tasks_;  // not yet completed
  bool invalidating_ = false;
  bool invalidated_ = false;
};

}  // namespace fd
