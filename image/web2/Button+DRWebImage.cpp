#include "image/web2/Button+DRWebImage.h"

#include "image/web2/DRWebImageSetterDicForButton.h"
#include "platform/ui/controls/Button.h"

namespace image {

namespace {

const char kImageDicKey = 0;
const char kBackgroundDicKey = 1;

Ref<DRWebImageSetterDicForButton> existingDic(const Ref<ui::Button>& button, const void* key) {
  return button ? rt::as<DRWebImageSetterDicForButton>(button->associatedObject(key)) : nullptr;
}

Ref<DRWebImageSetterDicForButton> dicFor(const Ref<ui::Button>& button, const void* key) {
  if (auto dic = existingDic(button, key)) return dic;
  auto dic = rt::make<DRWebImageSetterDicForButton>();
  button->setAssociatedObject(key, dic, rt::AssociationPolicy::RetainNonatomic);
  return dic;
}

/// The one state a URL query reads: the first of highlighted, disabled, selected, else normal.
uint64_t queryState(uint64_t state) {
  for (uint64_t single : {uint64_t(ui::ControlStateHighlighted), uint64_t(ui::ControlStateDisabled),
                          uint64_t(ui::ControlStateSelected)})
    if (state & single) return single;
  return ui::ControlStateNormal;
}

DRWebImageBinder stateBinder(uint64_t single, bool background) {
  DRWebImageBinder b;
  b.set = [single, background](const rt::Id& t, const Ref<gfx::Image>& image) {
    auto button = rt::as<ui::Button>(t);
    if (background) button->setBackgroundImage(image, single);
    else button->setImage(image, single);
  };
  return b;
}

void request(const Ref<ui::Button>& button, const void* key, bool background, const Ref<fd::URL>& url,
             uint64_t state, const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
             const Ref<DRWebImageManager>& manager, const DRWebImageProgressBlock& progress,
             const DRWebImageTransformBlock& transform, const DRWebImageCompletionBlock& completion) {
  if (!button) return;
  for (uint64_t single : DRWebImageSingleStates(state)) {
    auto setter = dicFor(button, key)->lazySetterForState(single);
    DRWebImageRequest(button, setter, stateBinder(single, background), url, placeholder, options, manager, progress,
                      transform, completion);
  }
}

Ref<fd::URL> urlFor(const Ref<ui::Button>& button, const void* key, uint64_t state) {
  auto dic = existingDic(button, key);
  auto setter = dic ? dic->setterForState(queryState(state)) : nullptr;
  return setter ? setter->imageURL() : nullptr;
}

void cancelFor(const Ref<ui::Button>& button, const void* key, uint64_t state) {
  auto dic = existingDic(button, key);
  if (!dic) return;
  for (uint64_t single : DRWebImageSingleStates(state))
    if (auto setter = dic->setterForState(single)) setter->cancel();
}

}  // namespace

std::vector<uint64_t> DRWebImageSingleStates(uint64_t state) {
  std::vector<uint64_t> states;
  if (state & ui::ControlStateHighlighted) states.push_back(ui::ControlStateHighlighted);
  if (state & ui::ControlStateDisabled) states.push_back(ui::ControlStateDisabled);
  if (state & ui::ControlStateSelected) states.push_back(ui::ControlStateSelected);
  if ((state & 0xFF) == 0) states.push_back(ui::ControlStateNormal);
  return states;
}

void dr_setImageWithURL(const Ref<ui::Button>& button, const Ref<fd::URL>& url, uint64_t state,
                        const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
                        const Ref<DRWebImageManager>& manager, DRWebImageProgressBlock progress,
                        DRWebImageTransformBlock transform, DRWebImageCompletionBlock completion) {
  request(button, &kImageDicKey, false, url, state, placeholder, options, manager, progress, transform, completion);
}

void dr_setImageWithURL(const Ref<ui::Button>& button, const Ref<fd::URL>& url, uint64_t state,
                        const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
                        DRWebImageCompletionBlock completion) {
  dr_setImageWithURL(button, url, state, placeholder, options, nullptr, nullptr, nullptr, std::move(completion));
}

Ref<fd::URL> dr_imageURLForState(const Ref<ui::Button>& button, uint64_t state) {
  return urlFor(button, &kImageDicKey, state);
}

void dr_cancelImageRequestForState(const Ref<ui::Button>& button, uint64_t state) {
  cancelFor(button, &kImageDicKey, state);
}

void dr_setBackgroundImageWithURL(const Ref<ui::Button>& button, const Ref<fd::URL>& url, uint64_t state,
                                  const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
                                  const Ref<DRWebImageManager>& manager, DRWebImageProgressBlock progress,
                                  DRWebImageTransformBlock transform, DRWebImageCompletionBlock completion) {
  request(button, &kBackgroundDicKey, true, url, state, placeholder, options, manager, progress, transform,
          completion);
}

void dr_setBackgroundImageWithURL(const Ref<ui::Button>& button, const Ref<fd::URL>& url, uint64_t state,
                                  const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
                                  DRWebImageCompletionBlock completion) {
  dr_setBackgroundImageWithURL(button, url, state, placeholder, options, nullptr, nullptr, nullptr,
                               std::move(completion));
}

Ref<fd::URL> dr_backgroundImageURLForState(const Ref<ui::Button>& button, uint64_t state) {
  return urlFor(button, &kBackgroundDicKey, state);
}

void dr_cancelBackgroundImageRequestForState(const Ref<ui::Button>& button, uint64_t state) {
  cancelFor(button, &kBackgroundDicKey, state);
}

}  // namespace image
