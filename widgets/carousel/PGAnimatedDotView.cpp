#include "widgets/carousel/PGAnimatedDotView.h"

#include "platform/ui/view/ViewAnimation.h"

namespace widgets {

RT_IMPLEMENT(PGAnimatedDotView) {}

void PGAnimatedDotView::init(gfx::Rect frame) {
  PGAbstractDotView::init(frame);
  initialization();
}

void PGAnimatedDotView::initialization() {
  dotColor_ = gfx::Color::whiteColor();
  setBackgroundColor(gfx::Color::clearColor());
  layer()->setCornerRadius(frame().size.width / 2);
  layer()->setBorderColor(gfx::Color::whiteColor());
  layer()->setBorderWidth(2);
}

void PGAnimatedDotView::setDotColor(Ref<gfx::Color> color) {
  dotColor_ = std::move(color);
  layer()->setBorderColor(dotColor_);
}

void PGAnimatedDotView::changeActivityState(bool active) {
  if (active) {
    animateToActiveState();
  } else {
    animateToDeactiveState();
  }
}

void PGAnimatedDotView::animateToActiveState() {
  ui::ViewAnimation::animateWithSpring(1.0, 0, 0.5, -20, ui::ViewAnimationOptionCurveLinear, [this] {
    setBackgroundColor(dotColor_);
    setTransform(gfx::AffineTransformMakeScale(kActiveScale, kActiveScale));
  }, nullptr);
}

void PGAnimatedDotView::animateToDeactiveState() {
  ui::ViewAnimation::animateWithSpring(1.0, 0, 0.5, 0, ui::ViewAnimationOptionCurveLinear, [this] {
    setBackgroundColor(gfx::Color::clearColor());
    setTransform(gfx::AffineTransformIdentity);
  }, nullptr);
}

}  // namespace widgets
