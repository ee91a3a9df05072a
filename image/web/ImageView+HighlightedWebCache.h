#pragma once
// Binds an image view's highlighted image to a URL through the shared image manager. No
// placeholder and no stored URL; the image is set on the main thread.
#include "image/web/WIDownloaderOptions.h"
#include "image/web/WIViewBindingSupport.h"
#include "image/web/WIWebImageManager.h"
#include "platform/ui/controls/ImageView.h"

namespace image {

void wi_setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIManagerOptions options,
                                   WIDownloaderProgressBlock progress, WIViewCompletedBlock completed);
void wi_setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url);
void wi_setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIManagerOptions options);
void wi_setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIViewCompletedBlock completed);
void wi_setHighlightedImageWithURL(ui::ImageView& view, const rt::Id& url, WIManagerOptions options,
                                   WIViewCompletedBlock completed);
void wi_cancelCurrentHighlightedImageLoad(ui::ImageView& view);

}  // namespace image
