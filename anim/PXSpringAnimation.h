#pragma once
// A property animation that moves toward its to-value as a damped spring, set either by
// bounciness and speed or directly by tension, friction and mass.
#include <memory>

#include "anim/PXPropertyAnimation.h"
#include "anim/PXAnimationTracer.h"
#include "anim/PXSpringSolver.h"

namespace anim {

struct PXSpringAnimationState : PXPropertyAnimationState {
  explicit PXSpringAnimationState(PXAnimation* owner) : PXPropertyAnimationState(owner, kPXSpring) {}
  std::unique_ptr<SpringSolver<PX::Vector4d>> solver = std::make_unique<SpringSolver<PX::Vector4d>>(1, 1, 1);
  double springSpeed = 12;
  double springBounciness = 4;
  double dynamicsTension = 0, dynamicsFriction = 0, dynamicsMass = 0;

  bool hasFinished() override;
  bool step(const rt::Id& target, double time, double elapsed) override;
  void rewind(bool all) override;
  void refreshThreshold() override;
  void copyDynamicsToSolver() { solver->setConstants(dynamicsTension, dynamicsFriction, dynamicsMass); }
};

class PXSpringAnimation : public PXPropertyAnimation {
  RT_CLASS(PXSpringAnimation, PXPropertyAnimation)
 public:
  void init();
  static Ref<PXSpringAnimation> animation() { return rt::make<PXSpringAnimation>(); }
  static Ref<PXSpringAnimation> animationWithPropertyNamed(const String& name);

  rt::Id velocity() const;
  /// Raises as the value setters do for values that cannot be animated.
  void setVelocity(const rt::Id& velocity);
  double dynamicsTension() const { return springState().dynamicsTension; }
  void setDynamicsTension(double v);
  double dynamicsFriction() const { return springState().dynamicsFriction; }
  void setDynamicsFriction(double v);
  double dynamicsMass() const { return springState().dynamicsMass; }
  void setDynamicsMass(double v);
  double springSpeed() const { return springState().springSpeed; }
  void setSpringSpeed(double v);
  double springBounciness() const { return springState().springBounciness; }
  void setSpringBounciness(double v);
  SpringSolver<PX::Vector4d>* solver() const override { return springState().solver.get(); }

  static void convertBounciness(double bounciness, double speed, double* tension, double* friction, double* mass);
  static void convertTension(double tension, double friction, double* bounciness, double* speed);

  PXSpringAnimationState& springState() const { return static_cast<PXSpringAnimationState&>(state()); }

 protected:
  void appendDescription(String& s, bool debug) const override;
  Ref<PXAnimation> makeCopy() const override;
  void adoptSolver(std::unique_ptr<SpringSolver<PX::Vector4d>> solver) override;

 private:
  void updatedDynamics(PXAnimationEventType event, double value);
  void updatedSpring();
};

}  // namespace anim
