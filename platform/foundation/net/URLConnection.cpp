#include "platform/foundation/net/URLConnection.h"

#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <future>

#include "platform/foundation/net/CachedURLResponse.h"
#include "platform/foundation/net/URLCache.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopSource.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLCredential.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLLoader.h"
#include "platform/foundation/net/URLResponse.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(URLConnectionDelegate) {}
RT_IMPLEMENT_PLATFORM(URLConnection) {}

void URLConnectionDelegate::implement(rt::Class& cls, std::initializer_list<const char*> selectors) {
  for (const char* s : selectors)
    cls.addOwnMethod(rt::Selector::named(s), [](Object*, const std::vector<rt::Value>&) { return rt::Value(); }, "v");
}

namespace {

constexpr int kMaxRedirects = 16;
// Body bytes received and not yet handed to the delegate, beyond which the transfer pauses
// until the delegate has taken them: a fast sender must not pile a second copy of a large
// body up in the connection's queue.
constexpr size_t kInboxLimit = 1u << 20;

bool isRedirectStatus(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool hasHeader(const URLLoadJob::Headers& headers, const char* name) {
  for (auto& h : headers)
    if (strcasecmp(h.first.c_str(), name) == 0) return true;
  return false;
}

String mimeTypeForExtension(const String& ext) {
  static const std::pair<const char*, const char*> table[] = {
      {"jpg", "image/jpeg"},  {"jpeg", "image/jpeg"}, {"png", "image/png"},         {"gif", "image/gif"},
      {"webp", "image/webp"}, {"tiff", "image/tiff"},  {"tif", "image/tiff"},        {"bmp", "image/bmp"},
      {"ico", "image/x-icon"}, {"txt", "text/plain"},  {"html", "text/html"},        {"htm", "text/html"},
      {"css", "text/css"},    {"js", "text/javascript"}, {"json", "application/json"}, {"xml", "text/xml"},
      {"pdf", "application/pdf"}};
  String lower = ext.lowercaseString();
  for (auto& [e, m] : table)
    if (lower == e) return m;
  return "application/octet-stream";
}

bool isGetWithoutBody(const Ref<URLRequest>& request) {
  String method = request->HTTPMethod();
  return (method.isEmpty() || strcasecmp(method.utf8().c_str(), "GET") == 0) && !request->HTTPBody() &&
         !request->HTTPBodyStream();
}

// The stored answer refreshed by a 304: the server's new validators and freshness replace the
// stored ones, the body and its description stay.
Ref<CachedURLResponse> refreshedByNotModified(const Ref<CachedURLResponse>& stored, const Ref<URLResponse>& reply) {
  auto old = rt::as<HTTPURLResponse>(stored->response());
  auto fresh = rt::as<HTTPURLResponse>(reply);
  if (!old || !fresh) return stored;
  static const char* const kRefreshed[] = {"ETag", "Last-Modified", "Cache-Control", "Expires", "Date"};
  HTTPHeaderList headers;
  for (auto& [k, v] : old->headerFields()) {
    bool replaced = false;
    for (const char* name : kRefreshed)
      replaced |= strcasecmp(k.utf8().c_str(), name) == 0 && fresh->valueForHTTPHeaderField(name).has_value();
    if (!replaced) headers.emplace_back(k, v);
  }
  for (const char* name : kRefreshed)
    if (auto v = fresh->valueForHTTPHeaderField(name)) headers.emplace_back(String(name), *v);
  auto response = HTTPURLResponse::create(old->URL(), old->statusCode(), old->httpVersion(), std::move(headers));
  return rt::make<CachedURLResponse>(response, stored->data(), stored->storagePolicy());
}

Ref<URLResponse> responseForFile(const Ref<URL>& url) {
  struct stat st {};
  int64_t size = ::stat(url->path().utf8().c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
  return rt::make<URLResponse>(url, std::optional<String>(mimeTypeForExtension(url->pathExtension())), size,
                               std::nullopt);
}

}  // namespace

struct URLConnection::Transfer {
  enum class Mode { Normal, Redirect, Auth, NotModified };
  // Written on the loader thread until completion is posted, then read on the owner's.
  Mode mode = Mode::Normal;
  Ref<URL> url;
  String host;
  bool isFile = false;
  bool askAuth = false;
  Ref<URLResponse> response;
  // The shared URL cache when this load may store its answer, and the stored answer a
  // conditional request asked the server about.
  Ref<URLCache> cache;
  Ref<CachedURLResponse> validating;
  // The most body bytes kept for the cache alone; a longer body is not kept (nor stored).
  int64_t cacheLimit = 0;
  Ref<MutableData> held;
  // The body kept for the cache: only for an answer it may store, dropped once it outgrows
  // the cache's entry limit.
  Ref<MutableData> all;
  // Body bytes on their way to the delegate: appended on the loader thread, taken whole on
  // the connection's, so that one hand-off carries whatever arrived meanwhile.
  std::mutex inboxMutex;
  Ref<MutableData> inbox;
  bool refused = false;  // the loader paused the transfer on a full inbox
  int64_t lastSent = 0;
  std::atomic<bool> refusedByDelegate{false};
  std::string message;
};

struct URLConnection::TrustWait {
  std::mutex mutex;
  std::condition_variable cv;
  Ref<URLAuthenticationChallenge> challenge;
  std::optional<Answer> answer;
};

bool URLConnection::init(Ref<URLRequest> request, Ref<URLConnectionDelegate> delegate, bool startImmediately) {
  if (!canHandleRequest(request)) return false;
  original_ = request;
  current_ = std::move(request);
  delegate_ = std::move(delegate);
  if (startImmediately) start();
  return true;
}

URLConnection::~URLConnection() {
  if (job_) URLLoader::shared().cancel(job_);
}

Ref<URLConnection> URLConnection::create(Ref<URLRequest> request, Ref<URLConnectionDelegate> delegate,
                                         bool startImmediately) {
  // Made unstarted, so that start() may hand out references to it.
  auto c = rt::make<URLConnection>(std::move(request), std::move(delegate), false);
  if (c && startImmediately) c->start();
  return c;
}

bool URLConnection::canHandleRequest(const Ref<URLRequest>& request) {
  if (!request || !request->URL()) return false;
  String scheme = request->URL()->scheme().lowercaseString();
  if (scheme == "file") return true;
  return (scheme == "http" || scheme == "https") && request->URL()->host().has_value();
}

void URLConnection::scheduleInRunLoop(const Ref<RunLoop>& runLoop, const String& mode) {
  if (!runLoop) return;
  std::lock_guard lock(mutex_);
  for (auto& [loop, modes] : schedules_) {
    if (loop == runLoop) {
      if (std::find(modes.begin(), modes.end(), mode) == modes.end()) modes.push_back(mode);
      return;
    }
  }
  schedules_.push_back({runLoop, {mode}});
}

void URLConnection::unscheduleFromRunLoop(const Ref<RunLoop>& runLoop, const String& mode) {
  std::lock_guard lock(mutex_);
  for (auto it = schedules_.begin(); it != schedules_.end(); ++it) {
    if (it->first != runLoop) continue;
    std::erase(it->second, mode);
    if (it->second.empty()) schedules_.erase(it);
    return;
  }
}

bool URLConnection::responds(const char* selector) const { return delegate_ && delegate_->respondsToSelector(selector); }

void URLConnection::post(std::function<void(URLConnection&)> block) {
  Ref<RunLoopSource> source;
  bool first;
  {
    std::lock_guard lock(mutex_);
    if (!delivery_) return;
    first = pending_.empty();
    pending_.push_back(std::move(block));
    source = delivery_;
  }
  // One signal per batch: blocks queued before the loop drains ride on the first one's signal.
  if (first) source->signal();
}

void URLConnection::drain() {
  auto self = selfRef();  // a callback may drop the last outside reference
  for (;;) {
    std::vector<std::function<void(URLConnection&)>> blocks;
    {
      std::lock_guard lock(mutex_);
      blocks.swap(pending_);
    }
    if (blocks.empty()) return;
    for (auto& b : blocks) {
      if (cancelled_.load() || state_ == State::Done) return;
      b(*this);
    }
  }
}

void URLConnection::start() {
  if (state_ != State::Created || cancelled_.load()) return;
  state_ = State::Loading;
  keepAlive_ = selfRef();
  {
    std::lock_guard lock(mutex_);
    if (schedules_.empty()) schedules_.push_back({RunLoop::currentRunLoop(), {NSDefaultRunLoopMode}});
    Weak<URLConnection> weak = selfRef();
    delivery_ = RunLoopSource::create(0, [weak] {
      if (auto c = weak.lock()) c->drain();
    });
    for (auto& [loop, modes] : schedules_)
      for (auto& m : modes) loop->addSource(delivery_, m);
  }
  if (responds(URLConnectionDelegate::kWillSendRequest)) {
    post([](URLConnection& c) {
      auto request = c.delegate_->willSendRequest(c.selfRef(), c.current_, nullptr);
      if (c.cancelled_.load() || c.state_ == State::Done) return;
      if (!request) return c.end();
      c.launch(request);
    });
  } else {
    launch(current_);
  }
}

void URLConnection::cancel() {
  if (state_ == State::Done) return;
  cancelled_.store(true);
  if (job_) URLLoader::shared().cancel(job_);
  std::shared_ptr<TrustWait> wait;
  {
    std::lock_guard lock(mutex_);
    wait = pendingTrust_;
  }
  if (wait) wait->cv.notify_all();
  end();
}

void URLConnection::launch(Ref<URLRequest> request) {
  current_ = std::move(request);
  Ref<URL> url = current_->URL();
  if (!url) return fail(makeURLError(NSURLErrorBadURL, nullptr));
  auto t = std::make_shared<Transfer>();
  t->url = url;
  t->host = url->host().value_or(String());
  t->isFile = url->isFileURL();
  t->askAuth = responds(URLConnectionDelegate::kWillSendRequestForAuthenticationChallenge);
  transfer_ = t;

  if (t->isFile) {
    struct stat st {};
    if (::stat(url->path().utf8().c_str(), &st) != 0) {
      post([url](URLConnection& c) { c.fail(makeURLError(NSURLErrorFileDoesNotExist, url)); });
      return;
    }
    if (S_ISDIR(st.st_mode)) {
      post([url](URLConnection& c) { c.fail(makeURLError(NSURLErrorFileIsDirectory, url)); });
      return;
    }
  }

  // GET loads go through the shared URL cache under the request's policy: a usable stored
  // answer is served without asking the server, a stale one that carries validators is
  // checked with a conditional request, and what the server sends is stored.
  const URLRequestCachePolicy policy = current_->cachePolicy();
  if (!t->isFile && isGetWithoutBody(current_) && policy != URLRequestCachePolicy::ReloadIgnoringLocalAndRemoteCacheData) {
    Ref<URLCache> cache = URLCache::sharedURLCache();
    if (auto usable = cache->usableResponseForRequest(current_)) {
      post([usable](URLConnection& c) { c.deliverCached(usable); });
      return;
    }
    if (policy == URLRequestCachePolicy::ReturnCacheDataDontLoad) {
      post([url](URLConnection& c) { c.fail(makeURLError(NSURLErrorResourceUnavailable, url)); });
      return;
    }
    t->cache = cache;
    t->cacheLimit = cache->maximumEntrySize();
    if (policy == URLRequestCachePolicy::UseProtocolCachePolicy || policy == URLRequestCachePolicy::ReloadRevalidatingCacheData)
      t->validating = cache->cachedResponseForRequest(current_);
  }

  auto job = std::make_shared<URLLoadJob>();
  job->url = url->absoluteString().utf8();
  job->method = current_->HTTPMethod().isEmpty() ? "GET" : current_->HTTPMethod().utf8();
  for (auto& [k, v] : current_->headerFields()) {
    // Fields that could split the header block are dropped, never sent.
    if (!isValidHeaderName(k) || !isValidHeaderValue(v)) continue;
    job->headers.emplace_back(k.utf8(), v.utf8());
  }
  if (auto body = current_->HTTPBody()) {
    job->body = body->vector();
  } else if (auto stream = current_->HTTPBodyStream()) {
    // Pulled on the loader thread as the transfer needs bytes, never read whole.
    job->bodyReader = [stream](uint8_t* buffer, size_t max) -> int64_t {
      if (stream->streamStatus() == StreamStatus::NotOpen) stream->open();
      if (stream->streamStatus() == StreamStatus::AtEnd) return 0;
      return stream->read(buffer, max);
    };
    if (auto length = current_->valueForHTTPHeaderField("Content-Length")) {
      job->bodyLength = std::strtoll(length->utf8().c_str(), nullptr, 10);
      std::erase_if(job->headers, [](auto& h) { return strcasecmp(h.first.c_str(), "Content-Length") == 0; });
    }
  }
  if (auto stored = t->validating ? rt::as<HTTPURLResponse>(t->validating->response()) : nullptr) {
    // The caller's own conditions win; without any validator there is nothing to ask.
    auto etag = stored->valueForHTTPHeaderField("ETag");
    auto modified = stored->valueForHTTPHeaderField("Last-Modified");
    if (etag && !hasHeader(job->headers, "If-None-Match")) job->headers.emplace_back("If-None-Match", etag->utf8());
    if (modified && !hasHeader(job->headers, "If-Modified-Since"))
      job->headers.emplace_back("If-Modified-Since", modified->utf8());
    if (!etag && !modified) t->validating = nullptr;
  }
  double timeout = current_->timeoutInterval();
  job->idleTimeout = timeout > 0 ? timeout : kDefaultURLRequestTimeout;
  if (credential_ && credential_->user()) {
    job->user = credential_->user()->utf8();
    job->password = credential_->password().value_or(String()).utf8();
  }

  Weak<URLConnection> weak = selfRef();
  bool wantsSent = responds(URLConnectionDelegate::kDidSendBodyData);
  job->onResponse = [weak, t](long status, const std::string& version, const URLLoadJob::Headers& headers) {
    auto self = weak.lock();
    if (!self) return;
    // Where body bytes go is settled here; the response object is made on the connection's
    // thread, which keeps the transfer engine's share of each request small.
    if (!t->isFile) {
      if (status == 304 && t->validating) {
        t->mode = Transfer::Mode::NotModified;
      } else if (isRedirectStatus(status) && hasHeader(headers, "Location")) {
        t->mode = Transfer::Mode::Redirect;
      } else if (status == 401 && t->askAuth && hasHeader(headers, "WWW-Authenticate")) {
        t->mode = Transfer::Mode::Auth;
      }
    }
    if (t->mode != Transfer::Mode::Normal) t->held = MutableData::create();
    else if (t->cache && t->cache->mayStoreAnswer(status, headers)) t->all = MutableData::create();
    // The fields become text here, once: the block takes them over instead of a copy.
    HTTPHeaderList list;
    list.reserve(headers.size());
    for (auto& [k, v] : headers) list.emplace_back(String(std::string_view(k)), String(std::string_view(v)));
    self->post([t, status, version, list = std::move(list)](URLConnection& c) mutable {
      if (t->isFile) {
        t->response = responseForFile(t->url);
      } else {
        t->response = HTTPURLResponse::create(t->url, status, String(version.c_str()), std::move(list));
      }
      if (t->mode == Transfer::Mode::Normal) c.receiveResponse(t->response);
    });
  };
  job->onData = [weak, t](const char* bytes, size_t length) {
    if (t->mode != Transfer::Mode::Normal) {
      t->held->appendBytes(bytes, length);
      return true;
    }
    auto self = weak.lock();
    if (!self) return true;
    bool first = false;
    {
      std::lock_guard lock(t->inboxMutex);
      if (t->inbox && t->inbox->length() >= kInboxLimit) {
        t->refused = true;
        return false;
      }
      if (!t->inbox) {
        t->inbox = MutableData::create();
        first = true;
      }
      t->inbox->appendBytes(bytes, length);
    }
    if (t->all) {
      if (t->all->length() + length > static_cast<size_t>(t->cacheLimit)) t->all = nullptr;
      else t->all->appendBytes(bytes, length);
    }
    if (first) self->post([t](URLConnection& c) { c.deliverInbox(t); });
    return true;
  };
  if (wantsSent) {
    job->onSent = [weak, t](int64_t sent, int64_t total) {
      auto self = weak.lock();
      if (!self) return;
      int64_t delta = sent - t->lastSent;
      t->lastSent = sent;
      self->post([delta, sent, total](URLConnection& c) {
        c.delegate_->didSendBodyData(c.selfRef(), delta, sent, total);
      });
    };
  }
  job->onTrust = [weak, t, askAuth = t->askAuth, limit = job->idleTimeout](
                     const std::vector<std::vector<uint8_t>>& chain, X509_STORE_CTX* ctx) {
    std::string host = t->host.utf8();
    auto self = weak.lock();
    if (!self || !askAuth) return URLLoader::verifyDefault(ctx, host);
    std::vector<Ref<Data>> certificates;
    for (auto& der : chain) certificates.push_back(Data::create(der.data(), der.size()));
    auto space = rt::make<URLProtectionSpace>(t->host, t->url->port().value_or(443), String("https"), std::nullopt,
                                              String(NSURLAuthenticationMethodServerTrust));
    space->setServerTrust(makeServerTrust(certificates, t->host), certificates);
    std::shared_ptr<URLAuthenticationChallengeSender> sender(self, static_cast<URLAuthenticationChallengeSender*>(self.get()));
    auto challenge = rt::make<URLAuthenticationChallenge>(space, 0, nullptr, sender);
    auto wait = std::make_shared<TrustWait>();
    wait->challenge = challenge;
    {
      std::lock_guard lock(self->mutex_);
      self->pendingTrust_ = wait;
    }
    self->post([challenge](URLConnection& c) {
      c.delegate_->willSendRequestForAuthenticationChallenge(c.selfRef(), challenge);
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(limit);
    std::optional<Answer> answer;
    {
      std::unique_lock lock(wait->mutex);
      while (!wait->answer && !self->cancelled_.load() && std::chrono::steady_clock::now() < deadline)
        wait->cv.wait_for(lock, std::chrono::milliseconds(50));
      answer = wait->answer;
    }
    {
      std::lock_guard lock(self->mutex_);
      if (self->pendingTrust_ == wait) self->pendingTrust_.reset();
    }
    if (!answer) return false;
    switch (*answer) {
      case Answer::UseCredential: return true;
      case Answer::Cancel: t->refusedByDelegate.store(true); return false;
      case Answer::Continue:
      case Answer::Default: return URLLoader::verifyDefault(ctx, host);
    }
    return false;
  };
  job->onComplete = [weak, t](int64_t code, const std::string& message) {
    t->message = message;
    if (auto self = weak.lock()) self->post([t, code](URLConnection& c) { c.complete(t, code); });
  };
  job_ = job;
  URLLoader::shared().start(job);
}

void URLConnection::deliverInbox(const std::shared_ptr<Transfer>& t) {
  Ref<MutableData> data;
  bool refused;
  {
    std::lock_guard lock(t->inboxMutex);
    data = std::move(t->inbox);
    refused = std::exchange(t->refused, false);
  }
  if (data && responds(URLConnectionDelegate::kDidReceiveData)) delegate_->didReceiveData(selfRef(), data);
  if (refused && job_ && !cancelled_.load()) URLLoader::shared().resume(job_);
}

void URLConnection::receiveResponse(const Ref<URLResponse>& response) {
  if (responds(URLConnectionDelegate::kDidReceiveResponse)) delegate_->didReceiveResponse(selfRef(), response);
}

void URLConnection::complete(const std::shared_ptr<Transfer>& t, int64_t code) {
  bool trustRefused = job_ && job_->trustRefused.load();
  job_.reset();
  if (code != 0) {
    int64_t urlCode = code;
    if (trustRefused) urlCode = t->refusedByDelegate.load() ? NSURLErrorCancelled : NSURLErrorServerCertificateUntrusted;
    auto underlying = Error::withDescription("kCFErrorDomainCFNetwork", urlCode, String(t->message.c_str()));
    return fail(makeURLError(urlCode, t->url, underlying));
  }
  switch (t->mode) {
    case Transfer::Mode::Redirect: return followRedirect(t);
    case Transfer::Mode::Auth: return challengeHTTP(t);
    case Transfer::Mode::Normal: return finishLoading(t);
    case Transfer::Mode::NotModified: {
      auto refreshed = refreshedByNotModified(t->validating, t->response);
      // The server may now forbid keeping what it let us keep before.
      if (URLCache::isStorable(refreshed->response())) t->cache->storeCachedResponse(refreshed, current_);
      else t->cache->removeCachedResponseForRequest(current_);
      return deliverCached(refreshed);
    }
  }
}

void URLConnection::deliverCached(const Ref<CachedURLResponse>& cached) {
  // Answered by the URL cache: the delegate hears the stored response and body, and is not
  // asked whether to cache them again.
  receiveResponse(cached->response());
  if (cancelled_.load() || state_ == State::Done) return;
  auto data = cached->data();
  if (data && data->length() && responds(URLConnectionDelegate::kDidReceiveData)) {
    delegate_->didReceiveData(selfRef(), data);
    if (cancelled_.load() || state_ == State::Done) return;
  }
  if (responds(URLConnectionDelegate::kDidFinishLoading)) delegate_->connectionDidFinishLoading(selfRef());
  end();
}

void URLConnection::finishLoading(const std::shared_ptr<Transfer>& t) {
  // Only an answer the cache may store is offered, to the delegate as to the cache (the copy
  // is gone when the body outgrew the cache's largest entry).
  if (t->cache && t->all && URLCache::isStorable(t->response)) {
    Ref<CachedURLResponse> cached = rt::make<CachedURLResponse>(t->response, t->all);
    if (responds(URLConnectionDelegate::kWillCacheResponse)) {
      cached = delegate_->willCacheResponse(selfRef(), cached);
      if (cancelled_.load()) return;
    }
    if (cached) t->cache->storeCachedResponse(cached, current_);
  }
  if (responds(URLConnectionDelegate::kDidFinishLoading)) delegate_->connectionDidFinishLoading(selfRef());
  end();
}

void URLConnection::deliverHeld(const std::shared_ptr<Transfer>& t) {
  receiveResponse(t->response);
  if (cancelled_.load() || state_ == State::Done) return;
  if (t->held && t->held->length() && responds(URLConnectionDelegate::kDidReceiveData)) {
    delegate_->didReceiveData(selfRef(), Data::create(t->held->vector()));
    if (cancelled_.load() || state_ == State::Done) return;
  }
  t->all = t->held;
  finishLoading(t);
}

void URLConnection::followRedirect(const std::shared_ptr<Transfer>& t) {
  if (++redirects_ > kMaxRedirects) return fail(makeURLError(NSURLErrorHTTPTooManyRedirects, t->url));
  auto http = rt::as<HTTPURLResponse>(t->response);
  auto location = http->valueForHTTPHeaderField("Location");
  Ref<URL> next = URL::URLWithString(*location, t->url);
  if (!next) return fail(makeURLError(NSURLErrorRedirectToNonExistentLocation, t->url));
  auto request = rt::as<MutableURLRequest>(current_->mutableCopy());
  request->setURL(next->absoluteURL());
  int64_t status = http->statusCode();
  bool toGet = status == 303 || ((status == 301 || status == 302) && current_->HTTPMethod() == "POST");
  if (toGet && current_->HTTPMethod() != "HEAD") {
    request->setHTTPMethod("GET");
    request->setHTTPBody(nullptr);
    request->setValueForHTTPHeaderField(std::nullopt, "Content-Type");
    request->setValueForHTTPHeaderField(std::nullopt, "Content-Length");
  }
  Ref<URLRequest> chosen = request;
  if (responds(URLConnectionDelegate::kWillSendRequest)) {
    chosen = delegate_->willSendRequest(selfRef(), request, t->response);
    if (cancelled_.load() || state_ == State::Done) return;
  }
  if (!chosen) return deliverHeld(t);
  launch(chosen);
}

void URLConnection::challengeHTTP(const std::shared_ptr<Transfer>& t) {
  auto http = rt::as<HTTPURLResponse>(t->response);
  String header = http->valueForHTTPHeaderField("WWW-Authenticate").value_or(String());
  auto space = URLProtectionSpace::forServerChallenge(t->url, header);
  std::shared_ptr<URLAuthenticationChallengeSender> sender(selfRef(), static_cast<URLAuthenticationChallengeSender*>(this));
  auto challenge = rt::make<URLAuthenticationChallenge>(space, authFailures_, t->response, sender);
  {
    std::lock_guard lock(mutex_);
    pendingHTTPChallenge_ = challenge;
  }
  delegate_->willSendRequestForAuthenticationChallenge(selfRef(), challenge);
}

void URLConnection::answer(const Ref<URLAuthenticationChallenge>& challenge, Answer a,
                           const Ref<URLCredential>& credential) {
  std::shared_ptr<TrustWait> trust;
  bool http = false;
  {
    std::lock_guard lock(mutex_);
    if (pendingTrust_ && pendingTrust_->challenge == challenge) trust = pendingTrust_;
    if (pendingHTTPChallenge_ && pendingHTTPChallenge_ == challenge) {
      pendingHTTPChallenge_.reset();
      http = true;
    }
  }
  if (trust) {
    std::lock_guard lock(trust->mutex);
    trust->answer = (a == Answer::UseCredential && !(credential && credential->isForTrust())) ? Answer::Default : a;
    trust->cv.notify_all();
    return;
  }
  if (!http) return;
  post([a, credential](URLConnection& c) {
    auto t = c.transfer_;
    switch (a) {
      case Answer::UseCredential:
        if (credential && credential->user()) {
          c.credential_ = credential;
          ++c.authFailures_;
          return c.launch(c.current_);
        }
        return c.deliverHeld(t);
      case Answer::Continue:
      case Answer::Default: return c.deliverHeld(t);
      case Answer::Cancel: return c.fail(makeURLError(NSURLErrorUserCancelledAuthentication, t->url));
    }
  });
}

void URLConnection::useCredential(const Ref<URLCredential>& credential, const Ref<URLAuthenticationChallenge>& ch) {
  answer(ch, Answer::UseCredential, credential);
}
void URLConnection::continueWithoutCredential(const Ref<URLAuthenticationChallenge>& ch) {
  answer(ch, Answer::Continue, nullptr);
}
void URLConnection::cancelAuthenticationChallenge(const Ref<URLAuthenticationChallenge>& ch) {
  answer(ch, Answer::Cancel, nullptr);
}
void URLConnection::performDefaultHandling(const Ref<URLAuthenticationChallenge>& ch) {
  answer(ch, Answer::Default, nullptr);
}

void URLConnection::fail(const Ref<Error>& error) {
  if (responds(URLConnectionDelegate::kDidFailWithError)) delegate_->didFailWithError(selfRef(), error);
  end();
}

void URLConnection::end() {
  if (state_ == State::Done) return;
  state_ = State::Done;
  Ref<RunLoopSource> source;
  std::vector<std::pair<Ref<RunLoop>, std::vector<String>>> schedules;
  {
    std::lock_guard lock(mutex_);
    source = std::move(delivery_);
    pending_.clear();
    schedules = schedules_;
    pendingHTTPChallenge_.reset();
  }
  if (source) {
    for (auto& [loop, modes] : schedules)
      for (auto& m : modes) loop->removeSource(source, m);
    source->invalidate();
  }
  delegate_.reset();
  transfer_.reset();
  auto keep = std::move(keepAlive_);  // may be the last reference: released on return
}

// --- the plain asynchronous form ---

namespace {

class AsyncCollector : public URLConnectionDelegate {
  RT_CLASS_NAMED(AsyncCollector, URLConnectionDelegate, "_NSURLConnectionAsyncCollector")
 public:
  Ref<OperationQueue> queue;
  URLConnection::CompletionHandler handler;
  Ref<URLResponse> response;
  Ref<MutableData> data = MutableData::create();

  void didReceiveResponse(const Ref<URLConnection>&, const Ref<URLResponse>& r) override { response = r; }
  void didReceiveData(const Ref<URLConnection>&, const Ref<Data>& d) override { data->appendData(d); }
  void connectionDidFinishLoading(const Ref<URLConnection>&) override {
    deliver(response, Data::create(data->vector()), nullptr);
  }
  void didFailWithError(const Ref<URLConnection>&, const Ref<Error>& error) override { deliver(nullptr, nullptr, error); }

 private:
  void deliver(Ref<URLResponse> r, Ref<Data> d, Ref<Error> e) {
    auto h = handler;
    if (!queue) return h(r, d, e);
    queue->addOperationWithBlock([h, r, d, e] { h(r, d, e); });
  }
};

RT_IMPLEMENT_PLATFORM(AsyncCollector) {
  URLConnectionDelegate::implement(c.cls(), {URLConnectionDelegate::kDidReceiveResponse,
                                             URLConnectionDelegate::kDidReceiveData,
                                             URLConnectionDelegate::kDidFinishLoading,
                                             URLConnectionDelegate::kDidFailWithError});
}

// The thread whose run loop serves connections that have no thread of their own.
Ref<RunLoop> connectionRunLoop() {
  static Ref<RunLoop> loop = [] {
    std::promise<Ref<RunLoop>> made;
    auto future = made.get_future();
    Thread::detachNewThread([&made] {
      Thread::currentThread()->setName("com.kestrel.url-connection");
      auto rl = RunLoop::currentRunLoop();
      rl->addSource(Port::port(), NSDefaultRunLoopMode);
      made.set_value(rl);
      for (;;) rl->runInMode(NSDefaultRunLoopMode, 1e9, false);
    });
    return future.get();
  }();
  return loop;
}

}  // namespace

void URLConnection::sendAsynchronousRequest(const Ref<URLRequest>& request, const Ref<OperationQueue>& queue,
                                            CompletionHandler handler) {
  auto collector = rt::make<AsyncCollector>();
  collector->queue = queue;
  collector->handler = std::move(handler);
  auto connection = create(request, collector, false);
  if (!connection) {
    auto error = makeURLError(NSURLErrorBadURL, request ? request->URL() : nullptr);
    collector->didFailWithError(nullptr, error);
    return;
  }
  auto loop = connectionRunLoop();
  connection->scheduleInRunLoop(loop, NSDefaultRunLoopMode);
  loop->performInModes({NSDefaultRunLoopMode}, [connection] { connection->start(); });
}

}  // namespace fd
