#pragma once
// Loads a list of image URLs into the image cache ahead of need, a few at a time and at low
// priority, through a manager of its own (sharing the image cache and the downloader). Its
// counters and blocks belong to the main thread (the default prefetcher queue).
#include <cstdint>
#include <functional>
#include <vector>

#include "image/web/WIWebImageManager.h"
#include "platform/dispatch/Queue.h"

namespace image {

class WIWebImagePrefetcher;

/// Both operations optional (respondsToSelector), registered with `implement`.
class WIWebImagePrefetcherDelegate : public rt::Object {
  RT_CLASS(WIWebImagePrefetcherDelegate, rt::Object)
 public:
  static constexpr const char* kDidPrefetchURL = "imagePrefetcher:didPrefetchURL:finishedCount:totalCount:";
  static constexpr const char* kDidFinish = "imagePrefetcher:didFinishWithTotalCount:skippedCount:";
  static void implement(rt::Class& cls, std::initializer_list<const char*> selectors);

  virtual void didPrefetchURL(WIWebImagePrefetcher&, const rt::Id& url, uint64_t finished, uint64_t total) {
    (void)url, (void)finished, (void)total;
  }
  virtual void didFinish(WIWebImagePrefetcher&, uint64_t total, uint64_t skipped) { (void)total, (void)skipped; }
};

using WIPrefetcherProgressBlock = std::function<void(uint64_t finishedCount, uint64_t totalCount)>;
using WIPrefetcherCompletionBlock = std::function<void(uint64_t finishedCount, uint64_t skippedCount)>;

class WIWebImagePrefetcher : public rt::Object {
  RT_CLASS(WIWebImagePrefetcher, rt::Object)
 public:
  /// The shared prefetcher; making it sets the shared downloader to 3 downloads at once.
  static Ref<WIWebImagePrefetcher> sharedImagePrefetcher();
  void init();
  static Ref<WIWebImagePrefetcher> create() { return rt::make<WIWebImagePrefetcher>(); }

  /// Replaces any prefetch under way (whose completion is then never called).
  void prefetchURLs(const std::vector<rt::Id>& urls, WIPrefetcherProgressBlock progress = nullptr,
                    WIPrefetcherCompletionBlock completion = nullptr);
  void startPrefetchingAtIndex(uint64_t index);
  void reportStatus();
  void cancelPrefetching();

  const Ref<WIWebImageManager>& manager() const { return manager_; }
  uint64_t maxConcurrentDownloads() const { return uint64_t(manager_->imageDownloader()->maxConcurrentDownloads()); }
  void setMaxConcurrentDownloads(uint64_t count) { manager_->imageDownloader()->setMaxConcurrentDownloads(int64_t(count)); }
  WIManagerOptions options() const { return options_; }
  void setOptions(WIManagerOptions options) { options_ = options; }
  const Ref<dispatch::Queue>& prefetcherQueue() const { return prefetcherQueue_; }
  void setPrefetcherQueue(Ref<dispatch::Queue> queue) { prefetcherQueue_ = std::move(queue); }
  Ref<WIWebImagePrefetcherDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const Ref<WIWebImagePrefetcherDelegate>& delegate) { delegate_ = delegate; }
  const std::vector<rt::Id>& prefetchURLs() const { return urls_; }
  uint64_t requestedCount() const { return requested_; }
  uint64_t skippedCount() const { return skipped_; }
  uint64_t finishedCount() const { return finished_; }
  /// When the current prefetch began, in seconds since 2001 (the platform reference date).
  double startedTime() const { return startedTime_; }

 private:
  Ref<WIWebImageManager> manager_;
  WIManagerOptions options_ = WIManagerLowPriority;
  Ref<dispatch::Queue> prefetcherQueue_;
  Weak<WIWebImagePrefetcherDelegate> delegate_;
  std::vector<rt::Id> urls_;
  uint64_t requested_ = 0, skipped_ = 0, finished_ = 0;
  // Moves with every new list or cancel: starts queued for an earlier list are dropped.
  uint64_t generation_ = 0;
  double startedTime_ = 0;
  WIPrefetcherCompletionBlock completion_;
  WIPrefetcherProgressBlock progress_;
};

}  // namespace image
