#pragma once
// The frame pictures of the two loupes, drawn at a device scale: a ring with an inner and an
// outer shadow, and a rounded popover with a pointer below it.
#include "platform/graphics/Image.h"

namespace textview {

/// 127 x 127 points.
Ref<gfx::Image> drawCaretMagnifierCover(double scale);
/// 141 x 60 points.
Ref<gfx::Image> drawRangedMagnifierCover(double scale);

}  // namespace textview
