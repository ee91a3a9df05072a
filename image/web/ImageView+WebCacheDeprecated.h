#pragma once
// The older entry names of the image view binding; each only forwards to its current form.
#include <vector>

#include "image/web/ImageView+WebCache.h"

namespace image {

void setImageWithURL(ui::ImageView& view, const rt::Id& url);
void setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder);
void setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                     WIManagerOptions options);
void setImageWithURL(ui::ImageView& view, const rt::Id& url, WILegacyCompletedBlock completed);
void setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                     WILegacyCompletedBlock completed);
void setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                     WIManagerOptions options, WILegacyCompletedBlock completed);
void setImageWithURL(ui::ImageView& view, const rt::Id& url, const Ref<gfx::Image>& placeholder,
                     WIManagerOptions options, WIDownloaderProgressBlock progress, WILegacyCompletedBlock completed);
rt::Id imageURL(ui::ImageView& view);
void cancelCurrentImageLoad(ui::ImageView& view);
void cancelCurrentArrayLoad(ui::ImageView& view);
void setAnimationImagesWithURLs(ui::ImageView& view, const std::vector<rt::Id>& urls);

}  // namespace image
