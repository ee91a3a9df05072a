#pragma once
// Plain-colour button backgrounds that stretch from their middle.
#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"

namespace widgets {

/// A 4 x 4 image of `color`, stretchable.
Ref<gfx::Image> qp_imageWithColor(const Ref<gfx::Color>& color);
/// An image of `size` (scale 1) filled with `color`, stretchable.
Ref<gfx::Image> qp_imageWithColor(const Ref<gfx::Color>& color, gfx::Size size);
/// A resizable copy whose caps leave the middle row and column to stretch: each inset is
/// trunc(extent - 1) / 2.
Ref<gfx::Image> qp_stretched(const Ref<gfx::Image>& image);

}  // namespace widgets
