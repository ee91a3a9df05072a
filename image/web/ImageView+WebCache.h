#pragma once
// Binds an image view's picture to a URL through the shared image manager: the placeholder at
// once, then the cached or downloaded image on the main thread. A new call on the same view
// cancels the previous load, so a reused cell never shows the old picture. Callable from any
// thread; the view changes on the main thread only.
#include <vector>

#include "image/web/WIDownloaderOptions.h"
#include "image/web/WIViewBindingSupport.h"
#include "image/web/WIWebImageManager.h"
#include "platform/ui/controls/ImageView.h"

namespace image {

/// The full entry; `url` is a URL or a string.
void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                        WIManagerOptions options, WIDownloaderProgressBlock progress, WIViewCompletedBlock completed);
void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url);
void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder);
void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                        WIManagerOptions options);
void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url, WIViewCompletedBlock completed);
void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                        WIViewCompletedBlock completed);
void wi_setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                        WIManagerOptions options, WIViewCompletedBlock completed);

/// The image last cached for the URL (memory, then disk, read now) stands in as placeholder.
void wi_setImageWithPreviousCachedImageWithURL(ui::ImageView& view, const Ref<fd::URL>& url,
                                               const Ref<gfx::Image>& placeholder, WIManagerOptions options,
                                               WIDownloaderProgressBlock progress, WIViewCompletedBlock completed);
/// Loads each URL and appends its image to the animation images as it arrives.
void wi_setAnimationImagesWithURLs(ui::ImageView& view, const std::vector<rt::Id>& urls);
/// The URL object last given to the full entry (null too).
rt::Id wi_imageURL(ui::ImageView& view);
void wi_cancelCurrentImageLoad(ui::ImageView& view);
void wi_cancelCurrentAnimationImagesLoad(ui::ImageView& view);

}  // namespace image
