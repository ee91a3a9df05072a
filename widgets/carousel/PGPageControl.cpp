#include "widgets/carousel/PGPageControl.h"

#include <algorithm>

#include "platform/foundation/Log.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/input/Touch.h"
#include "widgets/carousel/PGAbstractDotView.h"
#include "widgets/carousel/PGAnimatedDotView.h"

namespace widgets {

RT_IMPLEMENT(PGPageControl) {
  c.property("numberOfPages", &PGPageControl::numberOfPages, &PGPageControl::setNumberOfPages);
  c.property("currentPage", &PGPageControl::currentPage, &PGPageControl::setCurrentPage);
}

void PGPageControl::init(gfx::Rect frame) {
  ui::Control::init(frame);
  initialization();
}

void PGPageControl::initialization() {
  setDotViewClass<PGAnimatedDotView>();
  setSpacingBetweenDots(8);
  setNumberOfPages(0);
  setCurrentPage(0);
  setHidesForSinglePage(false);
  setShouldResizeFromCenter(true);
}

// ---- dots

void PGPageControl::setDotViewClass(const rt::Class* cls, DotFactory factory) {
  dotViewClass_ = cls;
  dotFactory_ = cls ? std::move(factory) : nullptr;
  dotSize_ = {0, 0};
  resetDotViews();
}

void PGPageControl::setDotImage(Ref<gfx::Image> image) {
  dotImage_ = std::move(image);
  resetDotViews();
  setDotViewClass(nullptr, nullptr);
}

void PGPageControl::setCurrentDotImage(Ref<gfx::Image> image) {
  currentDotImage_ = std::move(image);
  resetDotViews();
  setDotViewClass(nullptr, nullptr);
}

gfx::Size PGPageControl::dotSize() {
  bool unset = dotSize_.width == 0 && dotSize_.height == 0;
  if (dotImage_ && unset) {
    dotSize_ = dotImage_->size();
  } else if (dotViewClass_ && unset) {
    dotSize_ = {8, 8};
  }
  return dotSize_;
}

void PGPageControl::setSpacingBetweenDots(int64_t spacing) {
  spacing_ = spacing;
  resetDotViews();
}

void PGPageControl::setNumberOfPages(int64_t pages) {
  pages_ = pages;
  resetDotViews();
}

void PGPageControl::setCurrentPage(int64_t page) {
  if (pages_ > 0 && page != current_) {
    changeActivity(false, current_);
    current_ = page;
    changeActivity(true, current_);
  } else {
    current_ = page;
  }
}

// ---- size and layout

gfx::Size PGPageControl::sizeForNumberOfPages(int64_t pages) {
  gfx::Size dot = dotSize();
  if (pages <= 0) return {0, dot.height};
  double spacing = static_cast<double>(spacing_);
  return {(dot.width + spacing) * static_cast<double>(pages) - spacing, dot.height};
}

void PGPageControl::updateFrame(bool override) {
  gfx::Point centre = center();
  gfx::Size required = sizeForNumberOfPages(pages_);
  gfx::Rect f = frame();
  if (override || f.size.width < required.width || f.size.height < required.height) {
    setFrame(gfx::RectMake(f.origin.x, f.origin.y, required.width, required.height));
    if (resizeFromCenter_) setCenter(centre);
  }
  resetDotViews();
}

void PGPageControl::updateDots() {
  if (pages_ <= 0) return;
  for (int64_t i = 0; i < pages_; ++i) {
    Ref<ui::View> dot = static_cast<size_t>(i) < dots_.size() ? dots_[static_cast<size_t>(i)] : generateDotView();
    if (dot) updateDotFrame(dot, i);
  }
  changeActivity(true, current_);
  hideForSinglePage();
}

void PGPageControl::updateDotFrame(const Ref<ui::View>& dot, int64_t index) {
  gfx::Size size = dotSize();
  double row = sizeForNumberOfPages(pages_).width;
  double x = static_cast<double>(index) * (size.width + static_cast<double>(spacing_)) + (bounds().size.width - row) * 0.5;
  double y = (bounds().size.height - size.height) * 0.5;
  dot->setFrame(gfx::RectMake(x, y, size.width, size.height));
}

Ref<ui::View> PGPageControl::generateDotView() {
  gfx::Rect frame{{0, 0}, dotSize()};
  Ref<ui::View> dot;
  if (dotViewClass_ && dotFactory_) {
    dot = dotFactory_(frame);
    if (auto animated = rt::as<PGAnimatedDotView>(dot); animated && dotColor_) animated->setDotColor(dotColor_);
  } else {
    auto picture = rt::make<ui::ImageView>(dotImage_);
    picture->setFrame(frame);
    dot = picture;
  }
  if (!dot) return nullptr;
  addSubview(dot);
  dots_.push_back(dot);
  dot->setUserInteractionEnabled(true);
  return dot;
}

void PGPageControl::changeActivity(bool active, int64_t index) {
  // A page outside the dots has no dot to change.
  if (index < 0 || static_cast<size_t>(index) >= dots_.size()) return;
  const Ref<ui::View>& dot = dots_[static_cast<size_t>(index)];
  if (dotViewClass_) {
    if (auto answering = rt::as<PGAbstractDotView>(dot)) {
      answering->changeActivityState(active);
    } else {
      fd::NSLog("Custom view : %@ must implement an 'changeActivityState' method or you can subclass %@ to help you.",
                rt::String(dotViewClass_->name()), rt::String("PGAbstractDotView"));
    }
  } else if (dotImage_ && currentDotImage_) {
    if (auto picture = rt::as<ui::ImageView>(dot)) picture->setImage(active ? currentDotImage_ : dotImage_);
  }
}

void PGPageControl::resetDotViews() {
  for (auto& dot : dots_) dot->removeFromSuperview();
  dots_.clear();
  updateDots();
}

void PGPageControl::hideForSinglePage() { setHidden(dots_.size() == 1 && hidesForSinglePage_); }

void PGPageControl::touchesBegan(const ui::TouchSet& touches, ui::Event*) {
  if (touches.empty()) return;
  auto touch = touches.anyObject();
  auto view = touch ? touch->view() : nullptr;
  if (!view || view.get() == this) return;
  auto it = std::find(dots_.begin(), dots_.end(), view);
  // A touch on no dot names no page.
  if (it == dots_.end()) return;
  if (auto d = delegate_.lock()) d->PGPageControlDidSelectPageAtIndex(*this, static_cast<int64_t>(it - dots_.begin()));
}

}  // namespace widgets
