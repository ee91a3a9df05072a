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

#include "platform/foundation/URLRequest.h"
#include "platform/foundation/URLSessionConfiguration.h"

namespace fd {

class CachedURLResponse;
class Data;
class Error;
class OperationQueue;
class URLResponse;
class URLSession;
class URLSessionDataTask;
class URLSessionDownloadTask;
class URL;
class URLSessionTask;
class URLSessionUploadTask;
struct URLLoadJob;

enum class URLSessionTaskState : int64_t { Running = 0, Suspended = 1, Canceling = 2, Completed = 3 };
enum class URLSessionResponseDisposition : int64_t { Cancel = 0, Allow = 1 };

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
  static constexpr const char* kWillCacheResponse = "URLSession:dataTask:willCacheResponse:completionHandler:";
  static constexpr const char* kDidFinishDownloadingToURL = "URLSession:downloadTask:didFinishDownloadingToURL:";
  static constexpr const char* kDidWriteData =
      "URLSession:downloadTask:didWriteData:totalBytesWritten:totalBytesExpectedToWrite:";

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
  void setUp(const Ref<URLSession>& session, uint64_t identifier, Ref<URLRequest> request,
             CompletionHandler completion);

 private:
  Ref<URLSessionTask> selfRef() { return std::static_pointer_cast<URLSessionTask>(shared_from_this()); }
  void start();
  /// Loads `target` next, as the redirect with `status` asks.
  void redirect(const Ref<URL>& target, long status);
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
  /// Counts the bytes, then keeps them for the completion handler or hands them to the delegate.
  void receiveData(const char* bytes, size_t length);
  /// Answers from a stored response without touching the network.
  void serveCached(const Ref<CachedURLResponse>& cached);
  void answerDisposition(URLSessionResponseDisposition d);
  void complete(Ref<Error> error, bool cancelled = false);
  /// On the delegate queue: hands the temporary file over, then removes it.
  void finishDownload(const Ref<URLSession>& session, const Ref<URLResponse>& response, const Ref<Error>& error);

  Weak<URLSession> session_;
  uint64_t identifier_ = 0;
  Ref<URLRequest> request_;
  Ref<URLRequest> current_;  // after redirects
  int redirects_ = 0;
  CompletionHandler completion_;
  bool hasCompletion_ = false;
  std::optional<String> bodyFile_;  // an upload read from this file
  // Downloads write the body to a temporary file instead of delivering it.
  bool download_ = false;
  DownloadCompletionHandler downloadCompletion_;
  std::string downloadPath_;
  FILE* downloadFile_ = nullptr;
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
