#include "platform/ui/controls/ProgressView.h"

#include <algorithm>

#include "platform/ui/view/ViewAnimation.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(ProgressView) { c.property("progress", &ProgressView::progress); }

void ProgressView::init(gfx::Rect frame) {
  View::init(frame);
  bar_ = rt::make<View>();
  addSubview(bar_);
  setTrackTintColor(nullptr);
  layoutBar();
}

void ProgressView::init(ProgressViewStyle style) {
  style_ = style;
  init(gfx::RectMake(0, 0, 0, kHeight));
}

void ProgressView::setProgressTintColor(Ref<gfx::Color> c) {
  progressTint_ = std::move(c);
  layoutBar();
}

void ProgressView::setTrackTintColor(Ref<gfx::Color> c) {
  trackTint_ = std::move(c);
  setBackgroundColor(trackTint_ ? trackTint_ : gfx::Color::colorWithWhite(0.72, 1));
}

void ProgressView::layoutBar() {
  if (!bar_) return;
  gfx::Rect b = bounds();
  bar_->setBackgroundColor(progressTint_ ? progressTint_ : tintColor());
  bar_->setFrame({b.origin, {b.size.width * progress_, b.size.height}});
}

void ProgressView::setProgress(double p, bool animated) {
  progress_ = std::clamp(p, 0.0, 1.0);
  if (animated) ViewAnimation::animate(0.25, [this] { layoutBar(); });
  else ViewAnimation::performWithoutAnimation([this] { layoutBar(); });
}

}  // namespace ui
