#pragma once
// The older entry names of the highlighted-image binding; each only forwards.
#include "image/web/ImageView+HighlightedWebCache.h"

namespace image {

void setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url);
void setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIManagerOptions options);
void setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WILegacyCompletedBlock completed);
void setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIManagerOptions options,
                                WILegacyCompletedBlock completed);
void setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIManagerOptions options,
                                WIDownloaderProgressBlock progress, WILegacyCompletedBlock completed);
void cancelCurrentHighlightedImageLoad(ui::ImageView& view);

}  // namespace image
