#pragma once
// Second-pipeline loading for image views: the image and, separately, the highlighted image,
// each with its own request slot. The full forms take every argument; the shorter ones pass
// none for what they omit and the shared manager.
#include "image/web2/DRWebImageBinding.h"

namespace ui {
class ImageView;
}

namespace image {

void dr_setImageWithURL(const Ref<ui::ImageView>& view, const Ref<fd::URL>& url, const Ref<gfx::Image>& placeholder,
                        DRWebImageOptions options, const Ref<DRWebImageManager>& manager,
                        DRWebImageProgressBlock progress, DRWebImageTransformBlock transform,
                        DRWebImageCompletionBlock completion);
/// A string that is not a valid URL counts as no URL.
void dr_setImageWithURL(const Ref<ui::ImageView>& view, const fd::String& url, const Ref<gfx::Image>& placeholder,
                        DRWebImageOptions options = 0, DRWebImageCompletionBlock completion = nullptr);
void dr_setImageWithURL(const Ref<ui::ImageView>& view, const Ref<fd::URL>& url, const Ref<gfx::Image>& placeholder = nullptr,
                        DRWebImageOptions options = 0, DRWebImageCompletionBlock completion = nullptr);
Ref<fd::URL> dr_imageURL(const Ref<ui::ImageView>& view);
void dr_cancelCurrentImageRequest(const Ref<ui::ImageView>& view);

void dr_setHighlightedImageWithURL(const Ref<ui::ImageView>& view, const Ref<fd::URL>& url,
                                   const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
                                   const Ref<DRWebImageManager>& manager, DRWebImageProgressBlock progress,
                                   DRWebImageTransformBlock transform, DRWebImageCompletionBlock completion);
void dr_setHighlightedImageWithURL(const Ref<ui::ImageView>& view, const Ref<fd::URL>& url,
                                   const Ref<gfx::Image>& placeholder = nullptr, DRWebImageOptions options = 0,
                                   DRWebImageCompletionBlock completion = nullptr);
Ref<fd::URL> dr_highlightedImageURL(const Ref<ui::ImageView>& view);
void dr_cancelCurrentHighlightedImageRequest(const Ref<ui::ImageView>& view);

}  // namespace image
