#include "image/web/WIWebImageManager.h"

#include <typeinfo>

#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/Thread.h"

namespace image {

namespace {

/// Inline on the main thread, else synchronously on the main queue.
template <class F> void onMainThread(F&& block) {
  if (fd::Thread::isMainThread()) block();
  else dispatch::mainQueue()->sync(std::function<void()>(std::ref(block)));
}

Ref<fd::URL> urlFromArgument(const rt::Id& argument) {
  // Bound to a name first: a typeid operand holding a call would be an evaluated expression.
  if (argument) {
    const auto& value = *argument;
    if (typeid(value) == typeid(fd::URL)) return std::static_pointer_cast<fd::URL>(argument);
  }
  if (auto url = rt::as<fd::URL>(argument)) return url;
  if (auto string = rt::as<fd::StringObject>(argument)) return fd::URL::URLWithString(string->string());
  return nullptr;
}

/// Failures that say nothing about the URL itself: it is tried again next time.
bool isTransient(int64_t code) {
  switch (code) {
    case fd::NSURLErrorNotConnectedToInternet:
    case fd::NSURLErrorCancelled:
    case fd::NSURLErrorTimedOut:
    case fd::NSURLErrorInternationalRoamingOff:
    case fd::NSURLErrorCallIsActive:
    case fd::NSURLErrorDataNotAllowed:
      return true;
    default:
      return false;
  }
}

}  // namespace

WIDownloaderOptions WIDownloaderOptionsFromManagerOptions(WIManagerOptions options) {
  WIDownloaderOptions d = 0;
  if (options & WIManagerLowPriority) d |= WIDownloaderLowPriority;
  if (options & WIManagerProgressive) d |= WIDownloaderProgressive;
  if (options & WIManagerRefreshCached) d |= WIDownloaderUseURLCache;
  if (options & WIManagerContinueInBackground) d |= WIDownloaderContinueInBackground;
  if (options & WIManagerHandleCookies) d |= WIDownloaderHandleCookies;
  if (options & WIManagerAllowInvalidCertificates) d |= WIDownloaderAllowInvalidCertificates;
  if (options & WIManagerHighPriority) d |= WIDownloaderHighPriority;
  return d;
}

RT_IMPLEMENT(WIWebImageManager) {}

Ref<WIWebImageManager> WIWebImageManager::sharedManager() {
  static Ref<WIWebImageManager> shared = rt::make<WIWebImageManager>();
  return shared;
}

void WIWebImageManager::init() {
  imageCache_ = createCache();
  imageDownloader_ = WIWebImageDownloader::sharedDownloader();
}

Ref<WIImageCache> WIWebImageManager::createCache() const { return WIImageCache::sharedImageCache(); }

Ref<WIImageCache> WIWebImageManager::imageCache() const {
  std::lock_guard lock(settingsMutex_);
  return imageCache_;
}

void WIWebImageManager::setImageCache(Ref<WIImageCache> cache) {
  std::lock_guard lock(settingsMutex_);
  imageCache_ = std::move(cache);
}

Ref<WIWebImageDownloader> WIWebImageManager::imageDownloader() const {
  std::lock_guard lock(settingsMutex_);
  return imageDownloader_;
}

void WIWebImageManager::setImageDownloader(Ref<WIWebImageDownloader> downloader) {
  std::lock_guard lock(settingsMutex_);
  imageDownloader_ = std::move(downloader);
}

void WIWebImageManager::setCacheKeyFilter(WIManagerKeyFilterBlock filter) {
  std::lock_guard lock(settingsMutex_);
  cacheKeyFilter_ = std::move(filter);
}

std::optional<fd::String> WIWebImageManager::cacheKeyForURL(const Ref<fd::URL>& url) const {
  WIManagerKeyFilterBlock filter;
  {
    std::lock_guard lock(settingsMutex_);
    filter = cacheKeyFilter_;
  }
  if (filter) return filter(url);
  if (!url) return std::nullopt;
  return url->absoluteString();
}

bool WIWebImageManager::isFailedURL(const Ref<fd::URL>& url) const {
  // Most of the time nothing has failed: skip the key's conversion then.
  if (!url || failedCount_.load(std::memory_order_acquire) == 0) return false;
  std::lock_guard lock(failedMutex_);
  return failedURLs_.count(url->absoluteString().utf8()) != 0;
}

size_t WIWebImageManager::failedURLCount() const {
  std::lock_guard lock(failedMutex_);
  return failedURLs_.size();
}

std::vector<Ref<WIWebImageCombinedOperation>> WIWebImageManager::runningOperations() const {
  std::lock_guard lock(runningMutex_);
  return runningOperations_;
}

bool WIWebImageManager::isRunning() const {
  std::lock_guard lock(runningMutex_);
  return !runningOperations_.empty();
}

void WIWebImageManager::addRunning(const Ref<WIWebImageCombinedOperation>& op) {
  std::lock_guard lock(runningMutex_);
  runningOperations_.push_back(op);
}

void WIWebImageManager::removeRunning(const Ref<WIWebImageCombinedOperation>& op) {
  std::lock_guard lock(runningMutex_);
  auto it = std::find(runningOperations_.begin(), runningOperations_.end(), op);
  if (it != runningOperations_.end()) runningOperations_.erase(it);
}

Ref<WIWebImageCombinedOperation> WIWebImageManager::downloadImageWithURL(const rt::Id& argument,
                                                                         WIManagerOptions options,
                                                                         WIDownloaderProgressBlock progress,
                                                                         WIManagerCompletedBlock completed) {
  Ref<fd::URL> url = urlFromArgument(argument);
  auto op = rt::make<WIWebImageCombinedOperation>();
  const bool failed = isFailedURL(url);
  if (!url || (failed && !(options & WIManagerRetryFailed))) {
    onMainThread([&] {
      completed(nullptr, fd::Error::create(fd::String(fd::NSURLErrorDomain), fd::NSURLErrorFileDoesNotExist),
                WICacheTypeNone, true, url);
    });
    return op;
  }
  addRunning(op);
  Ref<WIImageCache> cache;
  WIManagerKeyFilterBlock filter;
  {
    std::lock_guard lock(settingsMutex_);
    cache = imageCache_;
    filter = cacheKeyFilter_;
  }
  std::optional<fd::String> key = filter ? filter(url) : std::optional<fd::String>(url->absoluteString());
  auto self = std::static_pointer_cast<WIWebImageManager>(shared_from_this());
  // A memory hit answers here, as the query would, without wrapping the answer in a block.
  if (auto cached = cache->imageFromMemoryCacheForKey(key)) {
    cacheAnswered(op, url, options, progress, completed, cached, WICacheTypeMemory);
    return op;
  }
  auto cacheOperation = cache->queryDiskCacheForKey(
      key, [self, op, url, options, progress = std::move(progress), completed = std::move(completed)](
               Ref<gfx::Image> cached, WICacheType type) {
        self->cacheAnswered(op, url, options, progress, completed, cached, type);
      });
  if (cacheOperation) op->setCacheOperation(cacheOperation);
  return op;
}

void WIWebImageManager::cacheAnswered(const Ref<WIWebImageCombinedOperation>& op, const Ref<fd::URL>& url,
                                      WIManagerOptions options, const WIDownloaderProgressBlock& progress,
                                      const WIManagerCompletedBlock& completed, const Ref<gfx::Image>& cached,
                                      WICacheType cacheType) {
  if (op->isCancelled()) {
    removeRunning(op);
    return;
  }
  if (cached && !(options & WIManagerRefreshCached)) {
    onMainThread([&] {
      if (!op->isCancelled()) completed(cached, nullptr, cacheType, true, url);
    });
    removeRunning(op);
    return;
  }
  auto delegate = delegate_.lock();
  if (delegate && delegate->respondsToSelector(WIWebImageManagerDelegate::kShouldDownloadImageForURL) &&
      !delegate->shouldDownloadImageForURL(*this, url)) {
    onMainThread([&] {
      if (op->isCancelled()) return;
      if (cached) completed(cached, nullptr, cacheType, true, url);
      else completed(nullptr, nullptr, WICacheTypeNone, true, url);
    });
    removeRunning(op);
    return;
  }
  if (cached) {
    // A refresh shows what the cache has first; a load cancelled meanwhile (a reused cell)
    // must not show it.
    onMainThread([&] {
      if (!op->isCancelled()) completed(cached, nullptr, cacheType, true, url);
    });
  }
  WIDownloaderOptions downloaderOptions = WIDownloaderOptionsFromManagerOptions(options);
  if (cached && (options & WIManagerRefreshCached)) {
    downloaderOptions &= ~WIDownloaderProgressive;
    downloaderOptions |= WIDownloaderIgnoreCachedResponse;
  }
  auto self = std::static_pointer_cast<WIWebImageManager>(shared_from_this());
  auto token = imageDownloader()->downloadImageWithURL(
      url, downloaderOptions, progress,
      [self, op, url, options, completed, cached](Ref<gfx::Image> image, Ref<fd::Data> data, Ref<fd::Error> error,
                                                  bool finished) {
        self->downloaded(op, url, options, completed, cached, image, data, error, finished);
      });
  Weak<WIWebImageManager> weakSelf = self;
  Weak<WIWebImageCombinedOperation> weakOp = op;
  op->setCancelBlock([token, weakSelf, weakOp] {
    if (token) token->cancel();
    auto manager = weakSelf.lock();
    auto operation = weakOp.lock();
    if (manager && operation) manager->removeRunning(operation);
  });
}

void WIWebImageManager::downloaded(const Ref<WIWebImageCombinedOperation>& op, const Ref<fd::URL>& url,
                                   WIManagerOptions options, const WIManagerCompletedBlock& completed,
                                   const Ref<gfx::Image>& cached, const Ref<gfx::Image>& image,
                                   const Ref<fd::Data>& data, const Ref<fd::Error>& error, bool finished) {
  if (!op->isCancelled()) {
    if (error) {
      // Listed before the caller hears of it, so that a caller asking again from its
      // completion is refused like everyone after it.
      if (!isTransient(error->code())) {
        std::lock_guard lock(failedMutex_);
        failedURLs_.insert(url->absoluteString().utf8());
        failedCount_.store(failedURLs_.size(), std::memory_order_release);
      }
      onMainThread([&] {
        if (!op->isCancelled()) completed(nullptr, error, WICacheTypeNone, finished, url);
      });
    } else {
      if (options & WIManagerRetryFailed) {
        std::lock_guard lock(failedMutex_);
        failedURLs_.erase(url->absoluteString().utf8());
        failedCount_.store(failedURLs_.size(), std::memory_order_release);
      }
      const bool refreshAnsweredByURLCache = (options & WIManagerRefreshCached) && cached && !image;
      if (!refreshAnsweredByURLCache) {
        const bool toDisk = !(options & WIManagerMemoryCacheOnly);
        const auto key = cacheKeyForURL(url);
        auto delegate = delegate_.lock();
        const bool transform = image && (image->images().empty() || (options & WIManagerTransformAnimatedImages)) &&
                               delegate &&
                               delegate->respondsToSelector(WIWebImageManagerDelegate::kTransformDownloadedImage);
        if (transform) {
          auto self = std::static_pointer_cast<WIWebImageManager>(shared_from_this());
          dispatch::globalQueue(dispatch::kPriorityHigh)->async([self, delegate, op, url, completed, image, data, key,
                                                                 toDisk, finished] {
            auto transformed = delegate->transformDownloadedImage(*self, image, url);
            if (transformed && finished) {
              const bool same = transformed->isEqual(image.get());
              self->imageCache()->storeImage(transformed, !same, same ? data : nullptr, key, toDisk);
            }
            onMainThread([&] {
              if (!op->isCancelled()) completed(transformed, nullptr, WICacheTypeNone, finished, url);
            });
          });
        } else {
          if (image && finished) imageCache()->storeImage(image, false, data, key, toDisk);
          onMainThread([&] {
            if (!op->isCancelled()) completed(image, nullptr, WICacheTypeNone, finished, url);
          });
        }
      }
    }
  }
  if (finished) removeRunning(op);
}

Ref<WIWebImageCombinedOperation> WIWebImageManager::downloadWithURL(const rt::Id& url, WIManagerOptions options,
                                                                    WIDownloaderProgressBlock progress,
                                                                    WILegacyManagerCompletedBlock completed) {
  return downloadImageWithURL(url, options, std::move(progress),
                              [completed](Ref<gfx::Image> image, Ref<fd::Error> error, WICacheType type, bool finished,
                                          Ref<fd::URL>) {
                                if (completed) completed(image, error, type, finished);
                              });
}

void WIWebImageManager::saveImageToCache(const Ref<gfx::Image>& image, const Ref<fd::URL>& url) {
  if (!image || !url) return;
  imageCache()->storeImage(image, cacheKeyForURL(url), true);
}

bool WIWebImageManager::cachedImageExistsForURL(const Ref<fd::URL>& url) const {
  auto key = cacheKeyForURL(url);
  if (imageCache()->imageFromMemoryCacheForKey(key)) return true;
  return imageCache()->diskImageExistsWithKey(key);
}

bool WIWebImageManager::diskImageExistsForURL(const Ref<fd::URL>& url) const {
  return imageCache()->diskImageExistsWithKey(cacheKeyForURL(url));
}

void WIWebImageManager::cachedImageExistsForURL(const Ref<fd::URL>& url, std::function<void(bool)> completion) {
  auto key = cacheKeyForURL(url);
  if (imageCache()->imageFromMemoryCacheForKey(key)) {
    if (completion) dispatch::mainQueue()->async([completion] { completion(true); });
    return;
  }
  imageCache()->diskImageExistsWithKey(key, [completion](bool exists) {
    if (completion) completion(exists);
  });
}

void WIWebImageManager::diskImageExistsForURL(const Ref<fd::URL>& url, std::function<void(bool)> completion) {
  imageCache()->diskImageExistsWithKey(cacheKeyForURL(url), [completion](bool exists) {
    if (completion) completion(exists);
  });
}

void WIWebImageManager::cancelAll() {
  std::vector<Ref<WIWebImageCombinedOperation>> copy;
  {
    std::lock_guard lock(runningMutex_);
    copy = runningOperations_;
  }
  // Outside the lock: each cancel block removes its load from the list itself.
  for (const auto& op : copy) op->cancel();
  std::lock_guard lock(runningMutex_);
  std::erase_if(runningOperations_, [&](const Ref<WIWebImageCombinedOperation>& op) {
    return std::find(copy.begin(), copy.end(), op) != copy.end();
  });
}

}  // namespace image
