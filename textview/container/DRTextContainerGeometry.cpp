#include "textview/container/DRTextContainerGeometry.h"

namespace textview {

gfx::Point textDrawingOffset(int64_t alignment, bool verticalForm, gfx::Size bounds, gfx::Size text) {
  if (alignment != 1 && alignment != 2) return gfx::PointZero;
  double part = alignment == 1 ? 0.5 : 1;
  if (verticalForm) return {-(bounds.width - text.width) * part, 0};
  return {0, (bounds.height - text.height) * part};
}

}  // namespace textview
