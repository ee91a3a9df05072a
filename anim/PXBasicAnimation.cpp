#include "anim/PXBasicAnimation.h"

#include <algorithm>

#include "anim/PXCurve.h"

namespace anim {

RT_IMPLEMENT(PXBasicAnimation) {}
RT_IMPLEMENT(PXCustomAnimation) {}

bool PXBasicAnimationState::hasFinished() {
  if (PXPropertyAnimationState::hasFinished()) return true;
  return timeProgress + 0.000001 >= 1;
}

bool PXBasicAnimationState::step(const rt::Id&, double time, double) {
  if (!timingFunction)
    static_cast<PXBasicAnimation*>(owner)->setTimingFunction(
        ui::MediaTimingFunction::functionWithName(ui::kCAMediaTimingFunctionDefault));
  double eased;
  if (duration > 0) {
    double t = std::min(time - startedAt, duration) / duration;
    const double* p = timingControlPoints;
    eased = easeWithControlPoints(p[0], p[1], p[2], p[3], t, 1 / (duration * 1000));
    timeProgress = t;
  } else {
    timeProgress = 1;
    eased = 1;
  }
  switch (valueType) {
    case PX::kValueInteger: case PX::kValueFloat: case PX::kValuePoint: case PX::kValueSize:
    case PX::kValueRect: case PX::kValueEdgeInsets: case PX::kValueColor:
      if (currentVector && fromVector && toVector) {
        size_t n = std::min({currentVector->count(), fromVector->count(), toVector->count()});
        lerpComponents(n, currentVector->data(), fromVector->data(), toVector->data(), eased);
      }
      break;
    default: break;
  }
  progress = eased;
  clamp();
  return true;
}

void PXBasicAnimation::init() { initWithState(std::make_unique<PXBasicAnimationState>(this)); }

Ref<PXBasicAnimation> PXBasicAnimation::animationWithPropertyNamed(const String& name) {
  auto a = animation();
  a->setProperty(PXAnimatableProperty::propertyWithName(name));
  return a;
}

namespace {
Ref<PXBasicAnimation> withFunction(const rt::String& name) {
  auto a = PXBasicAnimation::animation();
  a->setTimingFunction(ui::MediaTimingFunction::functionWithName(name));
  return a;
}
}  // namespace

Ref<PXBasicAnimation> PXBasicAnimation::linearAnimation() { return withFunction(ui::kCAMediaTimingFunctionLinear); }
Ref<PXBasicAnimation> PXBasicAnimation::easeInAnimation() { return withFunction(ui::kCAMediaTimingFunctionEaseIn); }
Ref<PXBasicAnimation> PXBasicAnimation::easeOutAnimation() { return withFunction(ui::kCAMediaTimingFunctionEaseOut); }
Ref<PXBasicAnimation> PXBasicAnimation::easeInEaseOutAnimation() {
  return withFunction(ui::kCAMediaTimingFunctionEaseInEaseOut);
}
Ref<PXBasicAnimation> PXBasicAnimation::defaultAnimation() { return withFunction(ui::kCAMediaTimingFunctionDefault); }

void PXBasicAnimation::setTimingFunction(Ref<ui::MediaTimingFunction> f) {
  auto& s = basicState();
  if (s.timingFunction == f) return;
  s.timingFunction = std::move(f);
  if (!s.timingFunction) return;
  float p1[2], p2[2];
  s.timingFunction->getControlPointAtIndex(1, p1);
  s.timingFunction->getControlPointAtIndex(2, p2);
  s.timingControlPoints[0] = p1[0];
  s.timingControlPoints[1] = p1[1];
  s.timingControlPoints[2] = p2[0];
  s.timingControlPoints[3] = p2[1];
}

void PXBasicAnimation::appendDescription(String& s, bool debug) const {
  PXPropertyAnimation::appendDescription(s, debug);
  if (duration() != 0) s.append(String::format("; duration = %f", duration()));
}

Ref<PXAnimation> PXBasicAnimation::makeCopy() const {
  auto c = animation();
  copyPropertyTo(*c);
  c->setDuration(duration());
  c->setTimingFunction(timingFunction());
  return c;
}

void PXCustomAnimation::init() { initWithState(std::make_unique<PXAnimationState>(this, kPXCustom)); }

Ref<PXCustomAnimation> PXCustomAnimation::animationWithBlock(AnimateBlock block) {
  auto a = rt::make<PXCustomAnimation>();
  a->setAnimate(std::move(block));
  return a;
}

bool PXCustomAnimation::advance(const rt::Id& target, double currentTime, double elapsedTime) {
  currentTime_ = currentTime;
  elapsedTime_ = elapsedTime;
  return animate_ ? animate_(target, *this) : false;
}

void PXCustomAnimation::appendDescription(String& s, bool) const {
  s.append(String::format("; elapsedTime = %f; currentTime = %f;", elapsedTime_, currentTime_));
}

Ref<PXAnimation> PXCustomAnimation::makeCopy() const {
  auto c = rt::make<PXCustomAnimation>();
  copyBaseTo(*c);
  c->setAnimate(animate_);
  return c;
}

}  // namespace anim
