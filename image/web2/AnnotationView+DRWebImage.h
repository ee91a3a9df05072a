#pragma once
// Second-pipeline loading into a map annotation view's image; fades like an image view's image
// (not while highlighted).
#include "image/web2/DRWebImageBinding.h"

namespace ui {
class AnnotationView;
}

namespace image {

void dr_setImageWithURL(const Ref<ui::AnnotationView>& view, const Ref<fd::URL>& url,
                        const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
                        const Ref<DRWebImageManager>& manager, DRWebImageProgressBlock progress,
                        DRWebImageTransformBlock transform, DRWebImageCompletionBlock completion);
void dr_setImageWithURL(const Ref<ui::AnnotationView>& view, const Ref<fd::URL>& url,
                        const Ref<gfx::Image>& placeholder = nullptr, DRWebImageOptions options = 0,
                        DRWebImageCompletionBlock completion = nullptr);
Ref<fd::URL> dr_imageURL(const Ref<ui::AnnotationView>& view);
void dr_cancelCurrentImageRequest(const Ref<ui::AnnotationView>& view);

}  // namespace image
