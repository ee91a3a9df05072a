#include "image/web2/Layer+DRWebImage.h"

#include "platform/graphics/Image.h"
#include "platform/ui/layer/Layer.h"

namespace image {

namespace {

const char kLayerSetterKey = 0;

DRWebImageBinder layerBinder() {
  DRWebImageBinder b;
  b.set = [](const rt::Id& t, const Ref<gfx::Image>& image) {
    rt::as<ui::Layer>(t)->setContents(image ? rt::Id(image->CGImage()) : nullptr);
  };
  b.fadeAllowed = [](const rt::Id&) { return true; };
  b.fadeLayer = [](const rt::Id& t) { return rt::as<ui::Layer>(t); };
  return b;
}

}  // namespace

void dr_setImageWithURL(const Ref<ui::Layer>& layer, const Ref<fd::URL>& url, const Ref<gfx::Image>& placeholder,
                        DRWebImageOptions options, const Ref<DRWebImageManager>& manager,
                        DRWebImageProgressBlock progress, DRWebImageTransformBlock transform,
                        DRWebImageCompletionBlock completion) {
  if (!layer) return;
  DRWebImageRequest(layer, DRWebImageSetterForTarget(layer, &kLayerSetterKey), layerBinder(), url, placeholder, options,
                    manager, std::move(progress), std::move(transform), std::move(completion));
}

void dr_setImageWithURL(const Ref<ui::Layer>& layer, const Ref<fd::URL>& url, const Ref<gfx::Image>& placeholder,
                        DRWebImageOptions options, DRWebImageCompletionBlock completion) {
  dr_setImageWithURL(layer, url, placeholder, options, nullptr, nullptr, nullptr, std::move(completion));
}

Ref<fd::URL> dr_imageURL(const Ref<ui::Layer>& layer) {
  auto setter = DRWebImageExistingSetter(layer, &kLayerSetterKey);
  return setter ? setter->imageURL() : nullptr;
}

void dr_cancelCurrentImageRequest(const Ref<ui::Layer>& layer) {
  if (auto setter = DRWebImageExistingSetter(layer, &kLayerSetterKey)) setter->cancel();
}

}  // namespace image
