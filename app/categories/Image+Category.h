#pragma once
// Scaling images: stretched to a size, or fitted inside it keeping the aspect and centred.
#include "platform/graphics/Image.h"

namespace app {

/// Aspect fit into `size`, centred (origin truncated to whole points), at scale 1; the rest of
/// the picture is transparent.
Ref<gfx::Image> aspectFitToSize(const Ref<gfx::Image>& image, gfx::Size size);
/// Stretched to fill `size`, at scale 1.
Ref<gfx::Image> stretchToSize(const Ref<gfx::Image>& image, gfx::Size size);

}  // namespace app
