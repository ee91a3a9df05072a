#include "widgets/progress/PHIndefiniteAnimatedView.h"

#include <cmath>

#include "platform/foundation/values/Number.h"
#include "platform/graphics/BezierPath.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/view/Screen.h"
#include "widgets/progress/PHProgressHUDResources.h"

namespace widgets {

RT_IMPLEMENT(PHIndefiniteAnimatedView) {
  c.property("strokeThickness", &PHIndefiniteAnimatedView::strokeThickness,
             &PHIndefiniteAnimatedView::setStrokeThickness);
  c.property("radius", &PHIndefiniteAnimatedView::radius, &PHIndefiniteAnimatedView::setRadius);
}

namespace {

// One full turn, as the single-precision constant the rotation has always used.
constexpr double kFullTurn = static_cast<float>(2 * M_PI);

Ref<ui::MediaTimingFunction> linear() {
  return ui::MediaTimingFunction::functionWithName(ui::kCAMediaTimingFunctionLinear);
}

Ref<ui::Animation> maskRotation() {
  auto spin = ui::BasicAnimation::animationWithKeyPath("transform.rotation");
  spin->setToValue(fd::box(kFullTurn));
  spin->setDuration(1.0);
  spin->setTimingFunction(linear());
  spin->setRepeatCount(HUGE_VALF);
  spin->setRemovedOnCompletion(false);
  spin->setFillMode(ui::kCAFillModeForwards);
  spin->setAutoreverses(false);
  return spin;
}

Ref<ui::Animation> strokeSlide() {
  auto start = ui::BasicAnimation::animationWithKeyPath("strokeStart");
  start->setFromValue(fd::box(0.015));
  start->setToValue(fd::box(0.515));
  auto end = ui::BasicAnimation::animationWithKeyPath("strokeEnd");
  end->setFromValue(fd::box(0.485));
  end->setToValue(fd::box(0.985));
  // Both ends slide over the group's whole second.
  start->setDuration(1.0);
  end->setDuration(1.0);
  auto group = ui::AnimationGroup::animation();
  group->setDuration(1.0);
  group->setRepeatCount(HUGE_VALF);
  group->setRemovedOnCompletion(false);
  group->setTimingFunction(linear());
  group->setAnimations({start, end});
  return group;
}

}  // namespace

void PHIndefiniteAnimatedView::setStrokeThickness(double thickness) {
  strokeThickness_ = thickness;
  if (animatedLayer_) animatedLayer_->setLineWidth(thickness);
}

void PHIndefiniteAnimatedView::setRadius(double radius) {
  radius_ = radius;
  dropAnimatedLayer();
  if (superview()) layoutAnimatedLayer();
}

void PHIndefiniteAnimatedView::setStrokeColor(Ref<gfx::Color> color) {
  strokeColor_ = std::move(color);
  if (animatedLayer_) animatedLayer_->setStrokeColor(strokeColor_);
}

const Ref<ui::ShapeLayer>& PHIndefiniteAnimatedView::indefiniteAnimatedLayer() {
  if (animatedLayer_) return animatedLayer_;
  double offset = arcOffset();
  // Two full turns from the top, so that the sliding stroke window never runs off the end.
  auto arc = gfx::BezierPath::bezierPathWithArcCenter({offset, offset}, radius_, M_PI * 3 / 2, M_PI / 2 + M_PI * 5,
                                                      true);
  auto shape = ui::ShapeLayer::layer();
  shape->setContentsScale(ui::Screen::mainScreen()->scale());
  shape->setFrame(gfx::RectMake(0, 0, offset * 2, offset * 2));
  shape->setFillColor(gfx::Color::clearColor());
  shape->setStrokeColor(strokeColor_);
  shape->setLineWidth(strokeThickness_);
  shape->setLineCap(ui::kCALineCapRound);
  shape->setLineJoin(ui::kCALineJoinBevel);
  shape->setPath(arc->CGPath());

  auto mask = ui::Layer::layer();
  if (auto picture = PHProgressHUDBundleImage("angle-mask")) mask->setContents(picture);
  mask->setFrame(shape->bounds());
  shape->setMask(mask);

  mask->addAnimation(maskRotation(), "rotate");
  shape->addAnimation(strokeSlide(), "progress");
  animatedLayer_ = shape;
  return animatedLayer_;
}

void PHIndefiniteAnimatedView::layoutAnimatedLayer() {
  const auto& shape = indefiniteAnimatedLayer();
  layer()->addSublayer(shape);
  gfx::Rect mine = bounds(), its = shape->bounds();
  shape->setPosition({mine.size.width - its.size.width / 2, mine.size.height - its.size.height / 2});
}

void PHIndefiniteAnimatedView::willMoveToSuperview(ui::View* newSuperview) {
  if (newSuperview) layoutAnimatedLayer();
  else dropAnimatedLayer();
}

void PHIndefiniteAnimatedView::setFrame(gfx::Rect frame) {
  ui::View::setFrame(frame);
  if (superview()) layoutAnimatedLayer();
}

gfx::Size PHIndefiniteAnimatedView::sizeThatFits(gfx::Size) const {
  double side = arcOffset() * 2;
  return {side, side};
}

void PHIndefiniteAnimatedView::dropAnimatedLayer() {
  if (!animatedLayer_) return;
  animatedLayer_->removeFromSuperlayer();
  animatedLayer_.reset();
}

}  // namespace widgets
