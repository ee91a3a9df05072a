#include "net/http/NKURLConnectionOperation.h"

#include <cerrno>
#include <mutex>

#include "net/http/NKApplicationLookup.h"
#include "net/http/NKSecurityPolicy.h"
#include "platform/crypto/Trust.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Once.h"
#include "platform/foundation/net/CachedURLResponse.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/Perform.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopSource.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLAuthenticationChallenge.h"
#include "platform/foundation/net/URLConnection.h"
#include "platform/foundation/net/URLCredential.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/net/URLResponse.h"

namespace net {

namespace {

using Guard = std::lock_guard<fd::RecursiveLock>;

constexpr int64_t kPaused = static_cast<int64_t>(NKOperationState::Paused);
constexpr int64_t kReady = static_cast<int64_t>(NKOperationState::Ready);
constexpr int64_t kExecuting = static_cast<int64_t>(NKOperationState::Executing);
constexpr int64_t kFinished = static_cast<int64_t>(NKOperationState::Finished);

bool isKnownState(int64_t s) { return s == kPaused || s == kReady || s == kExecuting || s == kFinished; }

bool transitionAllowed(int64_t from, int64_t to, bool cancelled) {
  switch (from) {
    case kReady:
      return to == kPaused || to == kExecuting || (to == kFinished && cancelled);
    case kExecuting:
      return to == kPaused || to == kFinished;
    case kFinished:
      return false;
    case kPaused:
      return to == kReady;
    default:
      return isKnownState(to);
  }
}

Ref<dispatch::Group> sharedCompletionGroup() {
  static Ref<dispatch::Group> group = dispatch::Group::create();
  return group;
}

Ref<dispatch::Queue> completionClearingQueue() {
  static Ref<dispatch::Queue> queue = dispatch::Queue::createConcurrent("com.trevanode.networking.operation.queue");
  return queue;
}

/// Forwards the connection's callbacks to the operation that made it. The connection holds
/// its delegate until it ends, and so keeps the operation alive while loading. Callbacks of a
/// connection the operation has let go (paused, cancelled) are dropped.
class _NKConnectionDelegate : public fd::URLConnectionDelegate {
  RT_CLASS(_NKConnectionDelegate, fd::URLConnectionDelegate)
 public:
  void init(Ref<NKURLConnectionOperation> op) { op_ = std::move(op); }
  bool current(const Ref<fd::URLConnection>& c) const { return op_->connection() == c; }

  void willSendRequestForAuthenticationChallenge(const Ref<fd::URLConnection>& c,
                                                 const Ref<fd::URLAuthenticationChallenge>& ch) override {
    op_->connectionWillSendRequestForAuthenticationChallenge(c, ch);
  }
  bool connectionShouldUseCredentialStorage(const Ref<fd::URLConnection>& c) override {
    return op_->connectionShouldUseCredentialStorage(c);
  }
  Ref<fd::URLRequest> willSendRequest(const Ref<fd::URLConnection>& c, const Ref<fd::URLRequest>& request,
                                      const Ref<fd::URLResponse>& redirect) override {
    return op_->connectionWillSendRequest(c, request, redirect);
  }
  void didSendBodyData(const Ref<fd::URLConnection>& c, int64_t written, int64_t total, int64_t expected) override {
    if (current(c)) op_->connectionDidSendBodyData(c, written, total, expected);
  }
  void didReceiveResponse(const Ref<fd::URLConnection>& c, const Ref<fd::URLResponse>& r) override {
    if (current(c)) op_->connectionDidReceiveResponse(c, r);
  }
  void didReceiveData(const Ref<fd::URLConnection>& c, const Ref<fd::Data>& d) override {
    if (current(c)) op_->connectionDidReceiveData(c, d);
  }
  Ref<fd::CachedURLResponse> willCacheResponse(const Ref<fd::URLConnection>& c,
                                               const Ref<fd::CachedURLResponse>& r) override {
    return op_->connectionWillCacheResponse(c, r);
  }
  void connectionDidFinishLoading(const Ref<fd::URLConnection>& c) override {
    if (current(c)) op_->connectionDidFinishLoading(c);
  }
  void didFailWithError(const Ref<fd::URLConnection>& c, const Ref<fd::Error>& e) override {
    if (current(c)) op_->connectionDidFailWithError(c, e);
  }

 private:
  Ref<NKURLConnectionOperation> op_;
};

RT_IMPLEMENT(_NKConnectionDelegate) {
  using D = fd::URLConnectionDelegate;
  D::implement(c.cls(), {D::kWillSendRequestForAuthenticationChallenge, D::kShouldUseCredentialStorage,
                         D::kWillSendRequest, D::kDidSendBodyData, D::kDidReceiveResponse, D::kDidReceiveData,
                         D::kDidFinishLoading, D::kDidFailWithError});
}

/// Also hears the proposed cached response. Used only when the operation has a cache-response
/// block: the connection stores no cached response, so without a block the answer would be
/// dropped, and asking for it makes the connection keep a second copy of every body.
class _NKCachingConnectionDelegate : public _NKConnectionDelegate {
  RT_CLASS(_NKCachingConnectionDelegate, _NKConnectionDelegate)
};

RT_IMPLEMENT(_NKCachingConnectionDelegate) {
  fd::URLConnectionDelegate::implement(c.cls(), {fd::URLConnectionDelegate::kWillCacheResponse});
}

}  // namespace

RT_IMPLEMENT(NKURLConnectionOperation) {
  using O = NKURLConnectionOperation;
  c.property("state", &O::state, &O::setState);
  c.property("isPaused", &O::isPaused);
  c.property("request", &O::request, &O::setRequest);
  c.property("response", &O::response, &O::setResponse);
  c.property("error", &O::error, &O::setError);
  c.property("responseData", &O::responseData, &O::setResponseData);
  c.property("totalBytesRead", &O::totalBytesRead);
  c.property("shouldUseCredentialStorage", &O::shouldUseCredentialStorage, &O::setShouldUseCredentialStorage);
  c.manualNotification("state");
  c.manualNotification("isPaused");
  c.protocol("NSSecureCoding");
  c.protocol("NSCoding");
  c.protocol("NSCopying");
  // Plain construction yields no operation, so decoding builds one from the archive itself.
  fd::registerDecoder(&c.cls(), [](fd::KeyedUnarchiver& coder) -> rt::Id {
    auto op = std::make_shared<NKURLConnectionOperation>();
    return op->initWithCoder(coder) ? op : nullptr;
  });
}

bool NKURLConnectionOperation::init(Ref<fd::URLRequest> request) {
  fd::Operation::init();
  state_.store(kReady);
  runLoopModes_ = fd::Set::create({fd::StringObject::create(fd::String(fd::NSRunLoopCommonModes))});
  request_ = std::move(request);
  shouldUseCredentialStorage_ = true;
  securityPolicy_ = NKSecurityPolicy::defaultPolicy();
  return true;
}

NKURLConnectionOperation::~NKURLConnectionOperation() {
  if (outputStream_) {
    outputStream_->close();
    outputStream_ = nullptr;
  }
  if (backgroundTaskCleanup_) backgroundTaskCleanup_();
}

Ref<fd::Thread> NKURLConnectionOperation::networkRequestThread() {
  static dispatch::OnceFlag once;
  static Ref<fd::Thread> thread;
  dispatch::once(once, [] {
    thread = fd::Thread::create([] {
      fd::Thread::currentThread()->setName("NKNetworking");
      auto loop = fd::RunLoop::currentRunLoop();
      // A port keeps the loop waiting for work instead of returning at once.
      loop->addPort(fd::Port::port(), fd::String(fd::NSDefaultRunLoopMode));
      for (;;) loop->run();
    });
    thread->start();
  });
  return thread;
}

// MARK: - State

const char* NKURLConnectionOperation::keyPathForState(int64_t state) {
  switch (state) {
    case kPaused:
      return "isPaused";
    case kReady:
      return "isReady";
    case kExecuting:
      return "isExecuting";
    case kFinished:
      return "isFinished";
    default:
      return "state";
  }
}

int64_t NKURLConnectionOperation::state() const { return state_.load(); }

void NKURLConnectionOperation::setState(int64_t state) {
  Guard g(lock_);
  const int64_t current = state_.load();
  if (!transitionAllowed(current, state, isCancelled())) return;
  fd::String oldKey(keyPathForState(current));
  fd::String newKey(keyPathForState(state));
  willChangeValueForKey(newKey);
  willChangeValueForKey(oldKey);
  state_.store(state);
  didChangeValueForKey(oldKey);
  didChangeValueForKey(newKey);
}

bool NKURLConnectionOperation::isPaused() const { return state() == kPaused; }
bool NKURLConnectionOperation::isReady() const { return state() == kReady && fd::Operation::isReady(); }
bool NKURLConnectionOperation::isExecuting() const { return state() == kExecuting; }
bool NKURLConnectionOperation::isFinished() const { return state() == kFinished; }

void NKURLConnectionOperation::performOnNetworkThread(std::function<void(NKURLConnectionOperation&)> work) {
  std::vector<fd::String> modes;
  for (const auto& m : runLoopModes()->objects()) {
    if (auto s = fd::stringValue(m)) modes.push_back(*s);
  }
  auto self = selfRef();
  fd::performOnThread(
      self, fd::PerformAction([self, work = std::move(work)](const rt::Id&) { work(*self); }), nullptr,
      networkRequestThread(), false, modes);
}

void NKURLConnectionOperation::postNotification(const char* name) {
  auto self = selfRef();
  fd::String n(name);
  dispatch::mainQueue()->async([self, n] { fd::NotificationCenter::defaultCenter()->post(n, self); });
}

void NKURLConnectionOperation::start() {
  Guard g(lock_);
  if (isCancelled()) {
    performOnNetworkThread([](NKURLConnectionOperation& op) { op.cancelConnection(); });
  } else if (isReady()) {
    setState(kExecuting);
    performOnNetworkThread([](NKURLConnectionOperation& op) { op.operationDidStart(); });
  }
}

void NKURLConnectionOperation::operationDidStart() {
  {
    Guard g(lock_);
    if (!isCancelled()) {
      Ref<_NKConnectionDelegate> delegate = cacheResponse_ ? rt::make<_NKCachingConnectionDelegate>(selfRef())
                                                           : rt::make<_NKConnectionDelegate>(selfRef());
      connection_ = fd::URLConnection::create(request_, delegate, false);
      auto loop = fd::RunLoop::currentRunLoop();
      auto stream = outputStream();
      for (const auto& m : runLoopModes_->objects()) {
        auto mode = fd::stringValue(m);
        if (!mode) continue;
        if (connection_) connection_->scheduleInRunLoop(loop, *mode);
        stream->scheduleInRunLoop(loop, *mode);
      }
      stream->open();
      if (connection_) {
        connection_->start();
      } else {
        // A request the connection cannot load (no URL, unknown scheme) fails like a bad URL.
        auto info = fd::MutableDictionary::create();
        if (request_ && request_->URL()) info->setObjectForKey(request_->URL(), fd::String(fd::NSURLErrorFailingURLErrorKey));
        error_ = fd::Error::create(fd::String(fd::NSURLErrorDomain), -1002, info);
        finish();
      }
    }
  }
  postNotification(NKNetworkingOperationDidStartNotification);
}

void NKURLConnectionOperation::finish() {
  {
    Guard g(lock_);
    setState(kFinished);
  }
  postNotification(NKNetworkingOperationDidFinishNotification);
}

void NKURLConnectionOperation::cancel() {
  Guard g(lock_);
  if (isFinished() || isCancelled()) return;
  fd::Operation::cancel();
  if (isExecuting()) performOnNetworkThread([](NKURLConnectionOperation& op) { op.cancelConnection(); });
}

void NKURLConnectionOperation::cancelConnection() {
  auto info = fd::MutableDictionary::create();
  auto req = request();
  if (req && req->URL()) info->setObjectForKey(req->URL(), fd::String(fd::NSURLErrorFailingURLErrorKey));
  auto error = fd::Error::create(fd::String(fd::NSURLErrorDomain), -999, info);
  if (isFinished()) return;
  if (auto c = connection()) {
    c->cancel();
    connectionDidFailWithError(c, error);
  } else {
    setError(error);
    finish();
  }
}

void NKURLConnectionOperation::pause() {
  Guard g(lock_);
  if (isPaused() || isFinished() || isCancelled()) return;
  if (isExecuting()) {
    performOnNetworkThread([](NKURLConnectionOperation& op) { op.operationDidPause(); });
    postNotification(NKNetworkingOperationDidFinishNotification);
  }
  setState(kPaused);
}

void NKURLConnectionOperation::operationDidPause() {
  Guard g(lock_);
  if (connection_) {
    connection_->cancel();
    connection_ = nullptr;
  }
}

void NKURLConnectionOperation::resume() {
  Guard g(lock_);
  if (!isPaused()) return;
  setState(kReady);
  start();
}

// MARK: - Properties

Ref<fd::Set> NKURLConnectionOperation::runLoopModes() const {
  Guard g(lock_);
  return runLoopModes_;
}
void NKURLConnectionOperation::setRunLoopModes(const Ref<fd::Set>& modes) {
  Guard g(lock_);
  runLoopModes_ = modes ? rt::as<fd::Set>(modes->copy()) : fd::Set::create();
}
Ref<fd::URLRequest> NKURLConnectionOperation::request() const {
  Guard g(lock_);
  return request_;
}
void NKURLConnectionOperation::setRequest(Ref<fd::URLRequest> request) {
  Guard g(lock_);
  request_ = std::move(request);
}
Ref<fd::URLCredential> NKURLConnectionOperation::credential() const {
  Guard g(lock_);
  return credential_;
}
void NKURLConnectionOperation::setCredential(Ref<fd::URLCredential> credential) {
  Guard g(lock_);
  credential_ = std::move(credential);
}
Ref<NKSecurityPolicy> NKURLConnectionOperation::securityPolicy() const {
  Guard g(lock_);
  return securityPolicy_;
}
void NKURLConnectionOperation::setSecurityPolicy(Ref<NKSecurityPolicy> policy) {
  Guard g(lock_);
  securityPolicy_ = std::move(policy);
}
Ref<fd::InputStream> NKURLConnectionOperation::inputStream() const {
  auto req = request();
  return req ? req->HTTPBodyStream() : nullptr;
}
void NKURLConnectionOperation::setInputStream(const Ref<fd::InputStream>& stream) {
  Guard g(lock_);
  auto copy = request_ ? rt::as<fd::MutableURLRequest>(request_->mutableCopy()) : nullptr;
  if (!copy) return;
  copy->setHTTPBodyStream(stream);
  request_ = copy;
}
Ref<fd::OutputStream> NKURLConnectionOperation::outputStream() {
  Guard g(lock_);
  if (!outputStream_) outputStream_ = fd::OutputStream::outputStreamToMemory();
  return outputStream_;
}
void NKURLConnectionOperation::setOutputStream(Ref<fd::OutputStream> stream) {
  Guard g(lock_);
  if (stream == outputStream_) return;
  if (outputStream_) outputStream_->close();
  outputStream_ = std::move(stream);
}
Ref<dispatch::Queue> NKURLConnectionOperation::completionQueue() const {
  std::lock_guard<std::mutex> g(completionMutex_);
  return completionQueue_;
}
void NKURLConnectionOperation::setCompletionQueue(Ref<dispatch::Queue> queue) {
  std::lock_guard<std::mutex> g(completionMutex_);
  completionQueue_ = std::move(queue);
}
Ref<dispatch::Group> NKURLConnectionOperation::completionGroup() const {
  std::lock_guard<std::mutex> g(completionMutex_);
  return completionGroup_;
}
void NKURLConnectionOperation::setCompletionGroup(Ref<dispatch::Group> group) {
  std::lock_guard<std::mutex> g(completionMutex_);
  completionGroup_ = std::move(group);
}
Ref<fd::Dictionary> NKURLConnectionOperation::userInfo() const {
  Guard g(lock_);
  return userInfo_;
}
void NKURLConnectionOperation::setUserInfo(Ref<fd::Dictionary> info) {
  Guard g(lock_);
  userInfo_ = std::move(info);
}
Ref<fd::URLResponse> NKURLConnectionOperation::response() const {
  Guard g(lock_);
  return response_;
}
void NKURLConnectionOperation::setResponse(Ref<fd::URLResponse> response) {
  Guard g(lock_);
  response_ = std::move(response);
}
Ref<fd::Error> NKURLConnectionOperation::error() const {
  Guard g(lock_);
  return error_;
}
void NKURLConnectionOperation::setError(Ref<fd::Error> error) {
  Guard g(lock_);
  error_ = std::move(error);
}
Ref<fd::Data> NKURLConnectionOperation::responseData() const {
  Guard g(lock_);
  return responseData_;
}
void NKURLConnectionOperation::setResponseData(const Ref<fd::Data>& data) {
  Guard g(lock_);
  responseData_ = data ? fd::Data::create(data->bytes(), data->length()) : nullptr;
}
Ref<fd::URLConnection> NKURLConnectionOperation::connection() const {
  Guard g(lock_);
  return connection_;
}

fd::StringEncoding NKURLConnectionOperation::responseStringEncoding() {
  Guard g(lock_);
  if (response_ && responseStringEncoding_ == 0) {
    fd::StringEncoding encoding = fd::UTF8StringEncoding;
    if (const auto& name = response_->textEncodingName()) {
      fd::StringEncoding named = fd::encodingForIANACharsetName(*name);
      if (named != fd::kInvalidEncoding) encoding = named;
    }
    responseStringEncoding_ = encoding;
  }
  return responseStringEncoding_;
}

std::optional<fd::String> NKURLConnectionOperation::responseString() {
  Guard g(lock_);
  if (!responseString_ && response_ && responseData_) {
    responseString_ = fd::stringWithData(*responseData_, responseStringEncoding());
  }
  return responseString_;
}

// MARK: - Blocks

void NKURLConnectionOperation::setUploadProgressBlock(ProgressBlock block) {
  std::lock_guard<std::mutex> g(progressMutex_);
  uploadProgress_ = std::move(block);
}
void NKURLConnectionOperation::setDownloadProgressBlock(ProgressBlock block) {
  std::lock_guard<std::mutex> g(progressMutex_);
  downloadProgress_ = std::move(block);
}
NKURLConnectionOperation::ProgressBlock NKURLConnectionOperation::uploadProgress() const {
  std::lock_guard<std::mutex> g(progressMutex_);
  return uploadProgress_;
}
NKURLConnectionOperation::ProgressBlock NKURLConnectionOperation::downloadProgress() const {
  std::lock_guard<std::mutex> g(progressMutex_);
  return downloadProgress_;
}
void NKURLConnectionOperation::setWillSendRequestForAuthenticationChallengeBlock(AuthenticationChallengeBlock block) {
  Guard g(lock_);
  authenticationChallenge_ = std::move(block);
}
void NKURLConnectionOperation::setCacheResponseBlock(CacheResponseBlock block) {
  Guard g(lock_);
  cacheResponse_ = std::move(block);
}
void NKURLConnectionOperation::setRedirectResponseBlock(RedirectResponseBlock block) {
  Guard g(lock_);
  redirectResponse_ = std::move(block);
}

void NKURLConnectionOperation::setCompletionBlock(std::function<void()> block) {
  Guard g(lock_);
  if (!block) {
    fd::Operation::setCompletionBlock(nullptr);
    return;
  }
  Weak<NKURLConnectionOperation> weak = selfRef();
  fd::Operation::setCompletionBlock([weak, block = std::move(block)] {
    auto self = weak.lock();
    Ref<dispatch::Group> group = self && self->completionGroup() ? self->completionGroup() : sharedCompletionGroup();
    Ref<dispatch::Queue> queue = self && self->completionQueue() ? self->completionQueue() : dispatch::mainQueue();
    // The operation stays alive until the caller's block has run.
    group->async(queue, [self, block] { block(); });
    // The caller's block may hold the operation; let it go once it has run.
    group->notify(completionClearingQueue(), [weak] {
      if (auto op = weak.lock()) op->fd::Operation::setCompletionBlock(nullptr);
    });
  });
}

void NKURLConnectionOperation::setShouldExecuteAsBackgroundTaskWithExpirationHandler(std::function<void()> handler) {
  Guard g(lock_);
  if (backgroundTaskCleanup_) return;
  // 0 is the invalid background task.
  auto app = NKSharedApplication();
  auto identifier = std::make_shared<std::atomic<uint64_t>>(0);
  backgroundTaskCleanup_ = [app, identifier] {
    uint64_t id = identifier->exchange(0);
    if (id != 0) NKEndBackgroundTask(app, id);
  };
  if (!app) return;
  Weak<NKURLConnectionOperation> weak = selfRef();
  identifier->store(NKBeginBackgroundTask(app, [weak, handler = std::move(handler)] {
    if (handler) handler();
    if (auto op = weak.lock()) {
      op->cancel();
      std::function<void()> cleanup;
      {
        Guard inner(op->lock_);
        cleanup = op->backgroundTaskCleanup_;
      }
      if (cleanup) cleanup();
    }
  }));
}

// MARK: - Batches

std::vector<Ref<fd::Operation>> NKURLConnectionOperation::batchOfRequestOperations(
    const std::vector<Ref<NKURLConnectionOperation>>& operations,
    std::function<void(uint64_t finished, uint64_t total)> progress,
    std::function<void(const std::vector<Ref<NKURLConnectionOperation>>&)> completion) {
  if (operations.empty()) {
    return {fd::BlockOperation::blockOperationWithBlock([completion] {
      dispatch::mainQueue()->async([completion] {
        if (completion) completion({});
      });
    })};
  }
  auto group = dispatch::Group::create();
  auto batch = fd::BlockOperation::blockOperationWithBlock([group, operations, completion] {
    group->notify(dispatch::mainQueue(), [operations, completion] {
      if (completion) completion(operations);
    });
  });
  for (const auto& op : operations) {
    op->setCompletionGroup(group);
    std::function<void()> original = op->completionBlock();
    Weak<NKURLConnectionOperation> weakOp = op;
    op->fd::Operation::setCompletionBlock([weakOp, group, original, progress, operations] {
      auto self = weakOp.lock();
      Ref<dispatch::Queue> queue = self && self->completionQueue() ? self->completionQueue() : dispatch::mainQueue();
      group->async(queue, [group, original, progress, operations] {
        if (original) original();
        uint64_t finished = 0;
        for (const auto& o : operations) finished += o->isFinished() ? 1 : 0;
        if (progress) progress(finished, operations.size());
        group->leave();
      });
    });
    group->enter();
    batch->addDependency(op);
  }
  std::vector<Ref<fd::Operation>> all(operations.begin(), operations.end());
  all.push_back(batch);
  return all;
}

// MARK: - Connection callbacks

void NKURLConnectionOperation::connectionWillSendRequestForAuthenticationChallenge(
    const Ref<fd::URLConnection>& connection, const Ref<fd::URLAuthenticationChallenge>& challenge) {
  AuthenticationChallengeBlock block;
  Ref<NKSecurityPolicy> policy;
  Ref<fd::URLCredential> credential;
  {
    Guard g(lock_);
    block = authenticationChallenge_;
    policy = securityPolicy_;
    credential = credential_;
  }
  if (block) {
    block(connection, challenge);
    return;
  }
  auto sender = challenge->sender();
  if (!sender) return;
  const auto& space = challenge->protectionSpace();
  if (space && space->authenticationMethod() == fd::String(fd::NSURLAuthenticationMethodServerTrust)) {
    auto trust = rt::as<crypto::Trust>(space->serverTrust());
    if (policy && trust && policy->evaluateServerTrust(trust, space->host())) {
      sender->useCredential(fd::URLCredential::credentialForTrust(space->serverTrust()), challenge);
    } else {
      sender->cancelAuthenticationChallenge(challenge);
    }
  } else if (challenge->previousFailureCount() != 0) {
    sender->continueWithoutCredential(challenge);
  } else if (credential) {
    sender->useCredential(credential, challenge);
  } else {
    sender->continueWithoutCredential(challenge);
  }
}

bool NKURLConnectionOperation::connectionShouldUseCredentialStorage(const Ref<fd::URLConnection>&) {
  return shouldUseCredentialStorage_;
}

Ref<fd::URLRequest> NKURLConnectionOperation::connectionWillSendRequest(const Ref<fd::URLConnection>& connection,
                                                                        const Ref<fd::URLRequest>& request,
                                                                        const Ref<fd::URLResponse>& redirectResponse) {
  RedirectResponseBlock block;
  {
    Guard g(lock_);
    block = redirectResponse_;
  }
  return block ? block(connection, request, redirectResponse) : request;
}

void NKURLConnectionOperation::connectionDidSendBodyData(const Ref<fd::URLConnection>&, int64_t bytesWritten,
                                                         int64_t totalBytesWritten, int64_t totalBytesExpectedToWrite) {
  auto self = selfRef();
  dispatch::mainQueue()->async([self, bytesWritten, totalBytesWritten, totalBytesExpectedToWrite] {
    if (auto block = self->uploadProgress()) {
      block(static_cast<uint64_t>(bytesWritten), totalBytesWritten, totalBytesExpectedToWrite);
    }
  });
}

void NKURLConnectionOperation::connectionDidReceiveResponse(const Ref<fd::URLConnection>&,
                                                            const Ref<fd::URLResponse>& response) {
  setResponse(response);
  // Room for the whole body at once: growing as it arrives copies it, and leaves the smaller
  // buffers behind in the allocator.
  Guard g(lock_);
  if (response && outputStream_) outputStream_->expectMoreBytes(response->expectedContentLength());
}

namespace {

Ref<fd::Error> streamErrorOrNoSpace(const Ref<fd::OutputStream>& stream) {
  if (auto error = stream->streamError()) return error;
  return fd::Error::withDescription(fd::String(fd::NSPOSIXErrorDomain), ENOSPC,
                                    fd::String("The output stream accepted no more bytes."));
}

}  // namespace

void NKURLConnectionOperation::failWithStreamError(const Ref<fd::URLConnection>& connection,
                                                   const Ref<fd::Error>& error) {
  connection->cancel();
  connectionDidFailWithError(connection, error);
}

void NKURLConnectionOperation::connectionDidReceiveData(const Ref<fd::URLConnection>& connection,
                                                        const Ref<fd::Data>& data) {
  // Under the lock, so that a pause sees every byte written before it and none after.
  Guard g(lock_);
  if (state_.load() != kExecuting) return;
  const size_t length = data ? data->length() : 0;
  auto stream = outputStream();
  // A stream without room fails the load like a failed write: cancelling the connection
  // alone would leave the operation executing forever.
  if (!stream->hasSpaceAvailable()) {
    failWithStreamError(connection, streamErrorOrNoSpace(stream));
    return;
  }
  size_t written = 0;
  while (written < length) {
    int64_t n = stream->write(data->bytes() + written, length - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    // A stream that takes nothing would otherwise be offered the same bytes forever.
    failWithStreamError(connection, streamErrorOrNoSpace(stream));
    return;
  }
  auto self = selfRef();
  dispatch::mainQueue()->async([self, length] {
    int64_t total = self->totalBytesRead_.fetch_add(static_cast<int64_t>(length)) + static_cast<int64_t>(length);
    if (auto block = self->downloadProgress()) {
      auto response = self->response();
      block(length, total, response ? response->expectedContentLength() : -1);
    }
  });
}

void NKURLConnectionOperation::connectionDidFinishLoading(const Ref<fd::URLConnection>&) {
  {
    Guard g(lock_);
    auto stream = outputStream();
    // Closed first: a closed memory stream hands its bytes over instead of copying them.
    stream->close();
    responseData_ = rt::as<fd::Data>(stream->propertyForKey(fd::String(fd::NSStreamDataWrittenToMemoryStreamKey)));
    if (responseData_) outputStream_ = nullptr;
    connection_ = nullptr;
  }
  finish();
}

void NKURLConnectionOperation::connectionDidFailWithError(const Ref<fd::URLConnection>&, const Ref<fd::Error>& error) {
  {
    Guard g(lock_);
    error_ = error;
    if (outputStream_) {
      outputStream_->close();
      if (responseData_) outputStream_ = nullptr;
    }
    connection_ = nullptr;
  }
  finish();
}

Ref<fd::CachedURLResponse> NKURLConnectionOperation::connectionWillCacheResponse(
    const Ref<fd::URLConnection>& connection, const Ref<fd::CachedURLResponse>& cachedResponse) {
  CacheResponseBlock block;
  {
    Guard g(lock_);
    block = cacheResponse_;
  }
  if (block) return block(connection, cachedResponse);
  return isCancelled() ? nullptr : cachedResponse;
}

// MARK: - Archiving, copying, description

void NKURLConnectionOperation::encodeWithCoder(fd::KeyedArchiver& coder) const {
  auto self = std::const_pointer_cast<NKURLConnectionOperation>(
      std::static_pointer_cast<const NKURLConnectionOperation>(shared_from_this()));
  self->pause();
  Guard g(lock_);
  coder.encodeObject(request_, "request");
  int64_t s = state_.load();
  coder.encodeInteger(s == kExecuting || s == kPaused ? kReady : s, "state");
  coder.encodeObject(response_, "response");
  coder.encodeObject(error_, "error");
  coder.encodeObject(responseData_, "responseData");
  coder.encodeInt64(totalBytesRead_.load(), "totalBytesRead");
}

bool NKURLConnectionOperation::initWithCoder(fd::KeyedUnarchiver& coder) {
  auto request = rt::as<fd::URLRequest>(coder.decodeObjectOfClass(fd::URLRequest::classObject(), "request"));
  if (!init(request)) return false;
  state_.store(coder.decodeInteger("state"));
  response_ = rt::as<fd::URLResponse>(coder.decodeObjectOfClass(fd::URLResponse::classObject(), "response"));
  error_ = rt::as<fd::Error>(coder.decodeObjectOfClass(fd::Error::classObject(), "error"));
  responseData_ = rt::as<fd::Data>(coder.decodeObjectOfClass(fd::Data::classObject(), "responseData"));
  totalBytesRead_.store(coder.decodeInt64("totalBytesRead"));
  return true;
}

void NKURLConnectionOperation::resetTotalBytesRead() {
  auto self = selfRef();
  dispatch::mainQueue()->async([self] { self->totalBytesRead_.store(0); });
}

Ref<NKURLConnectionOperation> NKURLConnectionOperation::operationWithRequest(Ref<fd::URLRequest> request) const {
  return create(std::move(request));
}

void NKURLConnectionOperation::copyConfigurationInto(NKURLConnectionOperation& other) const {
  Guard g(lock_);
  other.uploadProgress_ = uploadProgress();
  other.downloadProgress_ = downloadProgress();
  other.authenticationChallenge_ = authenticationChallenge_;
  other.cacheResponse_ = cacheResponse_;
  other.redirectResponse_ = redirectResponse_;
  other.completionQueue_ = completionQueue();
  other.completionGroup_ = completionGroup();
}

rt::Id NKURLConnectionOperation::copy() const {
  auto copy = operationWithRequest(request());
  if (!copy) return nullptr;
  copyConfigurationInto(*copy);
  return copy;
}

rt::String NKURLConnectionOperation::description() const {
  Guard g(lock_);
  return rt::String::format("<%@: %p, state: %@, cancelled: %@ request: %@, response: %@>",
                            rt::String(getClass()->name()), static_cast<const void*>(this),
                            rt::String(keyPathForState(state_.load())), rt::String(isCancelled() ? "YES" : "NO"), request_,
                            response_);
}

}  // namespace net
