#pragma once
// Where a text view's container view puts its text: the offset of a layout of `textSize` in a
// view of `boundsSize` for a vertical alignment (0 top, 1 centre, 2 bottom). Vertical text
// moves along x (leftwards), horizontal text along y; no pixel snapping.
#include <cstdint>

#include "platform/graphics/Geometry.h"

namespace textview {

gfx::Point textDrawingOffset(int64_t verticalAlignment, bool verticalForm, gfx::Size boundsSize, gfx::Size textSize);

}  // namespace textview
