// The timing model shared by every animation kind, and property animations.
#include "platform/ui/layer/Animation.h"

#include <algorithm>
#include <cmath>

namespace ui {

RT_IMPLEMENT_PLATFORM(Animation) {
  c.property("beginTime", &Animation::beginTime, &Animation::setBeginTime);
  c.property("duration", &Animation::duration, &Animation::setDuration);
  c.property("speed", &Animation::speed, &Animation::setSpeed);
  c.property("timeOffset", &Animation::timeOffset, &Animation::setTimeOffset);
  c.property("repeatCount", &Animation::repeatCount, &Animation::setRepeatCount);
  c.property("repeatDuration", &Animation::repeatDuration, &Animation::setRepeatDuration);
  c.property("autoreverses", &Animation::autoreverses, &Animation::setAutoreverses);
  c.property("fillMode", &Animation::fillMode, &Animation::setFillMode);
  c.property("removedOnCompletion", &Animation::isRemovedOnCompletion, &Animation::setRemovedOnCompletion)
      .getterName("isRemovedOnCompletion");
  c.property("timingFunction", &Animation::timingFunction, &Animation::setTimingFunction);
  c.protocol("NSCopying");
  c.protocol("CAMediaTiming");
  c.protocol("CAAction");
}
RT_IMPLEMENT_PLATFORM(PropertyAnimation) {
  c.property("keyPath", &PropertyAnimation::keyPath, &PropertyAnimation::setKeyPath);
  c.property("additive", &PropertyAnimation::isAdditive, &PropertyAnimation::setAdditive).getterName("isAdditive");
  c.property("cumulative", &PropertyAnimation::isCumulative, &PropertyAnimation::setCumulative)
      .getterName("isCumulative");
}

const rt::String kCAFillModeRemoved("removed"), kCAFillModeForwards("forwards"), kCAFillModeBackwards("backwards"),
    kCAFillModeBoth("both");

double Animation::iterationDuration() const {
  double d = duration_ > 0 ? duration_ : 0.25;
  return autoreverses_ ? 2 * d : d;
}

double Animation::activeDuration() const {
  if (repeatDuration_ > 0) return repeatDuration_;
  if (repeatCount_ > 0) {
    // The largest float repeat count means "for ever".
    if (repeatCount_ >= 3.4e38) return INFINITY;
    return repeatCount_ * iterationDuration();
  }
  return iterationDuration();
}

bool Animation::hasStartedAt(double t) const { return t + 1e-9 >= beginTime_; }

bool Animation::isFinishedAt(double t) const {
  double active = activeDuration();
  if (!std::isfinite(active) || speed_ <= 0) return false;
  return (t - beginTime_) * speed_ + timeOffset_ >= active - 1e-9;
}

double Animation::progressForLocalTime(double local) const {
  double d = duration_ > 0 ? duration_ : 0.25;
  double iter = iterationDuration();
  double within = std::fmod(local, iter);
  // The end of a whole iteration shows its last frame, not the first of the next.
  if (local > 0 && within < 1e-9) within = iter;
  if (autoreverses_ && within > d) within = 2 * d - within;
  double f = std::clamp(within / d, 0.0, 1.0);
  return timingFunction_ ? timingFunction_->evaluate(f) : f;
}

std::optional<double> Animation::progressAt(double t) const {
  double active = activeDuration();
  bool backwards = fillMode_ == kCAFillModeBackwards || fillMode_ == kCAFillModeBoth;
  bool forwards = fillMode_ == kCAFillModeForwards || fillMode_ == kCAFillModeBoth;
  if (t - beginTime_ < -1e-9) {
    if (!backwards) return std::nullopt;
    return progressForLocalTime(timeOffset_);
  }
  double local = (t - beginTime_) * speed_ + timeOffset_;
  if (local >= active - 1e-9) {
    if (!forwards) return std::nullopt;
    return progressForLocalTime(active);
  }
  return progressForLocalTime(std::max(local, 0.0));
}

void Animation::applyTo(Layer&, const Layer&, double) const {}

rt::Id Animation::copy() const {
  auto made = getClass()->createInstance();
  auto to = std::dynamic_pointer_cast<Animation>(made);
  if (!to) to = rt::make<Animation>();
  copyInto(*to);
  return to;
}

void Animation::copyInto(Animation& to) const {
  to.beginTime_ = beginTime_;
  to.duration_ = duration_;
  to.speed_ = speed_;
  to.timeOffset_ = timeOffset_;
  to.repeatCount_ = repeatCount_;
  to.repeatDuration_ = repeatDuration_;
  to.autoreverses_ = autoreverses_;
  to.removedOnCompletion_ = removedOnCompletion_;
  to.fillMode_ = fillMode_;
  to.timingFunction_ = timingFunction_;
  to.delegate_ = delegate_;
}

void Animation::runActionForKey(const rt::String& key, Layer& layer) {
  layer.addAnimation(std::static_pointer_cast<Animation>(self()), key);
}

Ref<PropertyAnimation> PropertyAnimation::animationWithKeyPath(const rt::String& keyPath) {
  auto a = rt::make<PropertyAnimation>();
  a->setKeyPath(keyPath);
  return a;
}

void PropertyAnimation::copyInto(Animation& to) const {
  Animation::copyInto(to);
  if (auto* p = dynamic_cast<PropertyAnimation*>(&to)) {
    p->keyPath_ = keyPath_;
    p->additive_ = additive_;
    p->cumulative_ = cumulative_;
  }
}

}  // namespace ui
