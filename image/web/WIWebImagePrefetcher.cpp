#include "image/web/WIWebImagePrefetcher.h"

#include "platform/dispatch/Clock.h"
#include "platform/dispatch/MainQueue.h"

namespace image {

RT_IMPLEMENT(WIWebImagePrefetcherDelegate) {}

void WIWebImagePrefetcherDelegate::implement(rt::Class& cls, std::initializer_list<const char*> selectors) {
  for (const char* s : selectors)
    cls.addOwnMethod(rt::Selector::named(s), [](rt::Object*, const std::vector<rt::Value>&) { return rt::Value(); }, "v");
}

RT_IMPLEMENT(WIWebImagePrefetcher) {}

Ref<WIWebImagePrefetcher> WIWebImagePrefetcher::sharedImagePrefetcher() {
  static Ref<WIWebImagePrefetcher> shared = rt::make<WIWebImagePrefetcher>();
  return shared;
}

void WIWebImagePrefetcher::init() {
  manager_ = WIWebImageManager::create();
  setMaxConcurrentDownloads(3);
  options_ = WIManagerLowPriority;
  prefetcherQueue_ = dispatch::mainQueue();
}

void WIWebImagePrefetcher::prefetchURLs(const std::vector<rt::Id>& urls, WIPrefetcherProgressBlock progress,
                                        WIPrefetcherCompletionBlock completion) {
  cancelPrefetching();
  startedTime_ = dispatch::now() - 978307200.0;  // the platform reference date, 2001
  urls_ = urls;
  completion_ = std::move(completion);
  progress_ = std::move(progress);
  if (urls_.empty()) {
    if (completion_) completion_(0, 0);
    return;
  }
  for (uint64_t i = 0; i < maxConcurrentDownloads() && requested_ < urls_.size(); ++i) startPrefetchingAtIndex(i);
}

void WIWebImagePrefetcher::startPrefetchingAtIndex(uint64_t index) {
  if (index >= urls_.size()) return;
  ++requested_;
  auto self = std::static_pointer_cast<WIWebImagePrefetcher>(shared_from_this());
  const uint64_t generation = generation_;
  manager_->downloadImageWithURL(
      urls_[index], options_, nullptr,
      [self, index, generation](Ref<gfx::Image> image, Ref<fd::Error>, WICacheType, bool finished, Ref<fd::URL>) {
        if (!finished || generation != self->generation_) return;
        ++self->finished_;
        const uint64_t total = self->urls_.size();
        if (self->progress_) self->progress_(self->finished_, total);
        if (!image) ++self->skipped_;
        auto delegate = self->delegate_.lock();
        if (delegate && delegate->respondsToSelector(WIWebImagePrefetcherDelegate::kDidPrefetchURL))
          delegate->didPrefetchURL(*self, self->urls_[index], self->finished_, total);
        if (total > self->requested_) {
          self->prefetcherQueue_->async([self, generation] {
            if (generation == self->generation_) self->startPrefetchingAtIndex(self->requested_);
          });
        } else if (self->finished_ == self->requested_) {
          self->reportStatus();
          if (self->completion_) {
            auto completion = std::move(self->completion_);
            self->completion_ = nullptr;
            completion(self->finished_, self->skipped_);
          }
          self->progress_ = nullptr;
        }
      });
}

void WIWebImagePrefetcher::reportStatus() {
  auto delegate = delegate_.lock();
  if (delegate && delegate->respondsToSelector(WIWebImagePrefetcherDelegate::kDidFinish))
    delegate->didFinish(*this, urls_.size() - skipped_, skipped_);
}

void WIWebImagePrefetcher::cancelPrefetching() {
  ++generation_;
  urls_.clear();
  requested_ = skipped_ = finished_ = 0;
  manager_->cancelAll();
}

}  // namespace image
