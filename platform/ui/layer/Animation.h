#pragma once
// Layer animations: the timing model shared by all, and the basic, keyframe, group and
// transition kinds. Layers hold copies; values are evaluated on the run loop's clock into
// presentation layers.
#include <memory>
#include <optional>
#include <vector>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/layer/MediaTimingFunction.h"

namespace ui {

extern const rt::String kCAFillModeRemoved, kCAFillModeForwards, kCAFillModeBackwards, kCAFillModeBoth;
extern const rt::String kCATransitionFade, kCATransitionMoveIn, kCATransitionPush, kCATransitionReveal;
extern const rt::String kCATransitionFromRight, kCATransitionFromLeft, kCATransitionFromTop, kCATransitionFromBottom;
extern const rt::String kCAAnimationLinear, kCAAnimationDiscrete, kCAAnimationPaced;

class Animation;

/// Start and stop reports; `finished` is false when the animation was removed early.
class AnimationDelegate {
 public:
  virtual ~AnimationDelegate() = default;
  virtual void animationDidStart(Animation& animation) { (void)animation; }
  virtual void animationDidStop(Animation& animation, bool finished) { (void)animation; (void)finished; }
};

class Animation : public rt::Object, public Action {
  RT_CLASS_NAMED(Animation, rt::Object, "CAAnimation")
 public:
  void init() {}
  static Ref<Animation> animation() { return rt::make<Animation>(); }

  // ---- timing (seconds; beginTime 0 means "when added")
  double beginTime() const { return beginTime_; }
  void setBeginTime(double t) { beginTime_ = t; }
  /// 0 means the default of 0.25 s.
  double duration() const { return duration_; }
  void setDuration(double d) { duration_ = d; }
  double speed() const { return speed_; }
  void setSpeed(double s) { speed_ = s; }
  double timeOffset() const { return timeOffset_; }
  void setTimeOffset(double t) { timeOffset_ = t; }
  /// May be infinite (HUGE_VALF / FLT_MAX repeat for ever).
  double repeatCount() const { return repeatCount_; }
  void setRepeatCount(double c) { repeatCount_ = c; }
  double repeatDuration() const { return repeatDuration_; }
  void setRepeatDuration(double d) { repeatDuration_ = d; }
  bool autoreverses() const { return autoreverses_; }
  void setAutoreverses(bool on) { autoreverses_ = on; }
  rt::String fillMode() const { return fillMode_; }
  void setFillMode(rt::String mode) { fillMode_ = std::move(mode); }
  bool isRemovedOnCompletion() const { return removedOnCompletion_; }
  void setRemovedOnCompletion(bool on) { removedOnCompletion_ = on; }
  const Ref<MediaTimingFunction>& timingFunction() const { return timingFunction_; }
  void setTimingFunction(Ref<MediaTimingFunction> f) { timingFunction_ = std::move(f); }
  /// Held strongly, as the platform does.
  const Ref<AnimationDelegate>& delegate() const { return delegate_; }
  void setDelegate(Ref<AnimationDelegate> d) { delegate_ = std::move(d); }

  /// One iteration's length (duration, 0.25 when unset), doubled when autoreversing.
  double iterationDuration() const;
  /// The whole active span in local time (may be infinite).
  double activeDuration() const;
  /// The animation's elapsed fraction (0...1, timing function applied) at parent time `t`,
  /// or nullopt when it has no effect then (before start without backwards fill, after end
  /// without forwards fill).
  std::optional<double> progressAt(double t) const;
  /// True once parent time `t` is past the active span.
  bool isFinishedAt(double t) const;
  bool hasStartedAt(double t) const;

  /// Applies the animation at parent time `t` to a presentation layer; `model` is the layer's
  /// model (for values the animation leaves unset).
  virtual void applyTo(Layer& presentation, const Layer& model, double t) const;

  rt::Id copy() const override;
  /// Adds a copy of the receiver to `layer` under `key`.
  void runActionForKey(const rt::String& key, Layer& layer) override;

  // Engine bookkeeping on attached copies.
  bool startReported = false;
  bool stopReported = false;
  std::shared_ptr<void> transactionToken;

 protected:
  /// Copies every field into `to` (subclasses extend).
  virtual void copyInto(Animation& to) const;
  /// Progress for local active time `local`, with the timing function.
  double progressForLocalTime(double local) const;

 private:
  double beginTime_ = 0;
  double duration_ = 0;
  double speed_ = 1;
  double timeOffset_ = 0;
  double repeatCount_ = 0;
  double repeatDuration_ = 0;
  bool autoreverses_ = false;
  bool removedOnCompletion_ = true;
  rt::String fillMode_{"removed"};
  Ref<MediaTimingFunction> timingFunction_;
  Ref<AnimationDelegate> delegate_;
};

/// An animation of one key path of the layer.
class PropertyAnimation : public Animation {
  RT_CLASS_NAMED(PropertyAnimation, Animation, "CAPropertyAnimation")
 public:
  void init() {}
  static Ref<PropertyAnimation> animation() { return rt::make<PropertyAnimation>(); }
  static Ref<PropertyAnimation> animationWithKeyPath(const rt::String& keyPath);
  rt::String keyPath() const { return keyPath_; }
  void setKeyPath(rt::String p) { keyPath_ = std::move(p); }
  bool isAdditive() const { return additive_; }
  void setAdditive(bool on) { additive_ = on; }
  bool isCumulative() const { return cumulative_; }
  void setCumulative(bool on) { cumulative_ = on; }

 protected:
  void copyInto(Animation& to) const override;

 private:
  rt::String keyPath_;
  bool additive_ = false;
  bool cumulative_ = false;
};

/// From, to and by values: unset ones come from the layer's current values.
class BasicAnimation : public PropertyAnimation {
  RT_CLASS_NAMED(BasicAnimation, PropertyAnimation, "CABasicAnimation")
 public:
  void init() {}
  static Ref<BasicAnimation> animation() { return rt::make<BasicAnimation>(); }
  static Ref<BasicAnimation> animationWithKeyPath(const rt::String& keyPath);
  const rt::Id& fromValue() const { return from_; }
  void setFromValue(rt::Id v) { from_ = std::move(v); }
  const rt::Id& toValue() const { return to_; }
  void setToValue(rt::Id v) { to_ = std::move(v); }
  const rt::Id& byValue() const { return by_; }
  void setByValue(rt::Id v) { by_ = std::move(v); }

  void applyTo(Layer& presentation, const Layer& model, double t) const override;
  void runActionForKey(const rt::String& key, Layer& layer) override;

 protected:
  void copyInto(Animation& to) const override;

 private:
  rt::Id from_, to_, by_;
};

/// A sequence of values with optional key times and per-segment timing functions.
class KeyframeAnimation : public PropertyAnimation {
  RT_CLASS_NAMED(KeyframeAnimation, PropertyAnimation, "CAKeyframeAnimation")
 public:
  void init() {}
  static Ref<KeyframeAnimation> animation() { return rt::make<KeyframeAnimation>(); }
  static Ref<KeyframeAnimation> animationWithKeyPath(const rt::String& keyPath);
  const std::vector<rt::Id>& values() const { return values_; }
  void setValues(std::vector<rt::Id> v) { values_ = std::move(v); }
  /// Fractions 0...1, one per value; empty means evenly spaced.
  const std::vector<double>& keyTimes() const { return keyTimes_; }
  void setKeyTimes(std::vector<double> t) { keyTimes_ = std::move(t); }
  const std::vector<Ref<MediaTimingFunction>>& timingFunctions() const { return timingFunctions_; }
  void setTimingFunctions(std::vector<Ref<MediaTimingFunction>> f) { timingFunctions_ = std::move(f); }
  rt::String calculationMode() const { return calculationMode_; }
  void setCalculationMode(rt::String m) { calculationMode_ = std::move(m); }

  /// The interpolated value at overall progress `p` (null without values).
  rt::Id valueAtProgress(double p) const;
  void applyTo(Layer& presentation, const Layer& model, double t) const override;

 protected:
  void copyInto(Animation& to) const override;

 private:
  std::vector<rt::Id> values_;
  std::vector<double> keyTimes_;
  std::vector<Ref<MediaTimingFunction>> timingFunctions_;
  rt::String calculationMode_{"linear"};
};

/// Animations run together on the group's timeline (their times are relative to it).
class AnimationGroup : public Animation {
  RT_CLASS_NAMED(AnimationGroup, Animation, "CAAnimationGroup")
 public:
  void init() {}
  static Ref<AnimationGroup> animation() { return rt::make<AnimationGroup>(); }
  const std::vector<Ref<Animation>>& animations() const { return animations_; }
  void setAnimations(std::vector<Ref<Animation>> a) { animations_ = std::move(a); }
  void applyTo(Layer& presentation, const Layer& model, double t) const override;

 protected:
  void copyInto(Animation& to) const override;

 private:
  std::vector<Ref<Animation>> animations_;
};

/// A change of the layer's look shown as a fade (other types fade as well).
class Transition : public Animation {
  RT_CLASS_NAMED(Transition, Animation, "CATransition")
 public:
  void init() {}
  static Ref<Transition> animation() { return rt::make<Transition>(); }
  rt::String type() const { return type_; }
  void setType(rt::String t) { type_ = std::move(t); }
  rt::String subtype() const { return subtype_; }
  void setSubtype(rt::String t) { subtype_ = std::move(t); }
  double startProgress() const { return startProgress_; }
  void setStartProgress(double p) { startProgress_ = p; }
  double endProgress() const { return endProgress_; }
  void setEndProgress(double p) { endProgress_ = p; }
  /// The fade applies the progress to the presentation layer's opacity.
  void applyTo(Layer& presentation, const Layer& model, double t) const override;

 protected:
  void copyInto(Animation& to) const override;

 private:
  rt::String type_{"fade"};
  rt::String subtype_;
  double startProgress_ = 0;
  double endProgress_ = 1;
};

/// Interpolates two animatable values (numbers, boxed geometry, colours); other objects switch
/// at the midpoint.
rt::Id interpolateValues(const rt::Id& from, const rt::Id& to, double p);
/// a + b for numbers and boxed geometry (by-values, additive animations); null otherwise.
rt::Id addValues(const rt::Id& a, const rt::Id& b);
/// a - b for the same kinds; null otherwise.
rt::Id subtractValues(const rt::Id& a, const rt::Id& b);

}  // namespace ui
