#include "textview/selection/DRSelectionGrabber.h"

#include <algorithm>

namespace textview {

RT_IMPLEMENT(DRSelectionGrabberDot) {}
RT_IMPLEMENT(DRSelectionGrabber) {}

void DRSelectionGrabberDot::init(gfx::Rect frame) {
  mirror_ = rt::make<ui::View>(gfx::RectZero);
  View::init(frame);
  setUserInteractionEnabled(false);
}

void DRSelectionGrabberDot::layoutSubviews() {
  View::layoutSubviews();
  gfx::Rect b = bounds();
  double radius = std::min(b.size.width, b.size.height) / 2;
  layer()->setCornerRadius(radius);
  mirror_->setBounds(b);
  mirror_->layer()->setCornerRadius(radius);
}

void DRSelectionGrabberDot::setBackgroundColor(Ref<gfx::Color> color) {
  View::setBackgroundColor(color);
  if (mirror_) mirror_->setBackgroundColor(std::move(color));
}

void DRSelectionGrabber::init(gfx::Rect frame) {
  View::init(frame);
  dot_ = rt::make<DRSelectionGrabberDot>(gfx::RectMake(0, 0, kDotSize, kDotSize));
}

void DRSelectionGrabber::setDotDirection(uint64_t direction) {
  dotDirection_ = direction;
  gfx::Rect f = dot_->frame();
  auto origin = grabberDotOrigin(direction, f.size, bounds().size);
  if (!origin) {
    dot_->removeFromSuperview();
    return;
  }
  if (dot_->superview().get() != this) addSubview(dot_);
  dot_->setFrame({*origin, f.size});
}

void DRSelectionGrabber::setColor(Ref<gfx::Color> color) {
  setBackgroundColor(color);
  dot_->setBackgroundColor(color);
  color_ = std::move(color);
}

void DRSelectionGrabber::layoutSubviews() {
  View::layoutSubviews();
  setDotDirection(dotDirection_);
}

}  // namespace textview
