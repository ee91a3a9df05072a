#include "image/web/WIWebImageDownloader.h"

#include <mutex>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLCredential.h"

namespace image {

namespace {
constexpr const char* kBarrierQueueLabel = "com.dolvaring.WIWebImageDownloaderBarrierQueue";
constexpr double kDefaultTimeout = 15.0;

// An activity indicator class, when the program has one, shows while downloads run: its shared
// instance follows the start and stop notifications. Done once, before the first downloader.
void tieActivityIndicator() {
  const rt::Class* indicatorClass = rt::classFromString("WINetworkActivityIndicator");
  const rt::Selector shared = rt::Selector::named("sharedActivityIndicator");
  if (!indicatorClass || !indicatorClass->respondsToClassSelector(shared)) return;
  rt::Id indicator = indicatorClass->metaclass()->invoke(const_cast<rt::Class*>(indicatorClass), shared).object();
  if (!indicator) return;
  auto center = fd::NotificationCenter::defaultCenter();
  center->removeObserver(indicator, fd::String(WIWebImageDownloadStartNotification), nullptr);
  center->removeObserver(indicator, fd::String(WIWebImageDownloadStopNotification), nullptr);
  center->addObserver(indicator, rt::Selector::named("startActivity"), fd::String(WIWebImageDownloadStartNotification),
                      nullptr);
  center->addObserver(indicator, rt::Selector::named("stopActivity"), fd::String(WIWebImageDownloadStopNotification),
                      nullptr);
}

}  // namespace

RT_IMPLEMENT(WIWebImageDownloader) {}

Ref<WIWebImageDownloader> WIWebImageDownloader::sharedDownloader() {
  static Ref<WIWebImageDownloader> shared = rt::make<WIWebImageDownloader>();
  return shared;
}

void WIWebImageDownloader::init() {
  static std::once_flag classSetUp;
  std::call_once(classSetUp, tieActivityIndicator);
  downloadQueue_ = fd::OperationQueue::create("com.dolvaring.WIWebImageDownloader");
  downloadQueue_->setMaxConcurrentOperationCount(6);
  headers_ = {{fd::String("Accept"), fd::String("image/*;q=0.8")}};
  barrierQueue_ = dispatch::Queue::createConcurrent(kBarrierQueueLabel);
}

WIWebImageDownloader::~WIWebImageDownloader() {
  if (downloadQueue_) downloadQueue_->cancelAllOperations();
}

void WIWebImageDownloader::setValueForHTTPHeaderField(const std::optional<fd::String>& value, const fd::String& field) {
  std::lock_guard lock(settingsMutex_);
  auto it = std::find_if(headers_.begin(), headers_.end(), [&](const auto& h) { return h.first == field; });
  if (!value) {
    if (it != headers_.end()) headers_.erase(it);
  } else if (it != headers_.end()) {
    it->second = *value;
  } else {
    headers_.emplace_back(field, *value);
  }
}

std::optional<fd::String> WIWebImageDownloader::valueForHTTPHeaderField(const fd::String& field) const {
  std::lock_guard lock(settingsMutex_);
  for (const auto& [name, value] : headers_)
    if (name == field) return value;
  return std::nullopt;
}

fd::HTTPHeaderList WIWebImageDownloader::HTTPHeaders() const {
  std::lock_guard lock(settingsMutex_);
  return headers_;
}

void WIWebImageDownloader::setHeadersFilter(HeadersFilter filter) {
  std::lock_guard lock(settingsMutex_);
  headersFilter_ = std::move(filter);
}

void WIWebImageDownloader::setUsername(std::optional<fd::String> user) {
  std::lock_guard lock(settingsMutex_);
  username_ = std::move(user);
}

void WIWebImageDownloader::setPassword(std::optional<fd::String> password) {
  std::lock_guard lock(settingsMutex_);
  password_ = std::move(password);
}

void WIWebImageDownloader::setOperationFactory(OperationFactory factory) {
  std::lock_guard lock(settingsMutex_);
  factory_ = std::move(factory);
}

size_t WIWebImageDownloader::callerCount(const Ref<fd::URL>& url) const {
  if (!url) return 0;
  size_t count = 0;
  barrierQueue_->sync([&] {
    auto it = URLCallbacks_.find(url->absoluteString().utf8());
    if (it != URLCallbacks_.end()) count = it->second.callers.size();
  });
  return count;
}

std::vector<WIWebImageDownloader::Caller> WIWebImageDownloader::callersOf(const std::string& url,
                                                                          uint64_t downloadId) const {
  std::vector<Caller> callers;
  barrierQueue_->sync([&] {
    auto it = URLCallbacks_.find(url);
    if (it != URLCallbacks_.end() && it->second.downloadId == downloadId) callers = it->second.callers;
  });
  return callers;
}

Ref<WIWebImageDownloadToken> WIWebImageDownloader::downloadImageWithURL(const Ref<fd::URL>& url,
                                                                        WIDownloaderOptions options,
                                                                        WIDownloaderProgressBlock progress,
                                                                        WIDownloaderCompletedBlock completed) {
  if (!url) {
    if (completed) completed(nullptr, nullptr, nullptr, false);
    return nullptr;
  }
  const std::string key = url->absoluteString().utf8();
  Ref<WIWebImageDownloadToken> token;
  barrierQueue_->syncBarrier([&] {
    auto [it, first] = URLCallbacks_.try_emplace(key);
    Entry& entry = it->second;
    const uint64_t callerId = nextId_++;
    entry.callers.push_back(Caller{callerId, std::move(progress), std::move(completed)});
    if (first) {
      entry.downloadId = nextId_++;
      // Made and queued inside the barrier, so that two requests never make two downloads.
      entry.operation = makeOperation(url, options, entry.downloadId);
    }
    Weak<WIWebImageDownloader> weak = std::static_pointer_cast<WIWebImageDownloader>(shared_from_this());
    token = rt::make<WIWebImageDownloadToken>(weak, key, entry.downloadId, callerId, entry.operation, first);
  });
  return token;
}

Ref<WIWebImageDownloaderOperation> WIWebImageDownloader::makeOperation(const Ref<fd::URL>& url,
                                                                       WIDownloaderOptions options,
                                                                       uint64_t downloadId) {
  const double timeout = downloadTimeout() == 0 ? kDefaultTimeout : downloadTimeout();
  auto request = fd::MutableURLRequest::requestWithURL(
      url,
      (options & WIDownloaderUseURLCache) ? fd::URLRequestCachePolicy::UseProtocolCachePolicy
                                          : fd::URLRequestCachePolicy::ReloadIgnoringLocalCacheData,
      timeout);
  request->setHTTPShouldHandleCookies((options & WIDownloaderHandleCookies) != 0);
  request->setHTTPShouldUsePipelining(true);
  HeadersFilter filter;
  OperationFactory factory;
  std::optional<fd::String> user, password;
  fd::HTTPHeaderList headers;
  {
    std::lock_guard lock(settingsMutex_);
    filter = headersFilter_;
    factory = factory_;
    user = username_;
    password = password_;
    headers = headers_;
  }
  request->setAllHTTPHeaderFields(filter ? filter(url, headers) : headers);

  Weak<WIWebImageDownloader> weak = std::static_pointer_cast<WIWebImageDownloader>(shared_from_this());
  const std::string key = url->absoluteString().utf8();
  auto progressBlock = [weak, key, downloadId](int64_t received, int64_t expected) {
    auto self = weak.lock();
    if (!self) return;
    for (const auto& caller : self->callersOf(key, downloadId))
      if (caller.progress) caller.progress(received, expected);
  };
  auto completedBlock = [weak, key, downloadId](Ref<gfx::Image> image, Ref<fd::Data> data, Ref<fd::Error> error,
                                                bool finished) {
    auto self = weak.lock();
    if (!self) return;
    std::vector<Caller> callers;
    self->barrierQueue_->syncBarrier([&] {
      auto it = self->URLCallbacks_.find(key);
      if (it == self->URLCallbacks_.end() || it->second.downloadId != downloadId) return;
      callers = it->second.callers;
      if (finished) self->URLCallbacks_.erase(it);
    });
    for (const auto& caller : callers)
      if (caller.completed) caller.completed(image, data, error, finished);
  };
  auto cancelledBlock = [weak, key, downloadId] {
    auto self = weak.lock();
    if (!self) return;
    // Only this download's entry: a later request for the URL may already have a new one.
    self->barrierQueue_->asyncBarrier([self, key, downloadId] {
      auto it = self->URLCallbacks_.find(key);
      if (it != self->URLCallbacks_.end() && it->second.downloadId == downloadId) self->URLCallbacks_.erase(it);
    });
  };
  auto operation = factory ? factory(request, options, progressBlock, completedBlock, cancelledBlock)
                           : WIWebImageDownloaderOperation::create(request, options, progressBlock, completedBlock,
                                                                   cancelledBlock);
  operation->setShouldDecompressImages(shouldDecompressImages());
  if (user && password)
    operation->setCredential(fd::URLCredential::credentialWithUser(*user, *password, fd::URLCredentialPersistence::ForSession));
  if (options & WIDownloaderHighPriority) operation->setQueuePriority(fd::OperationQueuePriority::High);
  else if (options & WIDownloaderLowPriority) operation->setQueuePriority(fd::OperationQueuePriority::Low);
  downloadQueue_->addOperation(operation);
  if (executionOrder() == WIDownloaderLIFO) {
    if (auto last = lastAddedOperation_.lock()) last->addDependency(operation);
    lastAddedOperation_ = operation;
  }
  return operation;
}

void WIWebImageDownloader::cancel(const WIWebImageDownloadToken& token) {
  Ref<WIWebImageDownloaderOperation> orphan;
  barrierQueue_->syncBarrier([&] {
    auto it = URLCallbacks_.find(token.url());
    if (it == URLCallbacks_.end() || it->second.downloadId != token.downloadId()) return;
    auto& callers = it->second.callers;
    std::erase_if(callers, [&](const Caller& c) { return c.id == token.callerId(); });
    if (callers.empty()) {
      orphan = it->second.operation;
      URLCallbacks_.erase(it);
    }
  });
  // Outside the barrier: cancelling an operation not yet started runs its cancel block here.
  if (orphan) orphan->cancel();
}

}  // namespace image
