#include "image/web2/AnnotationView+DRWebImage.h"

#include "platform/ui/maps/AnnotationView.h"

namespace image {

namespace {

const char kAnnotationSetterKey = 0;

DRWebImageBinder annotationBinder() {
  DRWebImageBinder b;
  b.set = [](const rt::Id& t, const Ref<gfx::Image>& image) { rt::as<ui::AnnotationView>(t)->setImage(image); };
  b.fadeAllowed = [](const rt::Id& t) { return !rt::as<ui::AnnotationView>(t)->isHighlighted(); };
  b.fadeLayer = [](const rt::Id& t) { return rt::as<ui::AnnotationView>(t)->layer(); };
  return b;
}

}  // namespace

void dr_setImageWithURL(const Ref<ui::AnnotationView>& view, const Ref<fd::URL>& url,
                        const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
                        const Ref<DRWebImageManager>& manager, DRWebImageProgressBlock progress,
                        DRWebImageTransformBlock transform, DRWebImageCompletionBlock completion) {
  if (!view) return;
  DRWebImageRequest(view, DRWebImageSetterForTarget(view, &kAnnotationSetterKey), annotationBinder(), url, placeholder,
                    options, manager, std::move(progress), std::move(transform), std::move(completion));
}

void dr_setImageWithURL(const Ref<ui::AnnotationView>& view, const Ref<fd::URL>& url,
                        const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
                        DRWebImageCompletionBlock completion) {
  dr_setImageWithURL(view, url, placeholder, options, nullptr, nullptr, nullptr, std::move(completion));
}

Ref<fd::URL> dr_imageURL(const Ref<ui::AnnotationView>& view) {
  auto setter = DRWebImageExistingSetter(view, &kAnnotationSetterKey);
  return setter ? setter->imageURL() : nullptr;
}

void dr_cancelCurrentImageRequest(const Ref<ui::AnnotationView>& view) {
  if (auto setter = DRWebImageExistingSetter(view, &kAnnotationSetterKey)) setter->cancel();
}

}  // namespace image
