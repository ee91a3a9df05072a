#include "image/web/ImageView+HighlightedWebCacheDeprecated.h"

namespace image {

void setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url) {
  wi_setHighlightedImageWithURL(view, url, 0, nullptr, nullptr);
}
void setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIManagerOptions options) {
  wi_setHighlightedImageWithURL(view, url, options, nullptr, nullptr);
}
void setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WILegacyCompletedBlock completed) {
  wi_setHighlightedImageWithURL(view, url, 0, nullptr, WIWrapLegacyCompletedBlock(std::move(completed)));
}
void setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIManagerOptions options,
                                WILegacyCompletedBlock completed) {
  wi_setHighlightedImageWithURL(view, url, options, nullptr, WIWrapLegacyCompletedBlock(std::move(completed)));
}
void setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIManagerOptions options,
                                WIDownloaderProgressBlock progress, WILegacyCompletedBlock completed) {
  wi_setHighlightedImageWithURL(view, url, options, std::move(progress), WIWrapLegacyCompletedBlock(std::move(completed)));
}
void cancelCurrentHighlightedImageLoad(ui::ImageView& view) { wi_cancelCurrentHighlightedImageLoad(view); }

}  // namespace image
