#pragma once
// Red, green, blue and alpha of a colour, for blending two title colours component by component.
#include "platform/graphics/Color.h"

namespace widgets {

struct RGBA {
  double red = 0, green = 0, blue = 0, alpha = 0;
};

/// RGB colours give their components, grey ones their white three times; other colour spaces
/// (and no colour) give four zeros.
RGBA RGBAFromCGColor(const Ref<gfx::Color>& color);
RGBA ColorRGBAComponents(const Ref<gfx::Color>& color);

}  // namespace widgets
