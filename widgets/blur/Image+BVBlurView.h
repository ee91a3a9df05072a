#pragma once
// A blurred, optionally tinted copy of an image: `iterations` box convolutions of its 32-bit
// pixels (box of radius x scale pixels, made odd), then the tint added at a quarter alpha.
// Any thread.
#include "platform/graphics/Image.h"

namespace widgets {

/// The image itself when it has no area.
Ref<gfx::Image> blurredImageWithRadius(const Ref<gfx::Image>& image, double radius, unsigned iterations,
                                       const Ref<gfx::Color>& tint);
/// The odd box size for `radius` points at `scale`.
uint32_t BVBoxSize(double radius, double scale);

}  // namespace widgets
