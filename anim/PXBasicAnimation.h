#pragma once
// A property animation over a fixed duration along a cubic timing curve, and an animation that
// hands every frame to a block that decides when to stop.
#include "anim/PXPropertyAnimation.h"
#include "platform/ui/layer/MediaTimingFunction.h"

namespace anim {

struct PXBasicAnimationState : PXPropertyAnimationState {
  PXBasicAnimationState(PXAnimation* owner) : PXPropertyAnimationState(owner, kPXBasic) {}
  Ref<ui::MediaTimingFunction> timingFunction;
  double timingControlPoints[4] = {0, 0, 1, 1};
  double duration = 0.4;
  double timeProgress = 0;

  bool hasFinished() override;
  bool step(const rt::Id& target, double time, double elapsed) override;
};

class PXBasicAnimation : public PXPropertyAnimation {
  RT_CLASS(PXBasicAnimation, PXPropertyAnimation)
 public:
  void init();
  static Ref<PXBasicAnimation> animation() { return rt::make<PXBasicAnimation>(); }
  static Ref<PXBasicAnimation> animationWithPropertyNamed(const String& name);
  static Ref<PXBasicAnimation> linearAnimation();
  static Ref<PXBasicAnimation> easeInAnimation();
  static Ref<PXBasicAnimation> easeOutAnimation();
  static Ref<PXBasicAnimation> easeInEaseOutAnimation();
  static Ref<PXBasicAnimation> defaultAnimation();

  double duration() const { return basicState().duration; }
  void setDuration(double d) { basicState().duration = d; }
  const Ref<ui::MediaTimingFunction>& timingFunction() const { return basicState().timingFunction; }
  void setTimingFunction(Ref<ui::MediaTimingFunction> f);

  PXBasicAnimationState& basicState() const { return static_cast<PXBasicAnimationState&>(state()); }

 protected:
  void appendDescription(String& s, bool debug) const override;
  Ref<PXAnimation> makeCopy() const override;
};

class PXCustomAnimation : public PXAnimation {
  RT_CLASS(PXCustomAnimation, PXAnimation)
 public:
  /// Answers true to go on, false when finished.
  using AnimateBlock = std::function<bool(const rt::Id& target, PXCustomAnimation& animation)>;

  void init();
  static Ref<PXCustomAnimation> animationWithBlock(AnimateBlock block);
  double currentTime() const { return currentTime_; }
  double elapsedTime() const { return elapsedTime_; }
  const AnimateBlock& animate() const { return animate_; }
  void setAnimate(AnimateBlock b) { animate_ = std::move(b); }
  /// The time it started, or the requested begin time before that.
  double beginTime() const { return state().startedAt > 0 ? state().startedAt : state().beginTime; }
  bool advance(const rt::Id& target, double currentTime, double elapsedTime) override;

 protected:
  void appendDescription(String& s, bool debug) const override;
  Ref<PXAnimation> makeCopy() const override;

 private:
  double currentTime_ = 0, elapsedTime_ = 0;
  AnimateBlock animate_;
};

}  // namespace anim
