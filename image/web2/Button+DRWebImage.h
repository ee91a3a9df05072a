#pragma once
// Second-pipeline loading for buttons: the image and the background image of each control
// state. A state is split into single states (highlighted, disabled, selected, then normal when
// its lowest 8 bits are all zero), each served by its own request slot; buttons never fade.
#include <vector>

#include "image/web2/DRWebImageBinding.h"

namespace ui {
class Button;
}

namespace image {

/// The single states a control state stands for, in serving order.
std::vector<uint64_t> DRWebImageSingleStates(uint64_t state);

void dr_setImageWithURL(const Ref<ui::Button>& button, const Ref<fd::URL>& url, uint64_t state,
                        const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
                        const Ref<DRWebImageManager>& manager, DRWebImageProgressBlock progress,
                        DRWebImageTransformBlock transform, DRWebImageCompletionBlock completion);
void dr_setImageWithURL(const Ref<ui::Button>& button, const Ref<fd::URL>& url, uint64_t state,
                        const Ref<gfx::Image>& placeholder = nullptr, DRWebImageOptions options = 0,
                        DRWebImageCompletionBlock completion = nullptr);
Ref<fd::URL> dr_imageURLForState(const Ref<ui::Button>& button, uint64_t state);
void dr_cancelImageRequestForState(const Ref<ui::Button>& button, uint64_t state);

void dr_setBackgroundImageWithURL(const Ref<ui::Button>& button, const Ref<fd::URL>& url, uint64_t state,
                                  const Ref<gfx::Image>& placeholder, DRWebImageOptions options,
                                  const Ref<DRWebImageManager>& manager, DRWebImageProgressBlock progress,
                                  DRWebImageTransformBlock transform, DRWebImageCompletionBlock completion);
void dr_setBackgroundImageWithURL(const Ref<ui::Button>& button, const Ref<fd::URL>& url, uint64_t state,
                                  const Ref<gfx::Image>& placeholder = nullptr, DRWebImageOptions options = 0,
                                  DRWebImageCompletionBlock completion = nullptr);
Ref<fd::URL> dr_backgroundImageURLForState(const Ref<ui::Button>& button, uint64_t state);
void dr_cancelBackgroundImageRequestForState(const Ref<ui::Button>& button, uint64_t state);

}  // namespace image
