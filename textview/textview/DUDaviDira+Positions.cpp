// Positions and ranges handed in may come from an older text: they are checked and pulled
// into the current one. And the shift between the view's coordinates and the layout's.
#include <algorithm>

#include "textview/textview/DUDaviDira.h"

namespace textview {

bool DUDaviDira::isTextPositionValid(const Ref<text::DRTextPosition>& position) const {
  if (!position) return false;
  auto length = static_cast<int64_t>(innerText_->length());
  int64_t offset = position->offset();
  if (offset < 0 || offset > length) return false;
  // A backward position leans on the character before it: there is none at the start, and
  // at the end there is no later line for it to stand apart from.
  if (position->affinity() == text::DRTextAffinityBackward && (offset == 0 || offset == length)) return false;
  return true;
}

bool DUDaviDira::isTextRangeValid(const Ref<text::DRTextRange>& range) const {
  return range && isTextPositionValid(range->start()) && isTextPositionValid(range->end());
}

Ref<text::DRTextPosition> DUDaviDira::correctedTextPosition(const Ref<text::DRTextPosition>& position) const {
  if (!position) return nullptr;
  if (isTextPositionValid(position)) return position;
  auto length = static_cast<int64_t>(innerText_->length());
  return text::DRTextPosition::positionWithOffset(std::clamp<int64_t>(position->offset(), 0, length));
}

Ref<text::DRTextRange> DUDaviDira::correctedTextRange(const Ref<text::DRTextRange>& range) const {
  if (!range) return nullptr;
  if (isTextRangeValid(range)) return range;
  return text::DRTextRange::rangeWithStart(correctedTextPosition(range->start()), correctedTextPosition(range->end()));
}

namespace {

// How far the layout's origin sits from the view's along each axis (view = layout + shift).
gfx::Point layoutShift(gfx::Size layout, gfx::Size view, double containerWidth, bool vertical, int64_t alignment) {
  double part = alignment == 2 ? 1 : alignment == 1 ? 0.5 : 0;
  if (!vertical) {
    double free = layout.height < view.height ? view.height - layout.height : 0;
    return {0, free * part};
  }
  // Vertical lines start at the container's far (right) side, which the view shows at the
  // right edge of whichever is wider, the text or the view.
  double shown = std::max(layout.width, view.width);
  double x = -(containerWidth - shown);
  if (layout.width < view.width) x -= (view.width - layout.width) * part;
  return {x, 0};
}

}  // namespace

gfx::Point DUDaviDira::convertPointToLayout(gfx::Point point) const {
  gfx::Size layout = innerLayout_ ? innerLayout_->textBoundingSize() : gfx::SizeZero;
  gfx::Point shift =
      layoutShift(layout, bounds().size, innerContainer_->size().width, verticalForm_, textVerticalAlignment_);
  return {point.x - shift.x, point.y - shift.y};
}

gfx::Point DUDaviDira::convertPointFromLayout(gfx::Point point) const {
  gfx::Size layout = innerLayout_ ? innerLayout_->textBoundingSize() : gfx::SizeZero;
  gfx::Point shift =
      layoutShift(layout, bounds().size, innerContainer_->size().width, verticalForm_, textVerticalAlignment_);
  return {point.x + shift.x, point.y + shift.y};
}

gfx::Rect DUDaviDira::convertRectToLayout(gfx::Rect rect) const { return {convertPointToLayout(rect.origin), rect.size}; }

gfx::Rect DUDaviDira::convertRectFromLayout(gfx::Rect rect) const {
  return {convertPointFromLayout(rect.origin), rect.size};
}

}  // namespace textview
