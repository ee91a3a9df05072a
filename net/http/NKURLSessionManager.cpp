#include "net/http/NKURLSessionManager.h"

#include <cstdlib>

#include "net/http/NKNetworkReachabilityManager.h"
#include "net/http/NKSecurityPolicy.h"
#include "net/http/NKURLResponseSerialization.h"
#include "platform/crypto/Trust.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/net/CachedURLResponse.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLAuthenticationChallenge.h"
#include "platform/foundation/net/URLCredential.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/threads/Progress.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"

namespace net {

const char* const NKNetworkingTaskDidResumeProcessNotification = "com.trevanode.networking.nsurlsessiontask.resume";
const char* const NKNetworkingTaskDidSuspendProcessNotification = "com.trevanode.networking.nsurlsessiontask.suspend";
const char* const NKNetworkingTaskDidResumeNotification = "com.trevanode.networking.task.resume";
const char* const NKNetworkingTaskDidSuspendNotification = "com.trevanode.networking.task.suspend";
const char* const NKNetworkingTaskDidCompleteNotification = "com.trevanode.networking.task.complete";
const char* const NKURLSessionDidInvalidateNotification = "com.trevanode.networking.session.invalidate";
const char* const NKURLSessionDownloadTaskDidFailToMoveFileNotification =
    "com.trevanode.networking.session.download.file-manager-error";
const char* const NKNetworkingTaskDidCompleteResponseSerializerKey =
    "com.trevanode.networking.task.complete.responseserializer";
const char* const NKNetworkingTaskDidCompleteResponseDataKey = "com.trevanode.networking.complete.finish.responsedata";
const char* const NKNetworkingTaskDidCompleteAssetPathKey = "com.trevanode.networking.task.complete.assetpath";
const char* const NKNetworkingTaskDidCompleteSerializedResponseKey =
    "com.trevanode.networking.task.complete.serializedresponse";
const char* const NKNetworkingTaskDidCompleteErrorKey = "com.trevanode.networking.task.complete.error";

namespace {

Ref<dispatch::Queue> creationQueue() {
  static Ref<dispatch::Queue> queue = dispatch::Queue::createSerial("com.trevanode.networking.session.manager.creation");
  return queue;
}

/// Every task of the process announces its resumes and suspends, from before main on.
const bool kTaskNotificationsInstalled = [] {
  fd::URLSessionTask::setResumeSuspendHook([](fd::URLSessionTask& task, bool resuming, fd::URLSessionTaskState before) {
    auto self = std::static_pointer_cast<fd::URLSessionTask>(task.shared_from_this());
    if (resuming && before != fd::URLSessionTaskState::Running) {
      fd::NotificationCenter::defaultCenter()->post(fd::String(NKNetworkingTaskDidResumeProcessNotification), self);
    } else if (!resuming && before != fd::URLSessionTaskState::Suspended) {
      fd::NotificationCenter::defaultCenter()->post(fd::String(NKNetworkingTaskDidSuspendProcessNotification), self);
    }
  });
  return true;
}();

/// The request's "Content-Length" as a number, or -1.
int64_t declaredLength(const Ref<fd::URLRequest>& request) {
  if (!request) return -1;
  auto header = request->valueForHTTPHeaderField("Content-Length");
  if (!header) return -1;
  std::string text = header->utf8();
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 10);
  return end != text.c_str() && value >= 0 ? static_cast<int64_t>(value) : -1;
}

}  // namespace

RT_IMPLEMENT(NKURLSessionManager) {
  using D = fd::URLSessionDelegate;
  D::implement(c.cls(), {D::kDidBecomeInvalidWithError, D::kDidReceiveChallenge, D::kTaskDidReceiveChallenge,
                         D::kNeedNewBodyStream, D::kDidSendBodyData, D::kDidCompleteWithError, D::kDidReceiveData,
                         D::kDidBecomeDownloadTask, D::kDidFinishDownloadingToURL, D::kDidWriteData,
                         D::kDidResumeAtOffset, D::kWillPerformHTTPRedirection, D::kDidReceiveResponse,
                         D::kWillCacheResponse});
  c.protocol("NSSecureCoding");
  c.protocol("NSCoding");
  c.protocol("NSCopying");
  fd::registerDecoder(&c.cls(), [](fd::KeyedUnarchiver& coder) -> rt::Id {
    auto manager = std::make_shared<NKURLSessionManager>();
    return manager->initWithCoder(coder) ? manager : nullptr;
  });
}

void NKURLSessionManager::init(Ref<fd::URLSessionConfiguration> configuration) {
  (void)kTaskNotificationsInstalled;
  sessionConfiguration_ = configuration ? configuration : fd::URLSessionConfiguration::defaultSessionConfiguration();
  operationQueue_ = fd::OperationQueue::create();
  operationQueue_->setMaxConcurrentOperationCount(1);
  session_ = fd::URLSession::sessionWithConfiguration(sessionConfiguration_, selfRef(), operationQueue_);
  responseSerializer_ = NKJSONResponseSerializer::serializer();
  securityPolicy_ = NKSecurityPolicy::defaultPolicy();
  reachabilityManager_ = NKNetworkReachabilityManager::sharedManager();

  // Tasks of a background session that outlived the process get delegates of their own.
  Weak<NKURLSessionManager> weak = selfRef();
  session_->getTasksWithCompletionHandler([weak](auto dataTasks, auto uploadTasks, auto downloadTasks) {
    auto self = weak.lock();
    if (!self) return;
    for (auto& t : dataTasks) self->addDelegate(t, nullptr);
    for (auto& t : uploadTasks) self->addUploadDelegate(t, nullptr, nullptr);
    for (auto& t : downloadTasks) self->addDownloadDelegate(t, nullptr, nullptr, nullptr);
  });

  observerToken_ = rt::make<rt::Object>();
  auto center = fd::NotificationCenter::defaultCenter();
  center->addObserver(
      observerToken_,
      [weak](const Ref<fd::Notification>& n) {
        if (auto self = weak.lock()) self->taskDidResume(n);
      },
      fd::String(NKNetworkingTaskDidResumeProcessNotification), nullptr);
  center->addObserver(
      observerToken_,
      [weak](const Ref<fd::Notification>& n) {
        if (auto self = weak.lock()) self->taskDidSuspend(n);
      },
      fd::String(NKNetworkingTaskDidSuspendProcessNotification), nullptr);
}

void NKURLSessionManager::replaceUnusedSession(Ref<fd::URLSessionConfiguration> configuration) {
  sessionConfiguration_ =
      configuration ? std::move(configuration) : fd::URLSessionConfiguration::defaultSessionConfiguration();
  // The old session has no task and holds its delegate weakly: dropping it is enough.
  session_ = fd::URLSession::sessionWithConfiguration(sessionConfiguration_, selfRef(), operationQueue_);
}

NKURLSessionManager::~NKURLSessionManager() {
  if (observerToken_) fd::NotificationCenter::defaultCenter()->removeObserver(observerToken_);
}

Ref<NKURLSessionManager> NKURLSessionManager::create(Ref<fd::URLSessionConfiguration> configuration) {
  return rt::make<NKURLSessionManager>(std::move(configuration));
}

Ref<dispatch::Queue> NKURLSessionManager::processingQueue() {
  static Ref<dispatch::Queue> queue =
      dispatch::Queue::createConcurrent("com.trevanode.networking.session.manager.processing");
  return queue;
}

Ref<dispatch::Group> NKURLSessionManager::sharedCompletionGroup() {
  static Ref<dispatch::Group> group = dispatch::Group::create();
  return group;
}

// MARK: - Settings

Ref<NKURLResponseSerialization> NKURLSessionManager::responseSerializer() const {
  std::lock_guard g(settingsMutex_);
  return responseSerializer_;
}
void NKURLSessionManager::setResponseSerializer(Ref<NKURLResponseSerialization> serializer) {
  std::lock_guard g(settingsMutex_);
  responseSerializer_ = std::move(serializer);
}
Ref<NKSecurityPolicy> NKURLSessionManager::securityPolicy() const {
  std::lock_guard g(settingsMutex_);
  return securityPolicy_;
}
void NKURLSessionManager::setSecurityPolicy(Ref<NKSecurityPolicy> policy) {
  std::lock_guard g(settingsMutex_);
  securityPolicy_ = std::move(policy);
}
Ref<dispatch::Queue> NKURLSessionManager::completionQueue() const {
  std::lock_guard g(settingsMutex_);
  return completionQueue_;
}
void NKURLSessionManager::setCompletionQueue(Ref<dispatch::Queue> queue) {
  std::lock_guard g(settingsMutex_);
  completionQueue_ = std::move(queue);
}
Ref<dispatch::Group> NKURLSessionManager::completionGroup() const {
  std::lock_guard g(settingsMutex_);
  return completionGroup_;
}
void NKURLSessionManager::setCompletionGroup(Ref<dispatch::Group> group) {
  std::lock_guard g(settingsMutex_);
  completionGroup_ = std::move(group);
}

fd::String NKURLSessionManager::taskDescriptionForSessionTasks() const {
  return fd::String::format("%p", static_cast<const void*>(this));
}

// MARK: - Delegate table

Ref<NKURLSessionManagerTaskDelegate> NKURLSessionManager::delegateForTask(const Ref<fd::URLSessionTask>& task) const {
  if (!task) return nullptr;
  std::lock_guard g(lock_);
  auto it = delegates_.find(task->taskIdentifier());
  return it == delegates_.end() ? nullptr : it->second;
}

void NKURLSessionManager::setDelegateForTask(const Ref<NKURLSessionManagerTaskDelegate>& delegate,
                                             const Ref<fd::URLSessionTask>& task) {
  if (!task || !delegate) return;
  delegate->setTask(task);
  std::lock_guard g(lock_);
  delegates_[task->taskIdentifier()] = delegate;
}

void NKURLSessionManager::removeDelegateForTask(const Ref<fd::URLSessionTask>& task) {
  if (!task) return;
  std::lock_guard g(lock_);
  delegates_.erase(task->taskIdentifier());
}

void NKURLSessionManager::removeAllDelegates() {
  std::lock_guard g(lock_);
  delegates_.clear();
}

Ref<NKURLSessionManagerTaskDelegate> NKURLSessionManager::addDelegate(const Ref<fd::URLSessionTask>& task,
                                                                      CompletionHandler completion) {
  auto delegate = rt::make<NKURLSessionManagerTaskDelegate>();
  delegate->setManager(selfRef());
  delegate->setCompletionHandler(std::move(completion));
  task->setTaskDescription(taskDescriptionForSessionTasks());
  setDelegateForTask(delegate, task);
  return delegate;
}

void NKURLSessionManager::addUploadDelegate(const Ref<fd::URLSessionUploadTask>& task, Ref<fd::Progress>* progress,
                                            CompletionHandler completion) {
  auto delegate = addDelegate(task, std::move(completion));
  int64_t total = task->countOfBytesExpectedToSend();
  if (total == -1) {
    int64_t declared = declaredLength(task->originalRequest());
    if (declared >= 0) total = declared;
  }
  auto p = delegate->progress();
  p->setTotalUnitCount(total);
  Weak<fd::URLSessionTask> weakTask = task;
  p->setPausable(true);
  p->setCancellable(true);
  p->setPausingHandler([weakTask] {
    if (auto t = weakTask.lock()) t->suspend();
  });
  p->setCancellationHandler([weakTask] {
    if (auto t = weakTask.lock()) t->cancel();
  });
  if (progress) *progress = p;
}

void NKURLSessionManager::addDownloadDelegate(const Ref<fd::URLSessionDownloadTask>& task, Ref<fd::Progress>* progress,
                                              DestinationBlock destination, CompletionHandler completion) {
  auto delegate = addDelegate(task, std::move(completion));
  if (destination) {
    delegate->setDownloadTaskDidFinishDownloading(
        [destination](const Ref<fd::URLSession>&, const Ref<fd::URLSessionDownloadTask>& t, const Ref<fd::URL>& location) {
          return destination(location, t->response());
        });
  }
  if (progress) *progress = delegate->progress();
}

// MARK: - Making tasks

Ref<fd::URLSessionDataTask> NKURLSessionManager::dataTaskWithRequest(const Ref<fd::URLRequest>& request,
                                                                     CompletionHandler completion) {
  Ref<fd::URLSessionDataTask> task;
  creationQueue()->sync([&] { task = session_->dataTaskWithRequest(request); });
  if (task) addDelegate(task, std::move(completion));
  return task;
}

Ref<fd::URLSessionUploadTask> NKURLSessionManager::uploadTaskWithRequest(const Ref<fd::URLRequest>& request,
                                                                         const Ref<fd::URL>& fileURL,
                                                                         Ref<fd::Progress>* progress,
                                                                         CompletionHandler completion) {
  fd::String path = fileURL ? fileURL->path() : fd::String();
  Ref<fd::URLSessionUploadTask> task;
  creationQueue()->sync([&] { task = session_->uploadTaskWithRequest(request, path); });
  if (!task && recreateUploads_ && sessionConfiguration_->identifier()) {
    for (int attempt = 0; attempt < 3 && !task; ++attempt) task = session_->uploadTaskWithRequest(request, path);
  }
  if (task) addUploadDelegate(task, progress, std::move(completion));
  return task;
}

Ref<fd::URLSessionUploadTask> NKURLSessionManager::uploadTaskWithRequest(const Ref<fd::URLRequest>& request,
                                                                         const Ref<fd::Data>& body,
                                                                         Ref<fd::Progress>* progress,
                                                                         CompletionHandler completion) {
  Ref<fd::URLSessionUploadTask> task;
  creationQueue()->sync([&] { task = session_->uploadTaskWithRequest(request, body); });
  if (task) addUploadDelegate(task, progress, std::move(completion));
  return task;
}

Ref<fd::URLSessionUploadTask> NKURLSessionManager::uploadTaskWithStreamedRequest(const Ref<fd::URLRequest>& request,
                                                                                 Ref<fd::Progress>* progress,
                                                                                 CompletionHandler completion) {
  Ref<fd::URLSessionUploadTask> task;
  creationQueue()->sync([&] { task = session_->uploadTaskWithStreamedRequest(request); });
  if (task) addUploadDelegate(task, progress, std::move(completion));
  return task;
}

Ref<fd::URLSessionDownloadTask> NKURLSessionManager::downloadTaskWithRequest(const Ref<fd::URLRequest>& request,
                                                                             Ref<fd::Progress>* progress,
                                                                             DestinationBlock destination,
                                                                             CompletionHandler completion) {
  Ref<fd::URLSessionDownloadTask> task;
  creationQueue()->sync([&] { task = session_->downloadTaskWithRequest(request); });
  if (task) addDownloadDelegate(task, progress, std::move(destination), std::move(completion));
  return task;
}

Ref<fd::URLSessionDownloadTask> NKURLSessionManager::downloadTaskWithResumeData(const Ref<fd::Data>& resumeData,
                                                                                Ref<fd::Progress>* progress,
                                                                                DestinationBlock destination,
                                                                                CompletionHandler completion) {
  Ref<fd::URLSessionDownloadTask> task;
  creationQueue()->sync([&] { task = session_->downloadTaskWithResumeData(resumeData); });
  if (task) addDownloadDelegate(task, progress, std::move(destination), std::move(completion));
  return task;
}

// MARK: - Observing and ending

Ref<fd::Progress> NKURLSessionManager::uploadProgressForTask(const Ref<fd::URLSessionTask>& task) const {
  auto delegate = delegateForTask(task);
  return delegate ? delegate->progress() : nullptr;
}

Ref<fd::Progress> NKURLSessionManager::downloadProgressForTask(const Ref<fd::URLSessionTask>& task) const {
  return uploadProgressForTask(task);
}

template <class Pred>
std::vector<Ref<fd::URLSessionTask>> NKURLSessionManager::tasksWhere(Pred pred) const {
  std::vector<Ref<fd::URLSessionTask>> out;
  std::lock_guard g(lock_);
  for (auto& [id, delegate] : delegates_) {
    auto task = delegate->task();
    if (task && task->state() != fd::URLSessionTaskState::Completed && pred(task)) out.push_back(task);
  }
  return out;
}

std::vector<Ref<fd::URLSessionTask>> NKURLSessionManager::tasks() const {
  return tasksWhere([](const Ref<fd::URLSessionTask>&) { return true; });
}

std::vector<Ref<fd::URLSessionTask>> NKURLSessionManager::dataTasks() const {
  return tasksWhere([](const Ref<fd::URLSessionTask>& t) {
    return rt::as<fd::URLSessionDataTask>(t) && !rt::as<fd::URLSessionUploadTask>(t);
  });
}

std::vector<Ref<fd::URLSessionTask>> NKURLSessionManager::uploadTasks() const {
  return tasksWhere([](const Ref<fd::URLSessionTask>& t) { return rt::as<fd::URLSessionUploadTask>(t) != nullptr; });
}

std::vector<Ref<fd::URLSessionTask>> NKURLSessionManager::downloadTasks() const {
  return tasksWhere([](const Ref<fd::URLSessionTask>& t) { return rt::as<fd::URLSessionDownloadTask>(t) != nullptr; });
}

void NKURLSessionManager::invalidateSessionCancelingTasks(bool cancelPendingTasks) {
  auto session = session_;
  dispatch::mainQueue()->async([session, cancelPendingTasks] {
    if (cancelPendingTasks) {
      session->invalidateAndCancel();
    } else {
      session->finishTasksAndInvalidate();
    }
  });
}

void NKURLSessionManager::taskDidResume(const Ref<fd::Notification>& notification) {
  auto task = rt::as<fd::URLSessionTask>(notification->object());
  if (!task || task->taskDescription() != taskDescriptionForSessionTasks()) return;
  dispatch::mainQueue()->async([task] {
    fd::NotificationCenter::defaultCenter()->post(fd::String(NKNetworkingTaskDidResumeNotification), task);
  });
}

void NKURLSessionManager::taskDidSuspend(const Ref<fd::Notification>& notification) {
  auto task = rt::as<fd::URLSessionTask>(notification->object());
  if (!task || task->taskDescription() != taskDescriptionForSessionTasks()) return;
  dispatch::mainQueue()->async([task] {
    fd::NotificationCenter::defaultCenter()->post(fd::String(NKNetworkingTaskDidSuspendNotification), task);
  });
}

Ref<fd::Error> NKURLSessionManager::moveDownload(const Ref<fd::URLSessionDownloadTask>& task, const Ref<fd::URL>& from,
                                                 const Ref<fd::URL>& to) {
  Ref<fd::Error> error;
  if (fd::FileManager::defaultManager()->moveItemAtURL(from, to, &error)) return nullptr;
  if (!error) error = fd::Error::withDescription("NSCocoaErrorDomain", 4, "The downloaded file could not be moved.");
  fd::NotificationCenter::defaultCenter()->post(fd::String(NKURLSessionDownloadTaskDidFailToMoveFileNotification), task,
                                                error->userInfo());
  return error;
}

// MARK: - Blocks

#define NK_BLOCK_SETTER(Setter, member, Type)      \
  void NKURLSessionManager::Setter(Type b) {        \
    std::lock_guard g(settingsMutex_);              \
    member = std::move(b);                          \
  }

NK_BLOCK_SETTER(setSessionDidBecomeInvalidBlock, sessionDidBecomeInvalid_, decltype(sessionDidBecomeInvalid_))
NK_BLOCK_SETTER(setSessionDidReceiveAuthenticationChallengeBlock, sessionDidReceiveChallenge_,
                decltype(sessionDidReceiveChallenge_))
NK_BLOCK_SETTER(setDidFinishEventsForBackgroundURLSessionBlock, didFinishEventsForBackgroundURLSession_,
                decltype(didFinishEventsForBackgroundURLSession_))
NK_BLOCK_SETTER(setTaskWillPerformHTTPRedirectionBlock, taskWillPerformHTTPRedirection_,
                decltype(taskWillPerformHTTPRedirection_))
NK_BLOCK_SETTER(setTaskDidReceiveAuthenticationChallengeBlock, taskDidReceiveChallenge_, ChallengeBlock)
NK_BLOCK_SETTER(setTaskNeedNewBodyStreamBlock, taskNeedNewBodyStream_, decltype(taskNeedNewBodyStream_))
NK_BLOCK_SETTER(setTaskDidSendBodyDataBlock, taskDidSendBodyData_, decltype(taskDidSendBodyData_))
NK_BLOCK_SETTER(setTaskDidCompleteBlock, taskDidComplete_, decltype(taskDidComplete_))
NK_BLOCK_SETTER(setDataTaskDidReceiveResponseBlock, dataTaskDidReceiveResponse_, decltype(dataTaskDidReceiveResponse_))
NK_BLOCK_SETTER(setDataTaskDidBecomeDownloadTaskBlock, dataTaskDidBecomeDownloadTask_,
                decltype(dataTaskDidBecomeDownloadTask_))
NK_BLOCK_SETTER(setDataTaskDidReceiveDataBlock, dataTaskDidReceiveData_, decltype(dataTaskDidReceiveData_))
NK_BLOCK_SETTER(setDataTaskWillCacheResponseBlock, dataTaskWillCacheResponse_, decltype(dataTaskWillCacheResponse_))
NK_BLOCK_SETTER(setDownloadTaskDidFinishDownloadingBlock, downloadTaskDidFinishDownloading_,
                decltype(downloadTaskDidFinishDownloading_))
NK_BLOCK_SETTER(setDownloadTaskDidWriteDataBlock, downloadTaskDidWriteData_, decltype(downloadTaskDidWriteData_))
NK_BLOCK_SETTER(setDownloadTaskDidResumeBlock, downloadTaskDidResume_, decltype(downloadTaskDidResume_))

#undef NK_BLOCK_SETTER

bool NKURLSessionManager::respondsToSelector(rt::Selector selector) const {
  auto is = [&](const char* name) { return selector == rt::Selector::named(name); };
  std::lock_guard g(settingsMutex_);
  if (is(kWillPerformHTTPRedirection)) return static_cast<bool>(taskWillPerformHTTPRedirection_);
  if (is(kDidReceiveResponse)) return static_cast<bool>(dataTaskDidReceiveResponse_);
  if (is(kWillCacheResponse)) return static_cast<bool>(dataTaskWillCacheResponse_);
  if (is("URLSessionDidFinishEventsForBackgroundURLSession:")) {
    return static_cast<bool>(didFinishEventsForBackgroundURLSession_);
  }
  return rt::Object::respondsToSelector(selector);
}

// MARK: - Session delegate

void NKURLSessionManager::didBecomeInvalidWithError(const Ref<fd::URLSession>& session, const Ref<fd::Error>& error) {
  decltype(sessionDidBecomeInvalid_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = sessionDidBecomeInvalid_;
  }
  if (block) block(session, error);
  removeAllDelegates();
  fd::NotificationCenter::defaultCenter()->post(fd::String(NKURLSessionDidInvalidateNotification), session);
}

std::pair<fd::URLSessionAuthChallengeDisposition, Ref<fd::URLCredential>> NKURLSessionManager::evaluateTrust(
    const Ref<fd::URLAuthenticationChallenge>& challenge, bool taskLevel) const {
  using Disposition = fd::URLSessionAuthChallengeDisposition;
  auto space = challenge ? challenge->protectionSpace() : nullptr;
  if (!space || space->authenticationMethod() != fd::String(fd::NSURLAuthenticationMethodServerTrust)) {
    return {Disposition::PerformDefaultHandling, nullptr};
  }
  auto policy = securityPolicy();
  auto trust = rt::as<crypto::Trust>(space->serverTrust());
  if (!policy || !trust || !policy->evaluateServerTrust(trust, space->host())) {
    return {Disposition::CancelAuthenticationChallenge, nullptr};
  }
  auto credential = fd::URLCredential::credentialForTrust(space->serverTrust());
  if (taskLevel || credential) return {Disposition::UseCredential, credential};
  return {Disposition::PerformDefaultHandling, nullptr};
}

void NKURLSessionManager::didReceiveChallenge(const Ref<fd::URLSession>& session,
                                              const Ref<fd::URLAuthenticationChallenge>& challenge,
                                              ChallengeHandler handler) {
  decltype(sessionDidReceiveChallenge_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = sessionDidReceiveChallenge_;
  }
  std::pair<fd::URLSessionAuthChallengeDisposition, Ref<fd::URLCredential>> answer;
  if (block) {
    answer.first = block(session, challenge, &answer.second);
  } else {
    answer = evaluateTrust(challenge, false);
  }
  if (handler) handler(answer.first, answer.second);
}

void NKURLSessionManager::taskDidReceiveChallenge(const Ref<fd::URLSession>& session,
                                                  const Ref<fd::URLSessionTask>& task,
                                                  const Ref<fd::URLAuthenticationChallenge>& challenge,
                                                  ChallengeHandler handler) {
  ChallengeBlock block;
  {
    std::lock_guard g(settingsMutex_);
    block = taskDidReceiveChallenge_;
  }
  std::pair<fd::URLSessionAuthChallengeDisposition, Ref<fd::URLCredential>> answer;
  if (block) {
    answer.first = block(session, task, challenge, &answer.second);
  } else {
    answer = evaluateTrust(challenge, true);
  }
  if (handler) handler(answer.first, answer.second);
}

void NKURLSessionManager::willPerformHTTPRedirection(const Ref<fd::URLSession>& session,
                                                     const Ref<fd::URLSessionTask>& task,
                                                     const Ref<fd::HTTPURLResponse>& response,
                                                     const Ref<fd::URLRequest>& proposed, RedirectHandler handler) {
  decltype(taskWillPerformHTTPRedirection_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = taskWillPerformHTTPRedirection_;
  }
  Ref<fd::URLRequest> next = block ? block(session, task, response, proposed) : proposed;
  if (handler) handler(next);
}

void NKURLSessionManager::needNewBodyStream(const Ref<fd::URLSession>& session, const Ref<fd::URLSessionTask>& task,
                                            BodyStreamHandler handler) {
  decltype(taskNeedNewBodyStream_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = taskNeedNewBodyStream_;
  }
  Ref<fd::InputStream> stream;
  if (block) {
    stream = block(session, task);
  } else if (auto original = task->originalRequest(); original && original->HTTPBodyStream()) {
    if (original->HTTPBodyStream()->getClass()->conformsToProtocol("NSCopying")) {
      stream = rt::as<fd::InputStream>(original->HTTPBodyStream()->copy());
    }
  }
  if (handler) handler(stream);
}

void NKURLSessionManager::didSendBodyData(const Ref<fd::URLSession>& session, const Ref<fd::URLSessionTask>& task,
                                          int64_t bytesSent, int64_t totalSent, int64_t totalExpected) {
  if (totalExpected == -1) {
    int64_t declared = declaredLength(task->originalRequest());
    if (declared >= 0) totalExpected = declared;
  }
  if (auto delegate = delegateForTask(task)) delegate->didSendBodyData(totalSent, totalExpected);
  decltype(taskDidSendBodyData_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = taskDidSendBodyData_;
  }
  if (block) block(session, task, bytesSent, totalSent, totalExpected);
}

void NKURLSessionManager::didCompleteWithError(const Ref<fd::URLSession>& session, const Ref<fd::URLSessionTask>& task,
                                               const Ref<fd::Error>& error) {
  if (auto delegate = delegateForTask(task)) {
    delegate->didComplete(task, error);
    removeDelegateForTask(task);
  }
  decltype(taskDidComplete_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = taskDidComplete_;
  }
  if (block) block(session, task, error);
}

void NKURLSessionManager::didReceiveResponse(const Ref<fd::URLSession>& session, const Ref<fd::URLSessionDataTask>& task,
                                             const Ref<fd::URLResponse>& response, DispositionHandler handler) {
  decltype(dataTaskDidReceiveResponse_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = dataTaskDidReceiveResponse_;
  }
  auto disposition = block ? block(session, task, response) : fd::URLSessionResponseDisposition::Allow;
  if (handler) handler(disposition);
}

void NKURLSessionManager::didBecomeDownloadTask(const Ref<fd::URLSession>& session,
                                                const Ref<fd::URLSessionDataTask>& dataTask,
                                                const Ref<fd::URLSessionDownloadTask>& downloadTask) {
  if (auto delegate = delegateForTask(dataTask)) {
    removeDelegateForTask(dataTask);
    setDelegateForTask(delegate, downloadTask);
  }
  decltype(dataTaskDidBecomeDownloadTask_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = dataTaskDidBecomeDownloadTask_;
  }
  if (block) block(session, dataTask, downloadTask);
}

void NKURLSessionManager::didReceiveData(const Ref<fd::URLSession>& session, const Ref<fd::URLSessionDataTask>& task,
                                         const Ref<fd::Data>& data) {
  if (auto delegate = delegateForTask(task)) delegate->didReceiveData(data);
  decltype(dataTaskDidReceiveData_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = dataTaskDidReceiveData_;
  }
  if (block) block(session, task, data);
}

void NKURLSessionManager::willCacheResponse(const Ref<fd::URLSession>& session, const Ref<fd::URLSessionDataTask>& task,
                                            const Ref<fd::CachedURLResponse>& proposed, CacheHandler handler) {
  decltype(dataTaskWillCacheResponse_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = dataTaskWillCacheResponse_;
  }
  auto cached = block ? block(session, task, proposed) : proposed;
  if (handler) handler(cached);
}

void NKURLSessionManager::didFinishDownloadingToURL(const Ref<fd::URLSession>& session,
                                                    const Ref<fd::URLSessionDownloadTask>& task,
                                                    const Ref<fd::URL>& location) {
  auto delegate = delegateForTask(task);
  decltype(downloadTaskDidFinishDownloading_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = downloadTaskDidFinishDownloading_;
  }
  if (block) {
    if (auto destination = block(session, task, location)) {
      if (delegate) delegate->setDownloadFileURL(destination);
      auto error = moveDownload(task, location, destination);
      if (delegate) delegate->setDownloadMoveError(error);
      return;
    }
  }
  if (delegate) delegate->didFinishDownloading(session, task, location);
}

void NKURLSessionManager::didWriteData(const Ref<fd::URLSession>& session, const Ref<fd::URLSessionDownloadTask>& task,
                                       int64_t bytesWritten, int64_t totalWritten, int64_t totalExpected) {
  if (auto delegate = delegateForTask(task)) delegate->didWriteData(totalWritten, totalExpected);
  decltype(downloadTaskDidWriteData_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = downloadTaskDidWriteData_;
  }
  if (block) block(session, task, bytesWritten, totalWritten, totalExpected);
}

void NKURLSessionManager::didResumeAtOffset(const Ref<fd::URLSession>& session,
                                            const Ref<fd::URLSessionDownloadTask>& task, int64_t offset,
                                            int64_t expectedTotalBytes) {
  if (auto delegate = delegateForTask(task)) delegate->didResumeAtOffset(offset, expectedTotalBytes);
  decltype(downloadTaskDidResume_) block;
  {
    std::lock_guard g(settingsMutex_);
    block = downloadTaskDidResume_;
  }
  if (block) block(session, task, offset, expectedTotalBytes);
}

// MARK: - Description, archiving, copying

rt::String NKURLSessionManager::description() const {
  return rt::String::format("<%@: %p, session: %@, operationQueue: %@>", rt::String(getClass()->name()),
                            static_cast<const void*>(this), session_, operationQueue_);
}

void NKURLSessionManager::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(session_->configuration(), "sessionConfiguration");
}

bool NKURLSessionManager::initWithCoder(fd::KeyedUnarchiver& coder) {
  init(rt::as<fd::URLSessionConfiguration>(
      coder.decodeObjectOfClass(fd::URLSessionConfiguration::classObject(), "sessionConfiguration")));
  return true;
}

rt::Id NKURLSessionManager::copy() const { return rt::make<NKURLSessionManager>(session_->configuration()); }

}  // namespace net
