#include "platform/ui/controls/PageControl.h"

#include <algorithm>

#include "platform/graphics/ImageContext.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(PageControl) {
  c.property("numberOfPages", &PageControl::numberOfPages, &PageControl::setNumberOfPages);
  c.property("currentPage", &PageControl::currentPage, &PageControl::setCurrentPage);
}

void PageControl::setNumberOfPages(int64_t n) {
  pages_ = std::max<int64_t>(0, n);
  setCurrentPage(current_);
  setNeedsDisplay();
}

void PageControl::setCurrentPage(int64_t page) {
  current_ = std::clamp<int64_t>(page, 0, std::max<int64_t>(0, pages_ - 1));
  setNeedsDisplay();
}

gfx::Size PageControl::sizeForNumberOfPages(int64_t pages) const {
  if (pages <= 0) return {0, 37};
  return {pages * kDotDiameter + (pages - 1) * kDotSpacing, 37};
}

gfx::Point PageControl::dotCenter(int64_t page) const {
  gfx::Rect b = bounds();
  double width = sizeForNumberOfPages(pages_).width;
  double x0 = b.origin.x + (b.size.width - width) / 2;
  return {x0 + page * (kDotDiameter + kDotSpacing) + kDotDiameter / 2, b.origin.y + b.size.height / 2};
}

void PageControl::drawRect(gfx::Rect) {
  auto ctx = gfx::currentContext();
  if (!ctx || pages_ == 0 || (hidesForSinglePage_ && pages_ == 1)) return;
  auto other = pageTint_ ? pageTint_ : gfx::Color::colorWithWhite(1, 0.35);
  auto current = currentTint_ ? currentTint_ : gfx::Color::whiteColor();
  for (int64_t i = 0; i < pages_; ++i) {
    gfx::Point c = dotCenter(i);
    ctx->setFillColor(i == current_ ? current : other);
    ctx->fillEllipseInRect({{c.x - kDotDiameter / 2, c.y - kDotDiameter / 2}, {kDotDiameter, kDotDiameter}});
  }
}

void PageControl::endTrackingWithTouch(Touch* touch, Event*) {
  if (!touch || pages_ == 0 || !isTouchInside()) return;
  double x = touch->locationInView(this).x;
  int64_t next = x < dotCenter(current_).x ? current_ - 1 : current_ + 1;
  next = std::clamp<int64_t>(next, 0, pages_ - 1);
  if (next == current_) return;
  setCurrentPage(next);
  sendActionsForControlEvents(ControlEventValueChanged);
}

}  // namespace ui
