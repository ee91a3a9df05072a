#include "image/web/ImageView+HighlightedWebCache.h"

#include "image/web/View+WebCacheOperation.h"

namespace image {

namespace {
constexpr const char* kHighlightedKey = "highlightedImage";
}

void wi_setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIManagerOptions options,
                                   WIDownloaderProgressBlock progress, WIViewCompletedBlock completed) {
  wi_cancelCurrentHighlightedImageLoad(view);
  if (!url) {
    if (completed) WIRunOnMainSoon([completed] { completed(nullptr, WINilURLError(), WICacheTypeNone, nullptr); });
    return;
  }
  Weak<ui::ImageView> weak = std::static_pointer_cast<ui::ImageView>(view.shared_from_this());
  auto operation = WIWebImageManager::sharedManager()->downloadImageWithURL(
      url, options, std::move(progress),
      [weak, url, completed](Ref<gfx::Image> image, Ref<fd::Error> error, WICacheType type, bool finished,
                             Ref<fd::URL>) {
        if (weak.expired()) return;
        WIRunOnMainNow([&] {
          auto v = weak.lock();
          if (!v) return;
          if (image) {
            v->setHighlightedImage(image);
            v->setNeedsLayout();
          }
          if (completed && finished) completed(image, error, type, url);
        });
      });
  wi_setImageLoadOperation(view, operation, kHighlightedKey);
}

void wi_setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url) {
  wi_setHighlightedImageWithURL(view, url, 0, nullptr, nullptr);
}
void wi_setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIManagerOptions options) {
  wi_setHighlightedImageWithURL(view, url, options, nullptr, nullptr);
}
void wi_setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIViewCompletedBlock completed) {
  wi_setHighlightedImageWithURL(view, url, 0, nullptr, std::move(completed));
}
void wi_setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIManagerOptions options,
                                   WIViewCompletedBlock completed) {
  wi_setHighlightedImageWithURL(view, url, options, nullptr, std::move(completed));
}
void wi_cancelCurrentHighlightedImageLoad(ui::ImageView& view) { wi_cancelImageLoadOperationWithKey(view, kHighlightedKey); }

}  // namespace image
