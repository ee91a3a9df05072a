#pragma once
// A property animation that coasts from its current value with a velocity that dies away
// geometrically (every millisecond multiplied by the deceleration), like a flicked list. Its
// to-value and duration are computed from the start value, velocity, deceleration and the
// property's threshold.
#include "anim/PXPropertyAnimation.h"

namespace anim {

struct PXDecayAnimationState : PXPropertyAnimationState {
  explicit PXDecayAnimationState(PXAnimation* owner) : PXPropertyAnimationState(owner, kPXDecay) {}
  double deceleration = 0.998;
  double duration = 0;

  bool hasFinished() override;
  bool step(const rt::Id& target, double time, double elapsed) override;
  /// One coasting step of `dt` seconds on `value` and `velocity`.
  void decay(PX::Vector& value, PX::Vector& velocity, double dt) const;
};

class PXDecayAnimation : public PXPropertyAnimation {
  RT_CLASS(PXDecayAnimation, PXPropertyAnimation)
 public:
  void init();
  static Ref<PXDecayAnimation> animation() { return rt::make<PXDecayAnimation>(); }
  static Ref<PXDecayAnimation> animationWithPropertyNamed(const String& name);

  double deceleration() const { return decayState().deceleration; }
  /// Drops the computed to-value and duration.
  void setDeceleration(double d);
  /// Computed on first use.
  rt::Id toValue() const override;
  double duration() const;
  /// Ignored (logged): a decay computes its own end.
  void setToValue(const rt::Id& value) override;
  /// Drops the computed to-value and duration.
  void setFromValue(const rt::Id& value) override;
  rt::Id velocity() const;
  rt::Id originalVelocity() const;
  rt::Id reversedVelocity() const;
  /// Points, numbers, rectangles, sizes and insets; anything else is logged and dropped.
  void setVelocity(const rt::Id& velocity);

  PXDecayAnimationState& decayState() const { return static_cast<PXDecayAnimationState&>(state()); }

 protected:
  void appendDescription(String& s, bool debug) const override;
  Ref<PXAnimation> makeCopy() const override;

 private:
  void ensureComputedProperties() const;
  void invalidateComputedProperties();
};

}  // namespace anim
