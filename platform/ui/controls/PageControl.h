#pragma once
// Page controls: a row of dots, one per page; a tap on either side of the current dot moves a
// page that way and reports a value change.
#include "platform/ui/controls/Control.h"

namespace ui {

class PageControl : public Control {
  RT_CLASS_NAMED(PageControl, Control, "UIPageControl")
 public:
  int64_t numberOfPages() const { return pages_; }
  void setNumberOfPages(int64_t n);
  int64_t currentPage() const { return current_; }
  /// Clamped to the pages there are.
  void setCurrentPage(int64_t page);
  bool hidesForSinglePage() const { return hidesForSinglePage_; }
  void setHidesForSinglePage(bool on) { hidesForSinglePage_ = on; setNeedsDisplay(); }
  Ref<gfx::Color> pageIndicatorTintColor() const { return pageTint_; }
  void setPageIndicatorTintColor(Ref<gfx::Color> c) { pageTint_ = std::move(c); setNeedsDisplay(); }
  Ref<gfx::Color> currentPageIndicatorTintColor() const { return currentTint_; }
  void setCurrentPageIndicatorTintColor(Ref<gfx::Color> c) { currentTint_ = std::move(c); setNeedsDisplay(); }

  gfx::Size sizeForNumberOfPages(int64_t pages) const;
  gfx::Size sizeThatFits(gfx::Size size) const override { (void)size; return sizeForNumberOfPages(pages_); }
  /// Centre of the dot of `page` in bounds coordinates.
  gfx::Point dotCenter(int64_t page) const;
  void drawRect(gfx::Rect rect) override;
  void endTrackingWithTouch(Touch* touch, Event* event) override;

  static constexpr double kDotDiameter = 7;
  static constexpr double kDotSpacing = 9;

 private:
  int64_t pages_ = 0;
  int64_t current_ = 0;
  bool hidesForSinglePage_ = false;
  Ref<gfx::Color> pageTint_;
  Ref<gfx::Color> currentTint_;
};

}  // namespace ui
