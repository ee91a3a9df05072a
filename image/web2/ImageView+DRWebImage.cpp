#include "image/web2/ImageView+DRWebImage.h"

#include "platform/foundation/net/URL.h"
#include "platform/ui/controls/ImageView.h"

namespace image {

namespace {

const char kImageSetterKey = 0;
const char kHighlightedImageSetterKey = 1;

DRWebImageBinder imageBinder() {
  DRWebImageBinder b;
  b.set = [](const rt::Id& t, const Ref<gfx::Image>& image) { rt::as<ui::ImageView>(t)->setImage(image); };
  b.fadeAllowed = [](const rt::Id& t) { return !rt::as<ui::ImageView>(t)->isHighlighted(); };
  b.fadeLayer = [](const rt::Id& t) { return rt::as<ui::ImageView>(t)->layer(); };
  return b;
}

DRWebImageBinder highlightedBinder() {
  DRWebImageBinder b;
  b.set = [](const rt::Id& t, const Ref<gfx::Image>& image) { rt::as<ui::ImageView>(t)->setHighlightedImage(image); };
  b.fadeAllowed = [](const rt::Id& t) { return rt::as<ui::ImageView>(t)->isHighlighted(); };
  b.fadeLayer = [](const rt::Id& t) { return rt::as<ui::ImageView>(t)->layer(); };
  return b;
}

}  // namespace

void dr_setImageWithURL(const Ref<ui::ImageView>& view, const Ref<fd::URL>& url, const Ref<gfx::Image>& placeholder,
                        DRWebImageOptions options, const Ref<DRWebImageManager>& manager,
                        DRWebImageProgressBlock progress, DRWebImageTransformBlock transform,
                        DRWebImageCompletionBlock completion) {
  if (!view) return;
  DRWebImageRequest(view, DRWebImageSetterForTarget(view, &kImageSetterKey), imageBinder(), url, placeholder, options,
                    manager, std::move(progress), std::move(transform), std::move(completion));
}

void dr_setImageWithURL(const Ref<ui::ImageView>& view, const fd::String& url, const Ref<gfx::Image>& placeholder,
                        DRWebImageOptions options, DRWebImageCompletionBlock completion) {
  dr_setImageWithURL(view, fd::URL::URLWithString(url), placeholder, options, nullptr, nullptr, nullptr,
                     std::move(completion));
}

void dr_setImageWithURL(const Ref<ui::ImageView>& view, const Ref<fd::URL>& url, const Ref<gfx::Image>& placeholder,
                        DRWebImageOptions options, DRWebImageCompletionBlock completion) {
  dr_setImageWithURL(view, url, placeholder, options, nullptr, nullptr, nullptr, std::move(completion));
}

Ref<fd::URL> dr_imageURL(const Ref<ui::ImageView>& view) {
  auto setter = DRWebImageExistingSetter(view, &kImageSetterKey);
  return setter ? setter->imageURL() : nullptr;
}

void dr_cancelCurrentImageRequest(const Ref<ui::ImageView>& view) {
  if (auto setter = DRWebImageExistingSetter(view, &kImageSetterKey)) setter->cancel();
}

void dr_setHighlightedImageWithURL(const Ref<ui::ImageView>& view, const Ref<fd::URL>& url,
                                   const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
                                   const Ref<DRWebImageManager>& manager, DRWebImageProgressBlock progress,
                                   DRWebImageTransformBlock transform, DRWebImageCompletionBlock completion) {
  if (!view) return;
  DRWebImageRequest(view, DRWebImageSetterForTarget(view, &kHighlightedImageSetterKey), highlightedBinder(), url,
                    placeholder, options, manager, std::move(progress), std::move(transform), std::move(completion));
}

void dr_setHighlightedImageWithURL(const Ref<ui::ImageView>& view, const Ref<fd::URL>& url,
                                   const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
                                   DRWebImageCompletionBlock completion) {
  dr_setHighlightedImageWithURL(view, url, placeholder, options, nullptr, nullptr, nullptr, std::move(completion));
}

Ref<fd::URL> dr_highlightedImageURL(const Ref<ui::ImageView>& view) {
  auto setter = DRWebImageExistingSetter(view, &kHighlightedImageSetterKey);
  return setter ? setter->imageURL() : nullptr;
}

void dr_cancelCurrentHighlightedImageRequest(const Ref<ui::ImageView>& view) {
  if (auto setter = DRWebImageExistingSetter(view, &kHighlightedImageSetterKey)) setter->cancel();
}

}  // namespace image
