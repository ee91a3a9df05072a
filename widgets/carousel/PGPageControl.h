#pragma once
// A page control drawn as a row of dot views (by default dots that fill and grow on a spring)
// or of dot pictures, centred in the control. A touch on a dot is reported to the delegate;
// the control never changes its own page from a touch.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/graphics/Image.h"
#include "platform/ui/controls/Control.h"

namespace widgets {

class PGPageControl;

class PGPageControlDelegate {
 public:
  virtual ~PGPageControlDelegate() = default;
  virtual void PGPageControlDidSelectPageAtIndex(PGPageControl& pageControl, int64_t index) {
    (void)pageControl;
    (void)index;
  }
};

class PGPageControl : public ui::Control {
  RT_CLASS(PGPageControl, ui::Control)
 public:
  /// Makes one dot view with a frame.
  using DotFactory = std::function<Ref<ui::View>(gfx::Rect frame)>;

  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);

  // ---- dots
  const rt::Class* dotViewClass() const { return dotViewClass_; }
  /// Dots of class T (a view class made with a frame); null class: picture dots.
  template <class T> void setDotViewClass() {
    setDotViewClass(T::classObject(), [](gfx::Rect f) -> Ref<ui::View> { return rt::make<T>(f); });
  }
  /// Forgets the dot size and rebuilds the dots.
  void setDotViewClass(const rt::Class* cls, DotFactory factory);
  Ref<gfx::Image> dotImage() const { return dotImage_; }
  /// Picture dots from now on.
  void setDotImage(Ref<gfx::Image> image);
  Ref<gfx::Image> currentDotImage() const { return currentDotImage_; }
  void setCurrentDotImage(Ref<gfx::Image> image);
  /// Zero means: the dot picture's size, else 8 x 8 for dot views (stored when first read).
  gfx::Size dotSize();
  void setDotSize(gfx::Size size) { dotSize_ = size; }
  Ref<gfx::Color> dotColor() const { return dotColor_; }
  /// Given to dots made afterwards.
  void setDotColor(Ref<gfx::Color> color) { dotColor_ = std::move(color); }
  int64_t spacingBetweenDots() const { return spacing_; }
  void setSpacingBetweenDots(int64_t spacing);
  const std::vector<Ref<ui::View>>& dots() const { return dots_; }

  // ---- pages
  int64_t numberOfPages() const { return pages_; }
  void setNumberOfPages(int64_t pages);
  int64_t currentPage() const { return current_; }
  void setCurrentPage(int64_t page);
  bool hidesForSinglePage() const { return hidesForSinglePage_; }
  void setHidesForSinglePage(bool on) { hidesForSinglePage_ = on; }
  bool shouldResizeFromCenter() const { return resizeFromCenter_; }
  void setShouldResizeFromCenter(bool on) { resizeFromCenter_ = on; }
  /// Not retained.
  Ref<PGPageControlDelegate> delegate() const { return delegate_.lock(); }
  /// Held weakly: a delegate that goes first is simply no longer told.
  void setDelegate(Weak<PGPageControlDelegate> d) { delegate_ = std::move(d); }

  // ---- size and layout
  /// The row's size; no pages need no room.
  gfx::Size sizeForNumberOfPages(int64_t pages);
  /// Fits the control around the row, keeping its centre.
  void sizeToFit() { updateFrame(true); }
  void updateFrame(bool override);
  void updateDots();
  void updateDotFrame(const Ref<ui::View>& dot, int64_t index);
  Ref<ui::View> generateDotView();
  void changeActivity(bool active, int64_t index);
  void resetDotViews();
  void hideForSinglePage();

  void touchesBegan(const ui::TouchSet& touches, ui::Event* event) override;

 private:
  void initialization();

  const rt::Class* dotViewClass_ = nullptr;
  DotFactory dotFactory_;
  Ref<gfx::Image> dotImage_, currentDotImage_;
  gfx::Size dotSize_{0, 0};
  Ref<gfx::Color> dotColor_;
  int64_t spacing_ = 8;
  std::vector<Ref<ui::View>> dots_;
  int64_t pages_ = 0, current_ = 0;
  bool hidesForSinglePage_ = false, resizeFromCenter_ = true;
  Weak<PGPageControlDelegate> delegate_;
};

}  // namespace widgets
