#pragma once
// Scaling images: stretched to a size, or fitted inside it keeping the aspect and centred.
#include "platform/graphics/Image.h"

namespace app {

/// Aspect fit into `size`, centred (origin truncated to whole points), at scale 1.
Ref<gfx::Image> scaleToSize(const gfx::Image& image, gfx::Size size);
/// Stretched to fill `size`, at scale 1.
Ref<gfx::Image> scaleToSize(const Ref<gfx::Image>& image, gfx::Size size);

}  // namespace app
