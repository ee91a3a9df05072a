#include "image/web/ImageView+WebCache.h"

#include "image/web/View+WebCacheOperation.h"
#include "platform/foundation/values/Array.h"

namespace image {

namespace {

constexpr const char* kImageLoadKey = "UIImageViewImageLoad";
constexpr const char* kAnimationImagesKey = "UIImageViewAnimationImages";

Weak<ui::ImageView> weakOf(ui::ImageView& view) {
  return std::static_pointer_cast<ui::ImageView>(view.shared_from_this());
}

}  // namespace

void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                        WIManagerOptions options, WIDownloaderProgressBlock progress, WIViewCompletedBlock completed) {
  auto table = operationDictionary(view);
  table->cancelEntry(kImageLoadKey);
  table->setImageURL(url);
  Weak<ui::ImageView> weak = weakOf(view);
  const bool showPlaceholder = !(options & WIManagerPlaceholderOnFailure);
  const bool onMain = WIIsMainThread();
  if (showPlaceholder && (!onMain || !url)) {
    WIRunOnMainSoon([weak, placeholder] {
      if (auto v = weak.lock()) v->setImage(placeholder);
    });
  }
  if (!url) {
    if (completed) WIRunOnMainSoon([completed] { completed(nullptr, WINilURLError(), WICacheTypeNone, nullptr); });
    return;
  }
  // On the main thread the placeholder waits until the manager has answered or gone
  // asynchronous: a memory hit answers at once and replaces it before anything is drawn, so
  // it is not set at all then. Whatever the completion sees is the same as if it had been.
  const uint64_t load = showPlaceholder && onMain ? table->beginPlaceholderLoad() : 0;
  auto operation = WIWebImageManager::sharedManager()->downloadImageWithURL(
      url, options, std::move(progress),
      [weak, url, placeholder, options, completed = std::move(completed), table, load](
          Ref<gfx::Image> image, Ref<fd::Error> error, WICacheType type, bool finished, Ref<fd::URL>) {
        if (weak.expired()) return;
        WIRunOnMainNowInline([&] {
          auto v = weak.lock();
          if (!v) return;
          if (load && table->takePendingPlaceholder(load)) {
            if (!image || ((options & WIManagerManualImageSet) && completed)) v->setImage(placeholder);
          }
          if (image && (options & WIManagerManualImageSet) && completed) {
            completed(image, error, type, url);
            return;
          }
          if (image) {
            v->setImage(image);
            v->setNeedsLayout();
          } else if (options & WIManagerPlaceholderOnFailure) {
            v->setImage(placeholder);
            v->setNeedsLayout();
          }
          if (completed && finished) completed(image, error, type, url);
        });
      });
  if (load && table->takePendingPlaceholder(load)) view.setImage(placeholder);
  // The completion may have run already (a memory hit): the finished load still takes the slot.
  table->cancelEntry(kImageLoadKey);
  table->setEntry(kImageLoadKey, operation);
}

void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url) { wi_setImageWithURL(view, url, nullptr, 0, nullptr, nullptr); }

void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder) {
  wi_setImageWithURL(view, url, placeholder, 0, nullptr, nullptr);
}

void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                        WIManagerOptions options) {
  wi_setImageWithURL(view, url, placeholder, options, nullptr, nullptr);
}

void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url, WIViewCompletedBlock completed) {
  wi_setImageWithURL(view, url, nullptr, 0, nullptr, std::move(completed));
}

void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                        WIViewCompletedBlock completed) {
  wi_setImageWithURL(view, url, placeholder, 0, nullptr, std::move(completed));
}

void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                        WIManagerOptions options, WIViewCompletedBlock completed) {
  wi_setImageWithURL(view, url, placeholder, options, nullptr, std::move(completed));
}

void wi_setImageWithPreviousCachedImageWithURL(ui::ImageView& view, const Ref<fd::URL>& url,
                                               const Ref<gfx::Image>& placeholder, WIManagerOptions options,
                                               WIDownloaderProgressBlock progress, WIViewCompletedBlock completed) {
  auto manager = WIWebImageManager::sharedManager();
  auto cached = manager->imageCache()->imageFromDiskCacheForKey(manager->cacheKeyForURL(url));
  wi_setImageWithURL(view, url, cached ? cached : placeholder, options, std::move(progress), std::move(completed));
}

void wi_setAnimationImagesWithURLs(ui::ImageView& view, const std::vector<rt::Id>& urls) {
  wi_cancelCurrentAnimationImagesLoad(view);
  Weak<ui::ImageView> weak = weakOf(view);
  std::vector<rt::Id> operations;
  for (const auto& url : urls) {
    operations.push_back(WIWebImageManager::sharedManager()->downloadImageWithURL(
        url, 0, nullptr, [weak](Ref<gfx::Image> image, Ref<fd::Error>, WICacheType, bool, Ref<fd::URL>) {
          if (weak.expired()) return;
          WIRunOnMainNow([&] {
            auto v = weak.lock();
            if (!v) return;
            v->stopAnimating();
            if (image) {
              auto images = v->animationImages();
              images.push_back(image);
              v->setAnimationImages(std::move(images));
              v->setNeedsLayout();
            }
            v->startAnimating();
          });
        }));
  }
  wi_setImageLoadOperation(view, fd::Array::create(std::move(operations)), kAnimationImagesKey);
}

rt::Id wi_imageURL(ui::ImageView& view) { return operationDictionary(view)->imageURL(); }

void wi_cancelCurrentImageLoad(ui::ImageView& view) { wi_cancelImageLoadOperationWithKey(view, kImageLoadKey); }

void wi_cancelCurrentAnimationImagesLoad(ui::ImageView& view) {
  wi_cancelImageLoadOperationWithKey(view, kAnimationImagesKey);
}

}  // namespace image
