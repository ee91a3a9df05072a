#include "textview/keyboard/DRTextKeyboardGeometry.h"

namespace textview {

bool keyboardFrameIsVisible(gfx::Rect frame, gfx::Rect windowBounds) {
  if (!(frame.size.width > 0 && frame.size.height > 0)) return false;
  gfx::Rect overlap = gfx::RectIntersection(windowBounds, frame);
  return !gfx::RectIsNull(overlap) && !gfx::RectIsEmpty(overlap);
}

gfx::Rect keyboardEndFrameForOrientation(gfx::Rect frame, int64_t orientation, gfx::Rect windowFrame) {
  switch (orientation) {
    case 1:
      if (gfx::RectGetMaxY(frame) != gfx::RectGetHeight(windowFrame)) frame.origin.y -= frame.size.height;
      break;
    case 2:
      if (gfx::RectGetMinY(frame) != 0) frame.origin.y += frame.size.height;
      break;
    case 3:
      if (gfx::RectGetMinX(frame) != 0) frame.origin.x += frame.size.width;
      break;
    case 4:
      if (gfx::RectGetMaxX(frame) != gfx::RectGetWidth(windowFrame)) frame.origin.x -= frame.size.width;
      break;
    default:
      break;
  }
  return frame;
}

}  // namespace textview
