#pragma once
// The session-task side of the HTTP client: owns one URL session, is its delegate, keeps a
// task delegate per task it made (body, progress, completion), parses answers off the delegate
// queue and hands them to completions on the completion queue. Every session callback can be
// observed or overridden through a block. Announces its tasks' resumes, suspends and
// completions on the main queue.
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "net/http/NKURLSessionManagerTaskDelegate.h"
#include "platform/dispatch/Group.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/net/URLSession.h"
#include "platform/foundation/serialization/Coding.h"

namespace fd {
class InputStream;
class Notification;
class OperationQueue;
class Progress;
}  // namespace fd

namespace net {

class NKNetworkReachabilityManager;
class NKSecurityPolicy;
class NKURLResponseSerialization;

// Every session task of the process, on the thread that resumed or suspended it.
extern const char* const NKNetworkingTaskDidResumeProcessNotification;   // "...nsurlsessiontask.resume"
extern const char* const NKNetworkingTaskDidSuspendProcessNotification;  // "...nsurlsessiontask.suspend"
// A manager's own tasks, on the main queue.
extern const char* const NKNetworkingTaskDidResumeNotification;
extern const char* const NKNetworkingTaskDidSuspendNotification;
extern const char* const NKNetworkingTaskDidCompleteNotification;
extern const char* const NKURLSessionDidInvalidateNotification;
extern const char* const NKURLSessionDownloadTaskDidFailToMoveFileNotification;
// Keys of the completion notification's user info.
extern const char* const NKNetworkingTaskDidCompleteResponseSerializerKey;
extern const char* const NKNetworkingTaskDidCompleteResponseDataKey;
extern const char* const NKNetworkingTaskDidCompleteAssetPathKey;
extern const char* const NKNetworkingTaskDidCompleteSerializedResponseKey;
extern const char* const NKNetworkingTaskDidCompleteErrorKey;

class NKURLSessionManager : public fd::URLSessionDelegate, public fd::Coding {
  RT_CLASS(NKURLSessionManager, fd::URLSessionDelegate)
 public:
  using CompletionHandler = NKURLSessionManagerTaskDelegate::CompletionHandler;
  using DestinationBlock =
      std::function<Ref<fd::URL>(const Ref<fd::URL>& location, const Ref<fd::URLResponse>& response)>;
  using ChallengeBlock = std::function<fd::URLSessionAuthChallengeDisposition(
      const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&, const Ref<fd::URLAuthenticationChallenge>&,
      Ref<fd::URLCredential>* credential)>;

  void init() { init(nullptr); }
  /// Null: the default configuration.
  void init(Ref<fd::URLSessionConfiguration> configuration);
  ~NKURLSessionManager() override;

  static Ref<NKURLSessionManager> create(Ref<fd::URLSessionConfiguration> configuration = nullptr);

  const Ref<fd::URLSession>& session() const { return session_; }
  const Ref<fd::OperationQueue>& operationQueue() const { return operationQueue_; }
  Ref<NKURLResponseSerialization> responseSerializer() const;
  void setResponseSerializer(Ref<NKURLResponseSerialization> serializer);
  Ref<NKSecurityPolicy> securityPolicy() const;
  void setSecurityPolicy(Ref<NKSecurityPolicy> policy);
  const Ref<NKNetworkReachabilityManager>& reachabilityManager() const { return reachabilityManager_; }
  void setReachabilityManager(Ref<NKNetworkReachabilityManager> manager) { reachabilityManager_ = std::move(manager); }
  /// Null: the main queue.
  Ref<dispatch::Queue> completionQueue() const;
  void setCompletionQueue(Ref<dispatch::Queue> queue);
  /// Null: the process-wide completion group.
  Ref<dispatch::Group> completionGroup() const;
  void setCompletionGroup(Ref<dispatch::Group> group);
  bool attemptsToRecreateUploadTasksForBackgroundSessions() const { return recreateUploads_; }
  void setAttemptsToRecreateUploadTasksForBackgroundSessions(bool on) { recreateUploads_ = on; }
  /// What every task this manager makes carries as its description: how it tells its own
  /// tasks apart in the process-wide notifications.
  fd::String taskDescriptionForSessionTasks() const;

  // Tasks, made not resumed. Completions take (response, response object, error).
  Ref<fd::URLSessionDataTask> dataTaskWithRequest(const Ref<fd::URLRequest>& request, CompletionHandler completion);
  Ref<fd::URLSessionUploadTask> uploadTaskWithRequest(const Ref<fd::URLRequest>& request, const Ref<fd::URL>& fileURL,
                                                      Ref<fd::Progress>* progress, CompletionHandler completion);
  Ref<fd::URLSessionUploadTask> uploadTaskWithRequest(const Ref<fd::URLRequest>& request, const Ref<fd::Data>& body,
                                                      Ref<fd::Progress>* progress, CompletionHandler completion);
  Ref<fd::URLSessionUploadTask> uploadTaskWithStreamedRequest(const Ref<fd::URLRequest>& request,
                                                              Ref<fd::Progress>* progress, CompletionHandler completion);
  /// The completion's response object is the destination URL.
  Ref<fd::URLSessionDownloadTask> downloadTaskWithRequest(const Ref<fd::URLRequest>& request, Ref<fd::Progress>* progress,
                                                          DestinationBlock destination, CompletionHandler completion);
  Ref<fd::URLSessionDownloadTask> downloadTaskWithResumeData(const Ref<fd::Data>& resumeData,
                                                             Ref<fd::Progress>* progress, DestinationBlock destination,
                                                             CompletionHandler completion);

  /// The same object for both; null for a task this manager does not know.
  Ref<fd::Progress> uploadProgressForTask(const Ref<fd::URLSessionTask>& task) const;
  Ref<fd::Progress> downloadProgressForTask(const Ref<fd::URLSessionTask>& task) const;

  // The manager's tasks not yet complete, in the order they were made. Answered from the
  // manager's own table, so callable from any queue, the delegate queue included.
  std::vector<Ref<fd::URLSessionTask>> tasks() const;
  std::vector<Ref<fd::URLSessionTask>> dataTasks() const;
  std::vector<Ref<fd::URLSessionTask>> uploadTasks() const;
  std::vector<Ref<fd::URLSessionTask>> downloadTasks() const;

  /// On the main queue: cancels every task and invalidates (true), or lets them finish.
  void invalidateSessionCancelingTasks(bool cancelPendingTasks);

  // Override and observer blocks, all empty by default.
  void setSessionDidBecomeInvalidBlock(std::function<void(const Ref<fd::URLSession>&, const Ref<fd::Error>&)> b);
  void setSessionDidReceiveAuthenticationChallengeBlock(
      std::function<fd::URLSessionAuthChallengeDisposition(const Ref<fd::URLSession>&,
                                                           const Ref<fd::URLAuthenticationChallenge>&,
                                                           Ref<fd::URLCredential>*)> b);
  void setDidFinishEventsForBackgroundURLSessionBlock(std::function<void(const Ref<fd::URLSession>&)> b);
  void setTaskWillPerformHTTPRedirectionBlock(
      std::function<Ref<fd::URLRequest>(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&,
                                        const Ref<fd::HTTPURLResponse>&, const Ref<fd::URLRequest>&)> b);
  void setTaskDidReceiveAuthenticationChallengeBlock(ChallengeBlock b);
  void setTaskNeedNewBodyStreamBlock(
      std::function<Ref<fd::InputStream>(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&)> b);
  void setTaskDidSendBodyDataBlock(
      std::function<void(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&, int64_t, int64_t, int64_t)> b);
  void setTaskDidCompleteBlock(
      std::function<void(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&, const Ref<fd::Error>&)> b);
  void setDataTaskDidReceiveResponseBlock(
      std::function<fd::URLSessionResponseDisposition(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&,
                                                      const Ref<fd::URLResponse>&)> b);
  void setDataTaskDidBecomeDownloadTaskBlock(
      std::function<void(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&,
                         const Ref<fd::URLSessionDownloadTask>&)> b);
  void setDataTaskDidReceiveDataBlock(
      std::function<void(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&, const Ref<fd::Data>&)> b);
  void setDataTaskWillCacheResponseBlock(
      std::function<Ref<fd::CachedURLResponse>(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&,
                                               const Ref<fd::CachedURLResponse>&)> b);
  void setDownloadTaskDidFinishDownloadingBlock(
      std::function<Ref<fd::URL>(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDownloadTask>&,
                                 const Ref<fd::URL>&)> b);
  void setDownloadTaskDidWriteDataBlock(
      std::function<void(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDownloadTask>&, int64_t, int64_t,
                         int64_t)> b);
  void setDownloadTaskDidResumeBlock(
      std::function<void(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDownloadTask>&, int64_t, int64_t)> b);

  /// The redirect, response, cache and background-events callbacks answer yes only while their
  /// block is set, so that the session applies its own default otherwise.
  using rt::Object::respondsToSelector;
  bool respondsToSelector(rt::Selector selector) const override;

  // Session delegate.
  void didBecomeInvalidWithError(const Ref<fd::URLSession>&, const Ref<fd::Error>&) override;
  void didReceiveChallenge(const Ref<fd::URLSession>&, const Ref<fd::URLAuthenticationChallenge>&,
                           ChallengeHandler handler) override;
  void taskDidReceiveChallenge(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&,
                               const Ref<fd::URLAuthenticationChallenge>&, ChallengeHandler handler) override;
  void willPerformHTTPRedirection(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&,
                                  const Ref<fd::HTTPURLResponse>&, const Ref<fd::URLRequest>& proposed,
                                  RedirectHandler handler) override;
  void needNewBodyStream(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&, BodyStreamHandler handler) override;
  void didSendBodyData(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&, int64_t bytesSent,
                       int64_t totalSent, int64_t totalExpected) override;
  void didCompleteWithError(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&, const Ref<fd::Error>&) override;
  void didReceiveResponse(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&, const Ref<fd::URLResponse>&,
                          DispositionHandler handler) override;
  void didReceiveData(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&, const Ref<fd::Data>&) override;
  void didBecomeDownloadTask(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&,
                             const Ref<fd::URLSessionDownloadTask>&) override;
  void willCacheResponse(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&,
                         const Ref<fd::CachedURLResponse>& proposed, CacheHandler handler) override;
  void didFinishDownloadingToURL(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDownloadTask>&,
                                 const Ref<fd::URL>& location) override;
  void didWriteData(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDownloadTask>&, int64_t bytesWritten,
                    int64_t totalWritten, int64_t totalExpected) override;
  void didResumeAtOffset(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDownloadTask>&, int64_t offset,
                         int64_t expectedTotalBytes) override;

  rt::String description() const override;
  static bool supportsSecureCoding() { return true; }
  /// Only the session's configuration is archived.
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  /// A new manager with the session's configuration; nothing else is carried over.
  rt::Id copy() const override;

  // Internal, used by the task delegates.
  static Ref<dispatch::Queue> processingQueue();
  static Ref<dispatch::Group> sharedCompletionGroup();
  /// Moves a finished download; a failure is announced and handed back.
  static Ref<fd::Error> moveDownload(const Ref<fd::URLSessionDownloadTask>& task, const Ref<fd::URL>& from,
                                     const Ref<fd::URL>& to);

 protected:
  /// Gives an instance that has made no task yet a session with `configuration` in place of
  /// the one its initialiser made: how a copy made through the receiver's class object gets
  /// the receiver's configuration.
  void replaceUnusedSession(Ref<fd::URLSessionConfiguration> configuration);
  Ref<NKURLSessionManagerTaskDelegate> delegateForTask(const Ref<fd::URLSessionTask>& task) const;
  void setDelegateForTask(const Ref<NKURLSessionManagerTaskDelegate>& delegate, const Ref<fd::URLSessionTask>& task);
  void removeDelegateForTask(const Ref<fd::URLSessionTask>& task);
  void removeAllDelegates();

 private:
  Ref<NKURLSessionManager> selfRef() { return std::static_pointer_cast<NKURLSessionManager>(shared_from_this()); }
  Ref<NKURLSessionManagerTaskDelegate> addDelegate(const Ref<fd::URLSessionTask>& task, CompletionHandler completion);
  void addUploadDelegate(const Ref<fd::URLSessionUploadTask>& task, Ref<fd::Progress>* progress,
                         CompletionHandler completion);
  void addDownloadDelegate(const Ref<fd::URLSessionDownloadTask>& task, Ref<fd::Progress>* progress,
                           DestinationBlock destination, CompletionHandler completion);
  template <class Pred>
  std::vector<Ref<fd::URLSessionTask>> tasksWhere(Pred pred) const;
  void taskDidResume(const Ref<fd::Notification>& notification);
  void taskDidSuspend(const Ref<fd::Notification>& notification);
  std::pair<fd::URLSessionAuthChallengeDisposition, Ref<fd::URLCredential>> evaluateTrust(
      const Ref<fd::URLAuthenticationChallenge>& challenge, bool taskLevel) const;

  Ref<fd::URLSessionConfiguration> sessionConfiguration_;
  Ref<fd::OperationQueue> operationQueue_;
  Ref<fd::URLSession> session_;
  Ref<NKNetworkReachabilityManager> reachabilityManager_;
  bool recreateUploads_ = false;
  rt::Id observerToken_;

  mutable std::mutex settingsMutex_;  // serializer, policy, queues, blocks
  Ref<NKURLResponseSerialization> responseSerializer_;
  Ref<NKSecurityPolicy> securityPolicy_;
  Ref<dispatch::Queue> completionQueue_;
  Ref<dispatch::Group> completionGroup_;

  mutable std::mutex lock_;  // the delegate table
  std::map<uint64_t, Ref<NKURLSessionManagerTaskDelegate>> delegates_;

  std::function<void(const Ref<fd::URLSession>&, const Ref<fd::Error>&)> sessionDidBecomeInvalid_;
  std::function<fd::URLSessionAuthChallengeDisposition(const Ref<fd::URLSession>&,
                                                       const Ref<fd::URLAuthenticationChallenge>&,
                                                       Ref<fd::URLCredential>*)>
      sessionDidReceiveChallenge_;
  std::function<void(const Ref<fd::URLSession>&)> didFinishEventsForBackgroundURLSession_;
  std::function<Ref<fd::URLRequest>(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&,
                                    const Ref<fd::HTTPURLResponse>&, const Ref<fd::URLRequest>&)>
      taskWillPerformHTTPRedirection_;
  ChallengeBlock taskDidReceiveChallenge_;
  std::function<Ref<fd::InputStream>(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&)> taskNeedNewBodyStream_;
  std::function<void(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&, int64_t, int64_t, int64_t)>
      taskDidSendBodyData_;
  std::function<void(const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&, const Ref<fd::Error>&)>
      taskDidComplete_;
  std::function<fd::URLSessionResponseDisposition(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&,
                                                  const Ref<fd::URLResponse>&)>
      dataTaskDidReceiveResponse_;
  std::function<void(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&,
                     const Ref<fd::URLSessionDownloadTask>&)>
      dataTaskDidBecomeDownloadTask_;
  std::function<void(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&, const Ref<fd::Data>&)>
      dataTaskDidReceiveData_;
  std::function<Ref<fd::CachedURLResponse>(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&,
                                           const Ref<fd::CachedURLResponse>&)>
      dataTaskWillCacheResponse_;
  std::function<Ref<fd::URL>(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDownloadTask>&, const Ref<fd::URL>&)>
      downloadTaskDidFinishDownloading_;
  std::function<void(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDownloadTask>&, int64_t, int64_t, int64_t)>
      downloadTaskDidWriteData_;
  std::function<void(const Ref<fd::URLSession>&, const Ref<fd::URLSessionDownloadTask>&, int64_t, int64_t)>
      downloadTaskDidResume_;
};

}  // namespace net
