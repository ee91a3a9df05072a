#pragma once
// Turns a request for the image at a URL into one load: the image cache first (memory, then
// disk), a download when it is missing or a refresh is asked for, the result stored in both
// levels and reported on the main thread. URLs whose download failed are refused until a
// caller asks to retry them. Callable from any thread; completions always run on the main
// thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "image/web/WIDownloaderOptions.h"
#include "image/web/WIImageCache.h"
#include "image/web/WIWebImageCombinedOperation.h"
#include "image/web/WIWebImageDownloader.h"
#include "image/web/WIWebImageManagerDelegate.h"

namespace fd {
class URL;
}

namespace image {

using WIManagerOptions = uint64_t;
inline constexpr WIManagerOptions WIManagerRetryFailed = 1 << 0;
inline constexpr WIManagerOptions WIManagerLowPriority = 1 << 1;
inline constexpr WIManagerOptions WIManagerMemoryCacheOnly = 1 << 2;
inline constexpr WIManagerOptions WIManagerProgressive = 1 << 3;
inline constexpr WIManagerOptions WIManagerRefreshCached = 1 << 4;
inline constexpr WIManagerOptions WIManagerContinueInBackground = 1 << 5;
inline constexpr WIManagerOptions WIManagerHandleCookies = 1 << 6;
inline constexpr WIManagerOptions WIManagerAllowInvalidCertificates = 1 << 7;
inline constexpr WIManagerOptions WIManagerHighPriority = 1 << 8;
inline constexpr WIManagerOptions WIManagerPlaceholderOnFailure = 1 << 9;
inline constexpr WIManagerOptions WIManagerTransformAnimatedImages = 1 << 10;
inline constexpr WIManagerOptions WIManagerManualImageSet = 1 << 11;

/// finished is false for the partial images of a progressive download.
using WIManagerCompletedBlock = std::function<void(Ref<gfx::Image> image, Ref<fd::Error> error, WICacheType cacheType,
                                                   bool finished, Ref<fd::URL> imageURL)>;
using WILegacyManagerCompletedBlock =
    std::function<void(Ref<gfx::Image> image, Ref<fd::Error> error, WICacheType cacheType, bool finished)>;
/// Answers the cache key of a URL (the URL may be null); nullopt means no key.
using WIManagerKeyFilterBlock = std::function<std::optional<fd::String>(const Ref<fd::URL>& url)>;

/// The downloader options a load with `options` asks for.
WIDownloaderOptions WIDownloaderOptionsFromManagerOptions(WIManagerOptions options);

class WIWebImageManager : public rt::Object {
  RT_CLASS(WIWebImageManager, rt::Object)
 public:
  /// The shared instance, made on first use.
  static Ref<WIWebImageManager> sharedManager();
  /// The shared image cache and the shared downloader, no failed URLs, nothing running.
  void init();
  static Ref<WIWebImageManager> create() { return rt::make<WIWebImageManager>(); }
  Ref<WIImageCache> createCache() const;

  /// The key of a URL: the filter's answer when a filter is set, else the absolute string.
  std::optional<fd::String> cacheKeyForURL(const Ref<fd::URL>& url) const;

  /// `url` may be a URL or a string (made into a URL); anything else counts as no URL. The
  /// completion is required. Never null.
  Ref<WIWebImageCombinedOperation> downloadImageWithURL(const rt::Id& url, WIManagerOptions options,
                                                        WIDownloaderProgressBlock progress,
                                                        WIManagerCompletedBlock completed);
  /// The older entry: a null block is allowed, the URL is not reported.
  Ref<WIWebImageCombinedOperation> downloadWithURL(const rt::Id& url, WIManagerOptions options,
                                                   WIDownloaderProgressBlock progress,
                                                   WILegacyManagerCompletedBlock completed);

  void saveImageToCache(const Ref<gfx::Image>& image, const Ref<fd::URL>& url);
  bool cachedImageExistsForURL(const Ref<fd::URL>& url) const;
  bool diskImageExistsForURL(const Ref<fd::URL>& url) const;
  /// Answers on the main queue.
  void cachedImageExistsForURL(const Ref<fd::URL>& url, std::function<void(bool)> completion);
  void diskImageExistsForURL(const Ref<fd::URL>& url, std::function<void(bool)> completion);
  void cancelAll();
  bool isRunning() const;

  Ref<WIWebImageManagerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const Ref<WIWebImageManagerDelegate>& delegate) { delegate_ = delegate; }
  Ref<WIImageCache> imageCache() const;
  void setImageCache(Ref<WIImageCache> cache);
  Ref<WIWebImageDownloader> imageDownloader() const;
  void setImageDownloader(Ref<WIWebImageDownloader> downloader);
  void setCacheKeyFilter(WIManagerKeyFilterBlock filter);
  bool isFailedURL(const Ref<fd::URL>& url) const;
  size_t failedURLCount() const;
  std::vector<Ref<WIWebImageCombinedOperation>> runningOperations() const;

 private:
  void addRunning(const Ref<WIWebImageCombinedOperation>& op);
  void removeRunning(const Ref<WIWebImageCombinedOperation>& op);
  void cacheAnswered(const Ref<WIWebImageCombinedOperation>& op, const Ref<fd::URL>& url, WIManagerOptions options,
                     const WIDownloaderProgressBlock& progress, const WIManagerCompletedBlock& completed,
                     const Ref<gfx::Image>& cachedImage, WICacheType cacheType);
  void downloaded(const Ref<WIWebImageCombinedOperation>& op, const Ref<fd::URL>& url, WIManagerOptions options,
                  const WIManagerCompletedBlock& completed, const Ref<gfx::Image>& cachedImage,
                  const Ref<gfx::Image>& image, const Ref<fd::Data>& data, const Ref<fd::Error>& error,
                  bool finished);

  Weak<WIWebImageManagerDelegate> delegate_;
  mutable std::mutex settingsMutex_;
  Ref<WIImageCache> imageCache_;
  Ref<WIWebImageDownloader> imageDownloader_;
  WIManagerKeyFilterBlock cacheKeyFilter_;
  mutable std::mutex failedMutex_;
  std::unordered_set<std::string> failedURLs_;
  std::atomic<size_t> failedCount_{0};
  // Never held while a load is cancelled (cancel blocks take it again).
  mutable std::mutex runningMutex_;
  std::vector<Ref<WIWebImageCombinedOperation>> runningOperations_;
};

}  // namespace image
