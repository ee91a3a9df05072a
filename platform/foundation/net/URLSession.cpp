#include "platform/foundation/net/URLSession.h"

#include <strings.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>

#include "platform/foundation/net/CachedURLResponse.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/net/HTTPCookieStorage.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/files/Paths.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLAuthenticationChallenge.h"
#include "platform/foundation/net/URLCache.h"
#include "platform/foundation/net/URLCredential.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLLoader.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/values/UUID.h"

namespace fd {

/// A response that ended a transfer without being delivered: a redirect to follow, an
/// authentication demand to put to the delegate, with its body, or a resumed download's range
/// that the server refused.
struct URLSessionTaskHop {
  Ref<URL> target;
  long status = 0;
  bool auth = false;
  bool rangeRefused = false;
  Ref<HTTPURLResponse> response;
  std::vector<uint8_t> body;
};

RT_IMPLEMENT_PLATFORM(URLSessionDelegate) {}
RT_IMPLEMENT_PLATFORM(URLSessionTask) {
  c.property("state", &URLSessionTask::state);
  c.property("countOfBytesReceived", &URLSessionTask::countOfBytesReceived);
  c.property("countOfBytesSent", &URLSessionTask::countOfBytesSent);
  c.property("originalRequest", &URLSessionTask::originalRequest);
  c.property("currentRequest", &URLSessionTask::currentRequest);
}
RT_IMPLEMENT_PLATFORM(URLSessionDataTask) {}
RT_IMPLEMENT_PLATFORM(URLSessionUploadTask) {}
RT_IMPLEMENT_PLATFORM(URLSessionDownloadTask) {}
RT_IMPLEMENT_PLATFORM(URLSession) {}

void URLSessionDelegate::implement(rt::Class& cls, std::initializer_list<const char*> selectors) {
  for (const char* s : selectors)
    cls.addOwnMethod(rt::Selector::named(s), [](Object*, const std::vector<rt::Value>&) { return rt::Value(); }, "v");
}

namespace {

// The body kept for the cache while a transfer runs: only for an answer the cache may store,
// and let go once it outgrows the cache's largest entry, so that a large download is not held
// twice. Touched on the loader thread until the transfer ends.
class URLSessionCacheCopy {
 public:
  void start(bool keep, int64_t limit) {
    keep_ = keep;
    limit_ = limit;
    bytes_.clear();
  }
  void append(const char* bytes, size_t length) {
    if (!keep_) return;
    if (bytes_.size() + length > static_cast<uint64_t>(limit_)) {
      keep_ = false;
      std::vector<uint8_t>().swap(bytes_);
      return;
    }
    bytes_.insert(bytes_.end(), bytes, bytes + length);
  }
  bool kept() const { return keep_; }
  std::vector<uint8_t> take() { return std::move(bytes_); }

 private:
  bool keep_ = false;
  int64_t limit_ = 0;
  std::vector<uint8_t> bytes_;
};

struct HookSlot {
  std::mutex mutex;
  URLSessionTask::ResumeSuspendHook hook;
};

HookSlot& hookSlot() {
  static HookSlot slot;
  return slot;
}

void runHook(URLSessionTask& task, bool resuming, URLSessionTaskState before) {
  URLSessionTask::ResumeSuspendHook hook;
  {
    std::lock_guard lock(hookSlot().mutex);
    hook = hookSlot().hook;
  }
  if (hook) hook(task, resuming, before);
}

bool isHTTPScheme(const String& scheme) {
  std::string s = scheme.utf8();
  return strcasecmp(s.c_str(), "http") == 0 || strcasecmp(s.c_str(), "https") == 0;
}

// The entity's length in a Content-Range ("bytes */<total>", or a range before "/<total>");
// -1 when it names none.
int64_t totalOfContentRange(const std::optional<String>& field) {
  std::string range = field ? field->utf8() : std::string();
  size_t slash = range.rfind('/');
  if (range.rfind("bytes ", 0) != 0 || slash == std::string::npos || slash + 1 >= range.size()) return -1;
  int64_t total = 0;
  for (size_t i = slash + 1; i < range.size(); ++i) {
    if (range[i] < '0' || range[i] > '9' || total > (INT64_MAX - 9) / 10) return -1;
    total = total * 10 + (range[i] - '0');
  }
  return total;
}

// What the client hears when the bytes it held were the whole entity: a 200 of that length,
// with the refusal's fields but those about the refusal's own content.
Ref<HTTPURLResponse> wholeEntityResponse(const Ref<HTTPURLResponse>& refusal, int64_t length) {
  HTTPHeaderList headers;
  for (auto& [name, value] : refusal->headerFields()) {
    std::string n = name.utf8();
    if (strncasecmp(n.c_str(), "Content-", 8) == 0 || strcasecmp(n.c_str(), "Transfer-Encoding") == 0) continue;
    headers.emplace_back(name, value);
  }
  headers.emplace_back(String("Content-Length"), String(std::to_string(length).c_str()));
  return HTTPURLResponse::create(refusal->URL(), 200, refusal->httpVersion(), std::move(headers));
}

}  // namespace

// MARK: - Task

void URLSessionTask::setResumeSuspendHook(ResumeSuspendHook hook) {
  std::lock_guard lock(hookSlot().mutex);
  hookSlot().hook = std::move(hook);
}

URLSessionTask::~URLSessionTask() {
  if (job_) URLLoader::shared().cancel(job_);
  if (downloadFile_) std::fclose(downloadFile_);
  if (!downloadPath_.empty()) std::remove(downloadPath_.c_str());
}

void URLSessionTask::setUp(const Ref<URLSession>& session, uint64_t identifier, Ref<URLRequest> request,
                           CompletionHandler completion) {
  session_ = session;
  identifier_ = identifier;
  request_ = std::move(request);
  current_ = request_;
  completion_ = std::move(completion);
  hasCompletion_ = static_cast<bool>(completion_);
  if (auto body = request_->HTTPBody()) {
    expectedToSend_ = static_cast<int64_t>(body->length());
  } else if (request_->HTTPBodyStream()) {
    expectedToSend_ = -1;
  }
}

String URLSessionTask::taskDescription() const {
  std::lock_guard lock(mutex_);
  return description_;
}

void URLSessionTask::setTaskDescription(const String& description) {
  std::lock_guard lock(mutex_);
  description_ = description;
}

URLSessionTaskState URLSessionTask::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

Ref<URLRequest> URLSessionTask::currentRequest() const {
  std::lock_guard lock(mutex_);
  return current_ ? current_ : request_;
}

Ref<URLResponse> URLSessionTask::response() const {
  std::lock_guard lock(mutex_);
  return response_;
}

Ref<Error> URLSessionTask::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

bool URLSessionTask::moveTo(URLSessionTaskState to, const std::function<bool()>& allowed) {
  std::lock_guard transition(transitionMutex_);
  {
    std::lock_guard lock(mutex_);
    if (!allowed()) return false;
  }
  bool notify = hasObservers() && automaticallyNotifiesObserversForKey("state");
  if (notify) willChangeValueForKey("state");
  {
    std::lock_guard lock(mutex_);
    state_ = to;
  }
  if (notify) didChangeValueForKey("state");
  return true;
}

int64_t URLSessionTask::updateCount(const char* key, std::atomic<int64_t>& slot, int64_t value) {
  if (slot.load() == value || !hasObservers() || !automaticallyNotifiesObserversForKey(key)) return slot.exchange(value);
  String k(key);
  willChangeValueForKey(k);
  int64_t old = slot.exchange(value);
  didChangeValueForKey(k);
  return old;
}

void URLSessionTask::resume() {
  runHook(*this, true, state());
  bool first = false;
  if (!moveTo(URLSessionTaskState::Running, [&] {
        if (state_ != URLSessionTaskState::Suspended) return false;
        first = !started_;
        started_ = true;
        return true;
      }))
    return;
  if (first) return start();
  std::lock_guard lock(mutex_);
  flushHeld();
}

void URLSessionTask::suspend() {
  runHook(*this, false, state());
  moveTo(URLSessionTaskState::Suspended, [&] { return state_ == URLSessionTaskState::Running; });
}

void URLSessionTask::cancel() {
  std::shared_ptr<URLLoadJob> job;
  // A completion still held back (suspended, or waiting for a disposition) is replaced.
  if (!moveTo(URLSessionTaskState::Canceling, [&] {
        if (state_ == URLSessionTaskState::Canceling || state_ == URLSessionTaskState::Completed || finishQueued_)
          return false;
        job = job_;
        return true;
      }))
    return;
  if (job) URLLoader::shared().cancel(job);
  complete(makeURLError(NSURLErrorCancelled, request_->URL()), true);
}

void URLSessionTask::start() {
  auto session = session_.lock();
  Ref<URL> url = current_->URL();
  if (resumeDataInvalid_) return complete(makeURLError(NSURLErrorCannotOpenFile, url));
  if (!url) return complete(makeURLError(NSURLErrorBadURL, nullptr));
  if (!isHTTPScheme(url->scheme())) return complete(makeURLError(NSURLErrorUnsupportedURL, url));

  const int64_t resumeFrom = download_ && !downloadPath_.empty() ? resumeOffset_ : 0;
  const bool askRange = resumeFrom > 0 && !resumeAnew_;
  if (download_) {
    if (resumeFrom > 0) {
      // The partial file of the cancelled download; the response decides what is kept.
      downloadFile_ = std::fopen(downloadPath_.c_str(), "r+b");
      if (!downloadFile_) {
        downloadPath_.clear();
        return complete(makeURLError(NSURLErrorCannotOpenFile, url));
      }
    } else if (!createDownloadFile()) {
      return complete(makeURLError(NSURLErrorCannotCreateFile, url));
    }
  }
  std::string method = current_->HTTPMethod().utf8();
  bool isGet = method.empty() || strcasecmp(method.c_str(), "GET") == 0;
  Ref<URLCache> cache = session && isGet && !bodyFile_ ? session->configuration_->URLCache() : nullptr;
  if (cache) {
    if (auto hit = cache->usableResponseForRequest(current_)) return serveCached(hit);
    if (current_->cachePolicy() == URLRequestCachePolicy::ReturnCacheDataDontLoad)
      return complete(makeURLError(NSURLErrorResourceUnavailable, url));
    if (current_->cachePolicy() == URLRequestCachePolicy::ReloadIgnoringLocalAndRemoteCacheData) cache = nullptr;
  }
  auto stored = cache ? std::make_shared<URLSessionCacheCopy>() : nullptr;

  // A redirect or authentication demand seen in this transfer, dealt with once it ends.
  auto hop = std::make_shared<URLSessionTaskHop>();
  const bool sessionHearsTrust = session && session->responds(URLSessionDelegate::kDidReceiveChallenge);
  const bool taskHearsChallenges = session && session->responds(URLSessionDelegate::kTaskDidReceiveChallenge);
  auto job = std::make_shared<URLLoadJob>();
  job->url = url->absoluteString().utf8();
  job->method = current_->HTTPMethod().isEmpty() ? "GET" : current_->HTTPMethod().utf8();
  for (auto& [k, v] : current_->headerFields()) {
    // Fields that could split the header block are dropped, never sent.
    if (!isValidHeaderName(k) || !isValidHeaderValue(v)) continue;
    job->headers.emplace_back(k.utf8(), v.utf8());
  }
  if (askRange) {
    job->headers.emplace_back("Range", "bytes=" + std::to_string(resumeFrom) + "-");
    if (!resumeValidator_.isEmpty()) job->headers.emplace_back("If-Range", resumeValidator_.utf8());
  }
  Ref<URLSessionConfiguration> config = session ? session->configuration_ : nullptr;
  Ref<HTTPCookieStorage> jar;
  if (config && config->HTTPShouldSetCookies() && current_->HTTPShouldHandleCookies()) jar = config->HTTPCookieStorage();
  if (jar && !current_->valueForHTTPHeaderField("Cookie")) {
    for (auto& [k, v] : HTTPCookie::requestHeaderFieldsWithCookies(jar->cookiesForURL(url)))
      job->headers.emplace_back(k.utf8(), v.utf8());
  }
  Ref<InputStream> stream;
  if (bodyFile_) {
    std::error_code ec;
    auto size = std::filesystem::file_size(bodyFile_->utf8(), ec);
    stream = ec ? nullptr : InputStream::inputStreamWithFileAtPath(*bodyFile_);
    if (!stream) return complete(makeURLError(NSURLErrorFileDoesNotExist, url));
    job->bodyLength = static_cast<int64_t>(size);
    expectedToSend_ = job->bodyLength;
  } else if (auto body = current_->HTTPBody()) {
    job->body = body->vector();
  } else {
    stream = current_->HTTPBodyStream();
    if (stream) {
      if (auto length = current_->valueForHTTPHeaderField("Content-Length")) {
        job->bodyLength = std::strtoll(length->utf8().c_str(), nullptr, 10);
        std::erase_if(job->headers, [](auto& h) { return strcasecmp(h.first.c_str(), "Content-Length") == 0; });
      }
    }
  }
  if (stream) {
    // Pulled on the loader thread as the transfer needs bytes, never read whole.
    job->bodyReader = [stream](uint8_t* buffer, size_t max) -> int64_t {
      if (stream->streamStatus() == StreamStatus::NotOpen) stream->open();
      if (stream->streamStatus() == StreamStatus::AtEnd) return 0;
      return stream->read(buffer, max);
    };
  }
  double timeout = current_->timeoutInterval();
  job->idleTimeout = timeout > 0 ? timeout : kDefaultURLRequestTimeout;
  if (double limit = config ? config->timeoutIntervalForResource() : 0; limit > 0) {
    // One limit for the whole load: a redirect or an authentication retry gets what is left.
    double t = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    if (resourceDeadline_ == 0) resourceDeadline_ = t + limit;
    if (t >= resourceDeadline_) return complete(makeURLError(NSURLErrorTimedOut, url));
    job->totalTimeout = resourceDeadline_ - t;
  }

  Weak<URLSessionTask> weak = selfRef();
  if (credential_ && credential_->user()) {
    job->user = credential_->user()->utf8();
    job->password = credential_->password().value_or(String()).utf8();
  }
  job->onResponse = [weak, url, jar, hop, taskHearsChallenges, resumeFrom, askRange, cache, stored](
                        long status, const std::string& version, const URLLoadJob::Headers& headers) {
    auto self = weak.lock();
    if (!self) return;
    HTTPHeaderList list;
    for (auto& [k, v] : headers) list.emplace_back(String(k.c_str()), String(v.c_str()));
    if (jar) jar->setCookies(HTTPCookie::cookiesWithResponseHeaderFields(list, url));
    auto response = HTTPURLResponse::create(url, status, String(version.c_str()), std::move(list));
    if (status == 416 && askRange) {
      // Decided once the transfer ends; the refusal's own body is no part of the file.
      hop->rangeRefused = true;
      hop->response = response;
      return;
    }
    if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
      if (auto location = response->valueForHTTPHeaderField("Location")) {
        hop->target = URL::URLWithString(*location, url);
        hop->status = status;
      }
    } else if (status == 401 && taskHearsChallenges && response->valueForHTTPHeaderField("WWW-Authenticate")) {
      hop->auth = true;
    }
    // Held back: the delegate (or the redirect) decides what the client sees.
    if (hop->target || hop->auth) {
      hop->response = response;
      return;
    }
    if (stored) stored->start(cache->mayStoreAnswer(status, headers), cache->maximumEntrySize());
    self->expectedToReceive_ = response->expectedContentLength();
    if (resumeFrom > 0) self->resumeDownloadAt(response, askRange ? resumeFrom : 0);
    self->receiveResponse(response);
  };
  job->onData = [weak, stored, hop](const char* bytes, size_t length) {
    if (hop->rangeRefused) return true;
    if (hop->target || hop->auth) {
      hop->body.insert(hop->body.end(), bytes, bytes + length);
      return true;
    }
    if (stored) stored->append(bytes, length);
    if (auto self = weak.lock()) self->receiveData(bytes, length);
    return true;
  };
  if (session && session->responds(URLSessionDelegate::kDidSendBodyData)) {
    job->onSent = [weak](int64_t sent, int64_t total) {
      auto self = weak.lock();
      if (!self) return;
      int64_t delta = sent - self->updateCount("countOfBytesSent", self->sent_, sent);
      if (delta <= 0) return;
      auto session = self->session_.lock();
      if (!session) return;
      self->deliver([self, session, delta, sent, total] {
        if (auto d = session->delegate()) d->didSendBodyData(session, self, delta, sent, total);
      });
    };
  } else {
    job->onSent = [weak](int64_t sent, int64_t) {
      if (auto self = weak.lock()) self->updateCount("countOfBytesSent", self->sent_, sent);
    };
  }
  // Server trust goes to the delegate when it asked to hear of challenges.
  auto refusedByDelegate = std::make_shared<std::atomic<bool>>(false);
  if (url->scheme().lowercaseString() == "https" && (sessionHearsTrust || taskHearsChallenges)) {
    job->onTrust = [weak, url, sessionHearsTrust, refusedByDelegate, limit = job->idleTimeout](
                       const std::vector<std::vector<uint8_t>>& chain, X509_STORE_CTX* ctx) {
      String host = url->host().value_or(String());
      auto self = weak.lock();
      auto session = self ? self->session_.lock() : nullptr;
      if (!session) return URLLoader::verifyDefault(ctx, host.utf8());
      std::vector<Ref<Data>> certificates;
      for (auto& der : chain) certificates.push_back(Data::create(der.data(), der.size()));
      auto space = rt::make<URLProtectionSpace>(host, url->port().value_or(443), String("https"), std::nullopt,
                                                String(NSURLAuthenticationMethodServerTrust));
      space->setServerTrust(makeServerTrust(certificates, host), certificates);
      auto challenge = rt::make<URLAuthenticationChallenge>(space, 0, nullptr, std::weak_ptr<URLAuthenticationChallengeSender>());
      auto answer = self->askServerTrust(session, challenge, sessionHearsTrust, limit);
      if (!answer) return false;
      switch (answer->first) {
        case URLSessionAuthChallengeDisposition::UseCredential:
          if (answer->second && answer->second->isForTrust()) return true;
          return URLLoader::verifyDefault(ctx, host.utf8());
        case URLSessionAuthChallengeDisposition::PerformDefaultHandling:
        case URLSessionAuthChallengeDisposition::RejectProtectionSpace:
          return URLLoader::verifyDefault(ctx, host.utf8());
        case URLSessionAuthChallengeDisposition::CancelAuthenticationChallenge:
          refusedByDelegate->store(true);
          return false;
      }
      return false;
    };
  }
  job->onComplete = [weak, url, cache, stored, hop, refusedByDelegate, resumeFrom, jobRef = job.get(),
                     sent = current_](int64_t code, const std::string& message) {
    auto self = weak.lock();
    if (!self) return;
    if (code == 0 && hop->rangeRefused) return self->rangeRefused(hop, resumeFrom);
    if (code == 0 && hop->target) return self->redirect(hop);
    if (code == 0 && hop->auth) return self->challengeHTTP(hop);
    if (code != 0 && jobRef->trustRefused.load()) {
      return self->complete(makeURLError(refusedByDelegate->load() ? NSURLErrorCancelled
                                                                    : NSURLErrorServerCertificateUntrusted,
                                         url));
    }
    if (code == 0 && stored && stored->kept()) {
      auto response = self->response();
      auto session = self->session_.lock();
      if (URLCache::isStorable(response)) {
        auto proposed = rt::make<CachedURLResponse>(response, Data::create(stored->take()));
        if (session && !self->hasCompletion_ && !self->download_ &&
            session->responds(URLSessionDelegate::kWillCacheResponse)) {
          // The delegate decides on its queue, before it hears of the completion.
          self->deliver([self, session, proposed, cache, sent] {
            auto d = session->delegate();
            if (!d) return cache->storeCachedResponse(proposed, sent);
            d->willCacheResponse(session, std::static_pointer_cast<URLSessionDataTask>(self), proposed,
                                 [cache, sent](Ref<CachedURLResponse> chosen) {
                                   if (chosen) cache->storeCachedResponse(chosen, sent);
                                 });
          });
        } else {
          cache->storeCachedResponse(proposed, sent);
        }
      }
    }
    if (code == 0) return self->complete(nullptr);
    auto underlying = Error::withDescription("kCFErrorDomainCFNetwork", code, String(message.c_str()));
    self->complete(makeURLError(code, url, underlying));
  };
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    job_ = job;
  }
  URLLoader::shared().start(job);
}

void URLSessionTask::redirect(const std::shared_ptr<URLSessionTaskHop>& hop) {
  auto next = redirectedRequest(hop->target, hop->status);
  auto session = session_.lock();
  if (!session || !session->responds(URLSessionDelegate::kWillPerformHTTPRedirection)) return followRedirect(next);
  auto self = selfRef();
  deliver([self, session, hop, next] {
    auto d = session->delegate();
    if (!d) return self->followRedirect(next);
    auto answered = std::make_shared<std::atomic<bool>>(false);
    d->willPerformHTTPRedirection(session, self, hop->response, next, [self, hop, answered](Ref<URLRequest> chosen) {
      if (answered->exchange(true)) return;
      if (chosen) self->followRedirect(chosen);
      else self->deliverHeld(hop);
    });
  });
}

Ref<URLRequest> URLSessionTask::redirectedRequest(const Ref<URL>& target, long status) {
  auto next = std::dynamic_pointer_cast<MutableURLRequest>(current_->mutableCopy());
  next->setURL(target);
  std::string method = next->HTTPMethod().utf8();
  // 303, and 301/302 after a POST, go on as a GET without the body.
  if (status == 303 || ((status == 301 || status == 302) && strcasecmp(method.c_str(), "POST") == 0)) {
    next->setHTTPMethod("GET");
    next->setHTTPBody(nullptr);
    next->setValueForHTTPHeaderField(std::nullopt, "Content-Type");
    next->setValueForHTTPHeaderField(std::nullopt, "Content-Length");
    bodyFile_.reset();
  }
  return next;
}

void URLSessionTask::withFreshBody(const Ref<URLRequest>& request, std::function<void(Ref<URLRequest>)> go) {
  auto stream = request->HTTPBodyStream();
  if (!stream || stream->streamStatus() == StreamStatus::NotOpen) return go(request);
  auto session = session_.lock();
  auto fail = [self = selfRef(), url = request->URL()] {
    self->complete(makeURLError(NSURLErrorRequestBodyStreamExhausted, url));
  };
  if (!session || !session->responds(URLSessionDelegate::kNeedNewBodyStream)) return fail();
  auto self = selfRef();
  deliver([self, session, request, go, fail] {
    auto d = session->delegate();
    if (!d) return fail();
    auto answered = std::make_shared<std::atomic<bool>>(false);
    d->needNewBodyStream(session, self, [request, go, fail, answered](Ref<InputStream> fresh) {
      if (answered->exchange(true)) return;
      if (!fresh) return fail();
      auto m = std::dynamic_pointer_cast<MutableURLRequest>(request->mutableCopy());
      m->setHTTPBodyStream(fresh);
      go(m);
    });
  });
}

void URLSessionTask::followRedirect(const Ref<URLRequest>& chosen) {
  withFreshBody(chosen, [self = selfRef()](Ref<URLRequest> next) { self->sendRedirected(next); });
}

void URLSessionTask::sendRedirected(const Ref<URLRequest>& next) {
  constexpr int kMaxRedirects = 16;
  bool tooMany = false;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    job_.reset();
    tooMany = ++redirects_ > kMaxRedirects;
    if (!tooMany) {
      current_ = next;
      // A download starts a new file for the new response.
      if (downloadFile_) std::fclose(downloadFile_);
      downloadFile_ = nullptr;
      if (!downloadPath_.empty()) std::remove(downloadPath_.c_str());
      downloadPath_.clear();
    }
  }
  if (tooMany) return complete(makeURLError(NSURLErrorHTTPTooManyRedirects, next->URL()));
  updateCount("countOfBytesReceived", received_, 0);
  expectedToReceive_ = -1;
  start();
}

void URLSessionTask::resumeDownloadAt(const Ref<HTTPURLResponse>& response, int64_t askedOffset) {
  int64_t offset = 0;
  if (response->statusCode() == 206) {
    // "bytes <first>-<last>/<total>": the rest is usable only if it starts where we stopped.
    std::string range = response->valueForHTTPHeaderField("Content-Range").value_or(String()).utf8();
    long long first = -1;
    if (std::sscanf(range.c_str(), "bytes %lld-", &first) == 1 && first == askedOffset) offset = askedOffset;
  }
  {
    std::lock_guard lock(mutex_);
    resumeOffset_ = 0;
    if (downloadFile_) {
      std::fflush(downloadFile_);
      if (::ftruncate(fileno(downloadFile_), offset) != 0) offset = 0;
      std::fseek(downloadFile_, offset, SEEK_SET);
    }
  }
  int64_t length = response->expectedContentLength();
  resumedAt(offset, length >= 0 ? offset + length : -1);
}

void URLSessionTask::resumedAt(int64_t offset, int64_t expected) {
  updateCount("countOfBytesReceived", received_, offset);
  expectedToReceive_ = expected;
  auto session = session_.lock();
  if (hasCompletion_ || !session || !session->responds(URLSessionDelegate::kDidResumeAtOffset)) return;
  deliver([self = selfRef(), session, offset, expected] {
    if (auto d = session->delegate())
      d->didResumeAtOffset(session, std::static_pointer_cast<URLSessionDownloadTask>(self), offset, expected);
  });
}

void URLSessionTask::rangeRefused(const std::shared_ptr<URLSessionTaskHop>& hop, int64_t held) {
  // A cancel that came after the last byte leaves resume data holding the whole entity, and
  // asking for what follows it is asking past the end.
  const bool whole = totalOfContentRange(hop->response->valueForHTTPHeaderField("Content-Range")) == held;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    job_.reset();
    if (!whole) {
      // The entity is not the one the bytes came from: its whole body is loaded into the file.
      resumeAnew_ = true;
      if (downloadFile_) std::fclose(downloadFile_);
      downloadFile_ = nullptr;
    }
  }
  if (!whole) return start();
  resumedAt(held, held);
  receiveResponse(wholeEntityResponse(hop->response, held));
  complete(nullptr);
}

void URLSessionDownloadTask::cancelByProducingResumeData(std::function<void(Ref<Data>)> handler) {
  Ref<Data> resumeData;
  {
    std::lock_guard lock(mutex_);
    auto http = rt::as<HTTPURLResponse>(response_);
    std::optional<String> validator;
    if (http) validator = http->valueForHTTPHeaderField("ETag");
    if (http && !validator) validator = http->valueForHTTPHeaderField("Last-Modified");
    std::string method = current_->HTTPMethod().utf8();
    bool isGet = method.empty() || strcasecmp(method.c_str(), "GET") == 0;
    long written = downloadFile_ ? (std::fflush(downloadFile_), std::ftell(downloadFile_)) : 0;
    if (!closed_ && isGet && validator && written > 0 &&
        (http->statusCode() == 200 || http->statusCode() == 206)) {
      std::fclose(downloadFile_);
      downloadFile_ = nullptr;
      auto info = Dictionary::withStrings({
          {"NSURLSessionDownloadURL", StringObject::create(current_->URL()->absoluteString())},
          {"NSURLSessionResumeBytesReceived", Number::numberWithLongLong(written)},
          {"NSURLSessionResumeInfoLocalPath", StringObject::create(String(downloadPath_.c_str()))},
          {"NSURLSessionResumeEntityTag", StringObject::create(*validator)},
      });
      resumeData = PropertyListSerialization::dataWithPropertyList(info, PropertyListXMLFormat, 0, nullptr);
      // The partial file now belongs to the resume data.
      downloadPath_.clear();
    }
  }
  cancel();
  if (!handler) return;
  if (auto session = session_.lock()) {
    session->queue_->addOperationWithBlock([handler, resumeData] { handler(resumeData); });
  } else {
    handler(resumeData);
  }
}

void URLSessionTask::deliverHeld(const std::shared_ptr<URLSessionTaskHop>& hop) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    job_.reset();
  }
  updateCount("countOfBytesReceived", received_, 0);
  expectedToReceive_ = hop->response->expectedContentLength();
  receiveResponse(hop->response);
  if (!hop->body.empty()) receiveData(reinterpret_cast<const char*>(hop->body.data()), hop->body.size());
  complete(nullptr);
}

void URLSessionTask::challengeHTTP(const std::shared_ptr<URLSessionTaskHop>& hop) {
  auto session = session_.lock();
  if (!session) return deliverHeld(hop);
  auto url = hop->response->URL();
  String header = hop->response->valueForHTTPHeaderField("WWW-Authenticate").value_or(String());
  auto space = URLProtectionSpace::forServerChallenge(url, header);
  int64_t failures = 0;
  {
    std::lock_guard lock(mutex_);
    failures = authFailures_;
  }
  auto challenge = rt::make<URLAuthenticationChallenge>(space, failures, hop->response,
                                                        std::weak_ptr<URLAuthenticationChallengeSender>());
  auto self = selfRef();
  deliver([self, session, hop, challenge] {
    auto answered = std::make_shared<std::atomic<bool>>(false);
    auto handler = [self, hop, answered](URLSessionAuthChallengeDisposition disposition, Ref<URLCredential> credential) {
      if (answered->exchange(true)) return;
      switch (disposition) {
        case URLSessionAuthChallengeDisposition::UseCredential:
          if (credential && credential->user()) {
            {
              std::lock_guard lock(self->mutex_);
              if (self->closed_) return;
              self->credential_ = credential;
              ++self->authFailures_;
              self->job_.reset();
            }
            return self->withFreshBody(self->currentRequest(), [self](Ref<URLRequest> request) {
              {
                std::lock_guard lock(self->mutex_);
                if (self->closed_) return;
                self->current_ = request;
              }
              self->updateCount("countOfBytesReceived", self->received_, 0);
              self->start();
            });
          }
          return self->deliverHeld(hop);
        case URLSessionAuthChallengeDisposition::PerformDefaultHandling:
        case URLSessionAuthChallengeDisposition::RejectProtectionSpace:
          return self->deliverHeld(hop);
        case URLSessionAuthChallengeDisposition::CancelAuthenticationChallenge:
          return self->complete(makeURLError(NSURLErrorCancelled, hop->response->URL()));
      }
    };
    auto d = session->delegate();
    if (!d) return handler(URLSessionAuthChallengeDisposition::PerformDefaultHandling, nullptr);
    d->taskDidReceiveChallenge(session, self, challenge, handler);
  });
}

std::optional<std::pair<URLSessionAuthChallengeDisposition, Ref<URLCredential>>> URLSessionTask::askServerTrust(
    const Ref<URLSession>& session, const Ref<URLAuthenticationChallenge>& challenge, bool sessionLevel,
    double seconds) {
  struct Wait {
    std::mutex mutex;
    std::condition_variable cv;
    std::optional<std::pair<URLSessionAuthChallengeDisposition, Ref<URLCredential>>> answer;
  };
  auto wait = std::make_shared<Wait>();
  URLSessionDelegate::ChallengeHandler handler = [wait](URLSessionAuthChallengeDisposition d, Ref<URLCredential> c) {
    std::lock_guard lock(wait->mutex);
    if (wait->answer) return;
    wait->answer.emplace(d, std::move(c));
    wait->cv.notify_all();
  };
  auto self = selfRef();
  // Straight onto the delegate queue: the handshake cannot wait for a resume.
  session->queue_->addOperationWithBlock([self, session, challenge, sessionLevel, handler] {
    auto d = session->delegate();
    if (!d) return handler(URLSessionAuthChallengeDisposition::PerformDefaultHandling, nullptr);
    if (sessionLevel) d->didReceiveChallenge(session, challenge, handler);
    else d->taskDidReceiveChallenge(session, self, challenge, handler);
  });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  std::unique_lock lock(wait->mutex);
  while (!wait->answer && std::chrono::steady_clock::now() < deadline) {
    {
      std::lock_guard taskLock(mutex_);
      if (closed_) break;
    }
    wait->cv.wait_for(lock, std::chrono::milliseconds(50));
  }
  return wait->answer;
}

bool URLSessionTask::createDownloadFile() {
  downloadPath_ =
      (NSTemporaryDirectory() + String("download-") + UUID::create()->UUIDString() + String(".tmp")).utf8();
  downloadFile_ = std::fopen(downloadPath_.c_str(), "wb");
  if (!downloadFile_) downloadPath_.clear();
  return downloadFile_ != nullptr;
}

void URLSessionTask::receiveData(const char* bytes, size_t length) {
  if (!download_) {
    Ref<URLSessionTask> download;
    {
      std::lock_guard lock(mutex_);
      download = becameDownload_.lock();
      // Kept in case the delegate makes this a download.
      if (!download && awaitingDisposition_ && !hasCompletion_)
        undecidedBody_.insert(undecidedBody_.end(), bytes, bytes + length);
    }
    if (download) return download->receiveData(bytes, length);
  }
  updateCount("countOfBytesReceived", received_, received_ + static_cast<int64_t>(length));
  if (download_) {
    {
      std::lock_guard lock(mutex_);
      if (!downloadFile_ || std::fwrite(bytes, 1, length, downloadFile_) != length) return;
    }
    auto session = session_.lock();
    if (hasCompletion_ || !session || !session->responds(URLSessionDelegate::kDidWriteData)) return;
    deliver([self = selfRef(), session, length, total = received_.load(), expected = expectedToReceive_.load()] {
      if (auto d = session->delegate())
        d->didWriteData(session, std::static_pointer_cast<URLSessionDownloadTask>(self),
                        static_cast<int64_t>(length), total, expected);
    });
    return;
  }
  if (hasCompletion_) {
    std::lock_guard lock(mutex_);
    if (!collected_) collected_ = MutableData::create();
    std::static_pointer_cast<MutableData>(collected_)->appendBytes(bytes, length);
    return;
  }
  auto session = session_.lock();
  if (!session || !session->responds(URLSessionDelegate::kDidReceiveData)) return;
  auto data = Data::create(bytes, length);
  deliver([self = selfRef(), session, data] {
    if (auto d = session->delegate())
      d->didReceiveData(session, std::static_pointer_cast<URLSessionDataTask>(self), data);
  });
}

void URLSessionTask::serveCached(const Ref<CachedURLResponse>& cached) {
  auto data = cached->data() ? cached->data() : Data::create();
  expectedToReceive_ = cached->response()->expectedContentLength();
  receiveResponse(cached->response());
  if (data->length() > 0) receiveData(reinterpret_cast<const char*>(data->bytes()), data->length());
  complete(nullptr);
}

void URLSessionTask::deliver(std::function<void()> f, bool thenAwaitDisposition) {
  std::lock_guard lock(mutex_);
  if (closed_) return;
  if (state_ == URLSessionTaskState::Suspended || awaitingDisposition_ || !held_.empty()) {
    held_.push_back(std::move(f));
  } else if (auto session = session_.lock()) {
    session->queue_->addOperationWithBlock(std::move(f));
  }
  if (thenAwaitDisposition) awaitingDisposition_ = true;
}

void URLSessionTask::flushHeld() {
  auto session = session_.lock();
  if (!session) return held_.clear();
  if (state_ == URLSessionTaskState::Suspended || awaitingDisposition_) return;
  auto held = std::move(held_);
  held_.clear();
  for (auto& f : held) session->queue_->addOperationWithBlock(std::move(f));
  if (closed_) finishQueued_ = true;  // it was the last one held
}

void URLSessionTask::receiveResponse(const Ref<URLResponse>& response) {
  {
    std::lock_guard lock(mutex_);
    response_ = response;
  }
  auto session = session_.lock();
  if (hasCompletion_ || !session || !session->responds(URLSessionDelegate::kDidReceiveResponse)) return;
  auto self = selfRef();
  // Later deliveries wait for the answer, so the delegate decides before any data arrives.
  deliver(
      [self, session, response] {
        auto d = session->delegate();
        if (!d) return self->answerDisposition(URLSessionResponseDisposition::Allow);
        auto answered = std::make_shared<std::atomic<bool>>(false);
        d->didReceiveResponse(session, std::static_pointer_cast<URLSessionDataTask>(self), response,
                              [self, answered](URLSessionResponseDisposition disposition) {
                                if (answered->exchange(true)) return;
                                self->answerDisposition(disposition);
                              });
      },
      true);
}

void URLSessionTask::answerDisposition(URLSessionResponseDisposition d) {
  if (d == URLSessionResponseDisposition::BecomeDownload) return becomeDownload();
  if (d != URLSessionResponseDisposition::Allow) return cancel();
  std::lock_guard lock(mutex_);
  awaitingDisposition_ = false;
  undecidedBody_.clear();
  undecidedBody_.shrink_to_fit();
  flushHeld();
}

void URLSessionTask::becomeDownload() {
  auto session = session_.lock();
  if (!session) return cancel();
  // Made outside this task's lock: the session's lock is taken before a task's elsewhere.
  auto download = rt::make<URLSessionDownloadTask>();
  {
    std::lock_guard lock(session->mutex_);
    download->setUp(session, session->nextIdentifier_++, request_, nullptr);
    session->tasks_.push_back(download);
  }
  download->download_ = true;
  download->started_ = true;
  {
    std::lock_guard lock(mutex_);
    download->current_ = current_;
    download->response_ = response_;
  }
  download->expectedToReceive_ = expectedToReceive_.load();
  download->sent_ = sent_.load();
  download->expectedToSend_ = expectedToSend_.load();
  auto self = selfRef();
  const bool opened = download->createDownloadFile();
  // The new task is still suspended: what it delivers is held back, in order, until it runs.
  if (session->responds(URLSessionDelegate::kDidBecomeDownloadTask)) {
    download->deliver([session, self, download] {
      if (auto d = session->delegate())
        d->didBecomeDownloadTask(session, std::static_pointer_cast<URLSessionDataTask>(self), download);
    });
  }
  bool switched = false, finished = false;
  Ref<Error> outcome;
  std::shared_ptr<URLLoadJob> job;
  for (;;) {
    std::vector<uint8_t> body;
    {
      std::lock_guard lock(mutex_);
      if (finishQueued_ || !awaitingDisposition_) break;  // cancelled meanwhile
      body = std::move(undecidedBody_);
      undecidedBody_.clear();
      if (body.empty()) {
        // From here on the transfer's bytes and outcome go to the download task (see
        // receiveData and complete); whatever this task still held back is dropped unheard.
        awaitingDisposition_ = false;
        held_.clear();
        finished = closed_;
        outcome = undecidedOutcome_;
        closed_ = true;
        finishQueued_ = true;
        becameDownload_ = download;
        job = std::move(job_);
        job_.reset();
        download->origin_ = self;
        download->job_ = job;
        switched = true;
        break;
      }
    }
    // Bytes that came while the delegate decided; more may arrive while these are written.
    if (opened) download->receiveData(reinterpret_cast<const char*>(body.data()), body.size());
  }
  if (!switched) {
    {
      std::lock_guard lock(download->mutex_);
      download->held_.clear();
    }
    session->taskCompleted(download.get());
    return;
  }
  moveTo(URLSessionTaskState::Completed, [] { return true; });
  download->moveTo(URLSessionTaskState::Running, [] { return true; });
  {
    std::lock_guard lock(download->mutex_);
    download->flushHeld();
  }
  if (!opened) {
    if (job) URLLoader::shared().cancel(job);
    download->complete(makeURLError(NSURLErrorCannotCreateFile, request_->URL()));
  } else if (finished) {
    download->complete(outcome);
  }
  session->taskCompleted(this);
}

void URLSessionTask::complete(Ref<Error> error, bool cancelled) {
  Ref<URLSessionTask> download;
  {
    std::lock_guard lock(mutex_);
    download = becameDownload_.lock();
  }
  if (download) return download->complete(std::move(error), cancelled);
  auto session = session_.lock();
  auto self = selfRef();
  auto finish = [self, session, error] {
    Ref<Data> data;
    Ref<URLResponse> response;
    {
      std::lock_guard lock(self->mutex_);
      self->error_ = error;
      data = error ? nullptr : (self->collected_ ? self->collected_ : Data::create());
      response = self->response_;
      self->job_.reset();
      self->origin_.reset();
    }
    self->moveTo(URLSessionTaskState::Completed, [] { return true; });
    if (self->download_) {
      self->finishDownload(session, response, error);
    } else if (self->hasCompletion_) {
      auto completion = std::move(self->completion_);
      self->completion_ = nullptr;
      completion(data, response, error);
    } else if (session && session->responds(URLSessionDelegate::kDidCompleteWithError)) {
      if (auto d = session->delegate()) d->didCompleteWithError(session, self, error);
    }
    if (session) session->taskCompleted(self.get());
  };
  std::unique_lock lock(mutex_);
  if (closed_ && (!cancelled || finishQueued_)) return;
  closed_ = true;
  if (!session) {
    error_ = error;
    held_.clear();
    lock.unlock();
    moveTo(URLSessionTaskState::Completed, [] { return true; });
    return;
  }
  if (cancelled) {
    // Nothing that was held back reaches the delegate after a cancel.
    held_.clear();
    awaitingDisposition_ = false;
    undecidedBody_ = {};
  }
  if (cancelled || (state_ != URLSessionTaskState::Suspended && !awaitingDisposition_ && held_.empty())) {
    finishQueued_ = true;
    session->queue_->addOperationWithBlock(std::move(finish));
  } else {
    if (awaitingDisposition_) undecidedOutcome_ = error;
    held_.push_back(std::move(finish));
  }
}

void URLSessionTask::finishDownload(const Ref<URLSession>& session, const Ref<URLResponse>& response,
                                    const Ref<Error>& error) {
  std::string path;
  {
    std::lock_guard lock(mutex_);
    if (downloadFile_) std::fclose(downloadFile_);
    downloadFile_ = nullptr;
    path = std::move(downloadPath_);
    downloadPath_.clear();
  }
  Ref<URL> location = !error && !path.empty() ? URL::fileURLWithPath(String(path.c_str())) : nullptr;
  auto self = std::static_pointer_cast<URLSessionDownloadTask>(selfRef());
  if (hasCompletion_) {
    auto completion = std::move(downloadCompletion_);
    downloadCompletion_ = nullptr;
    completion(location, response, error);
  } else if (session) {
    auto d = session->delegate();
    if (d && location && session->responds(URLSessionDelegate::kDidFinishDownloadingToURL))
      d->didFinishDownloadingToURL(session, self, location);
    if (d && session->responds(URLSessionDelegate::kDidCompleteWithError)) d->didCompleteWithError(session, self, error);
  }
  // Whatever the client did not move away goes now.
  if (!path.empty()) std::remove(path.c_str());
}

// MARK: - Session

Ref<URLSession> URLSession::sessionWithConfiguration(const Ref<URLSessionConfiguration>& configuration,
                                                     const Ref<URLSessionDelegate>& delegate,
                                                     const Ref<OperationQueue>& queue) {
  auto s = rt::make<URLSession>();
  s->configuration_ = configuration ? configuration->copyConfiguration() : URLSessionConfiguration::defaultSessionConfiguration();
  s->delegate_ = delegate;
  s->queue_ = queue;
  if (!s->queue_) {
    s->queue_ = OperationQueue::create("URLSession delegate queue");
    s->queue_->setMaxConcurrentOperationCount(1);
  }
  return s;
}

String URLSession::sessionDescription() const {
  std::lock_guard lock(mutex_);
  return description_;
}

void URLSession::setSessionDescription(const String& description) {
  std::lock_guard lock(mutex_);
  description_ = description;
}

bool URLSession::isInvalidated() const {
  std::lock_guard lock(mutex_);
  return invalidated_;
}

Ref<URLSessionDelegate> URLSession::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_.lock();
}

bool URLSession::responds(const char* selector) const {
  auto d = delegate();
  return d && d->respondsToSelector(selector);
}

Ref<URLRequest> URLSession::prepared(const Ref<URLRequest>& request) const {
  if (!request) rt::raise("NSInvalidArgumentException", "A task needs a request");
  auto m = std::dynamic_pointer_cast<MutableURLRequest>(request->mutableCopy());
  for (auto& [k, v] : configuration_->HTTPAdditionalHeaders())
    if (!m->valueForHTTPHeaderField(k)) m->setValueForHTTPHeaderField(v, k);
  if (request->timeoutInterval() == kDefaultURLRequestTimeout)
    m->setTimeoutInterval(configuration_->timeoutIntervalForRequest());
  return m;
}

template <class T>
Ref<T> URLSession::makeTask(const Ref<URLRequest>& request, URLSessionTask::CompletionHandler completion) {
  auto task = rt::make<T>();
  std::lock_guard lock(mutex_);
  if (invalidating_ || invalidated_)
    rt::raise("NSGenericException", "Task created in a session that has been invalidated");
  task->setUp(selfRef(), nextIdentifier_++, request, std::move(completion));
  tasks_.push_back(task);
  return task;
}

Ref<URLSessionDataTask> URLSession::dataTaskWithRequest(const Ref<URLRequest>& request,
                                                        URLSessionTask::CompletionHandler completion) {
  return makeTask<URLSessionDataTask>(prepared(request), std::move(completion));
}

Ref<URLSessionUploadTask> URLSession::uploadTaskWithRequest(const Ref<URLRequest>& request, const Ref<Data>& body,
                                                            URLSessionTask::CompletionHandler completion) {
  auto m = std::static_pointer_cast<MutableURLRequest>(prepared(request));
  m->setHTTPBody(body ? body : Data::create());
  return makeTask<URLSessionUploadTask>(m, std::move(completion));
}

Ref<URLSessionUploadTask> URLSession::uploadTaskWithRequest(const Ref<URLRequest>& request, const String& filePath,
                                                            URLSessionTask::CompletionHandler completion) {
  auto m = std::static_pointer_cast<MutableURLRequest>(prepared(request));
  m->setHTTPBody(nullptr);
  m->setHTTPBodyStream(nullptr);
  auto task = makeTask<URLSessionUploadTask>(m, std::move(completion));
  task->bodyFile_ = filePath;
  return task;
}

Ref<URLSessionUploadTask> URLSession::uploadTaskWithStreamedRequest(const Ref<URLRequest>& request) {
  return makeTask<URLSessionUploadTask>(prepared(request), nullptr);
}

Ref<URLSessionDownloadTask> URLSession::downloadTaskWithRequest(const Ref<URLRequest>& request,
                                                                URLSessionTask::DownloadCompletionHandler completion) {
  auto task = makeTask<URLSessionDownloadTask>(prepared(request), nullptr);
  task->download_ = true;
  task->hasCompletion_ = static_cast<bool>(completion);
  task->downloadCompletion_ = std::move(completion);
  return task;
}

Ref<URLSessionDownloadTask> URLSession::downloadTaskWithResumeData(
    const Ref<Data>& resumeData, URLSessionTask::DownloadCompletionHandler completion) {
  Ref<Dictionary> info;
  if (resumeData) {
    info = rt::as<Dictionary>(PropertyListSerialization::propertyListWithData(resumeData, 0, nullptr, nullptr));
  }
  auto text = [&](const char* key) -> std::optional<String> {
    auto s = info ? rt::as<StringObject>(info->objectForKey(key)) : nullptr;
    return s ? std::optional<String>(s->string()) : std::nullopt;
  };
  auto urlText = text("NSURLSessionDownloadURL");
  auto path = text("NSURLSessionResumeInfoLocalPath");
  auto bytes = info ? rt::as<Number>(info->objectForKey("NSURLSessionResumeBytesReceived")) : nullptr;
  Ref<URL> url = urlText ? URL::URLWithString(*urlText) : nullptr;
  auto task = makeTask<URLSessionDownloadTask>(prepared(URLRequest::requestWithURL(url)), nullptr);
  task->download_ = true;
  task->hasCompletion_ = static_cast<bool>(completion);
  task->downloadCompletion_ = std::move(completion);
  if (!url || !path || !bytes || bytes->longLongValue() <= 0) {
    task->resumeDataInvalid_ = true;
  } else {
    task->downloadPath_ = path->utf8();
    task->resumeOffset_ = bytes->longLongValue();
    task->resumeValidator_ = text("NSURLSessionResumeEntityTag").value_or(String());
  }
  return task;
}

void URLSession::getTasksWithCompletionHandler(TasksHandler handler) {
  std::vector<Ref<URLSessionDataTask>> data;
  std::vector<Ref<URLSessionUploadTask>> upload;
  std::vector<Ref<URLSessionDownloadTask>> download;
  {
    std::lock_guard lock(mutex_);
    for (auto& t : tasks_) {
      if (t->state() == URLSessionTaskState::Completed) continue;
      if (auto u = std::dynamic_pointer_cast<URLSessionUploadTask>(t)) {
        upload.push_back(u);
      } else if (auto d = std::dynamic_pointer_cast<URLSessionDataTask>(t)) {
        data.push_back(d);
      } else if (auto l = std::dynamic_pointer_cast<URLSessionDownloadTask>(t)) {
        download.push_back(l);
      }
    }
  }
  queue_->addOperationWithBlock(
      [handler = std::move(handler), data, upload, download] { handler(data, upload, download); });
}

void URLSession::finishTasksAndInvalidate() {
  std::lock_guard lock(mutex_);
  invalidating_ = true;
  invalidateIfDone();
}

void URLSession::invalidateAndCancel() {
  std::vector<Ref<URLSessionTask>> tasks;
  {
    std::lock_guard lock(mutex_);
    invalidating_ = true;
    tasks = tasks_;
  }
  for (auto& t : tasks) t->cancel();
  std::lock_guard lock(mutex_);
  invalidateIfDone();
}

void URLSession::taskCompleted(URLSessionTask* task) {
  std::lock_guard lock(mutex_);
  std::erase_if(tasks_, [task](const Ref<URLSessionTask>& t) { return t.get() == task; });
  invalidateIfDone();
}

void URLSession::invalidateIfDone() {
  if (!invalidating_ || invalidated_ || !tasks_.empty()) return;
  invalidated_ = true;
  auto self = selfRef();
  queue_->addOperationWithBlock([self] {
    auto d = self->delegate();
    if (d && d->respondsToSelector(URLSessionDelegate::kDidBecomeInvalidWithError))
      d->didBecomeInvalidWithError(self, nullptr);
    // The session lets go of its delegate once invalid.
    std::lock_guard lock(self->mutex_);
    self->delegate_.reset();
  });
}

}  // namespace fd
