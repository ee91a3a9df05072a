#pragma once
// Second-pipeline loading into a layer's contents (the picture's bitmap). Layers have no
// highlighted state: with the fade bit every applied picture fades.
#include "image/web2/DRWebImageBinding.h"

namespace image {

void dr_setImageWithURL(const Ref<ui::Layer>& layer, const Ref<fd::URL>& url, const Ref<gfx::Image>& placeholder,
                        DRWebImageOptions options, const Ref<DRWebImageManager>& manager,
                        DRWebImageProgressBlock progress, DRWebImageTransformBlock transform,
                        DRWebImageCompletionBlock completion);
void dr_setImageWithURL(const Ref<ui::Layer>& layer, const Ref<fd::URL>& url, const Ref<gfx::Image>& placeholder = nullptr,
                        DRWebImageOptions options = 0, DRWebImageCompletionBlock completion = nullptr);
Ref<fd::URL> dr_imageURL(const Ref<ui::Layer>& layer);
void dr_cancelCurrentImageRequest(const Ref<ui::Layer>& layer);

}  // namespace image
