#include "image/web/ImageView+WebCacheDeprecated.h"

namespace image {

void setImageWithURL(ui::ImageView& view, const rt::Id& url) { wi_setImageWithURL(view, url, nullptr, 0, nullptr, nullptr); }

void setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder) {
  wi_setImageWithURL(view, url, placeholder, 0, nullptr, nullptr);
}

void setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                     WIManagerOptions options) {
  wi_setImageWithURL(view, url, placeholder, options, nullptr, nullptr);
}

void setImageWithURL(ui::ImageView& view, const rt::Id& url, WILegacyCompletedBlock completed) {
  wi_setImageWithURL(view, url, nullptr, 0, nullptr, WIWrapLegacyCompletedBlock(std::move(completed)));
}

void setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                     WILegacyCompletedBlock completed) {
  wi_setImageWithURL(view, url, placeholder, 0, nullptr, WIWrapLegacyCompletedBlock(std::move(completed)));
}

void setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                     WIManagerOptions options, WILegacyCompletedBlock completed) {
  wi_setImageWithURL(view, url, placeholder, options, nullptr, WIWrapLegacyCompletedBlock(std::move(completed)));
}

void setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                     WIManagerOptions options, WIDownloaderProgressBlock progress, WILegacyCompletedBlock completed) {
  wi_setImageWithURL(view, url, placeholder, options, std::move(progress),
                     WIWrapLegacyCompletedBlock(std::move(completed)));
}

rt::Id imageURL(ui::ImageView& view) { return wi_imageURL(view); }
void cancelCurrentImageLoad(ui::ImageView& view) { wi_cancelCurrentImageLoad(view); }
void cancelCurrentArrayLoad(ui::ImageView& view) { wi_cancelCurrentAnimationImagesLoad(view); }
void setAnimationImagesWithURLs(ui::ImageView& view, const std::vector<rt::Id>& urls) {
  wi_setAnimationImagesWithURLs(view, urls);
}

}  // namespace image
