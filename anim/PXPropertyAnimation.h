#pragma once
// An animation of one animatable property between a from-value and a to-value, kept as value
// vectors: missing end values are read from the object when it starts, the current value is
// written to the object after every step (or added to the object's own value when additive),
// rounded and clamped, with progress markers and a report when the to-value is reached.
// Abstract: the basic, spring and decay animations supply the steps. Main thread.
#include "anim/PXAnimatableProperty.h"
#include "anim/PXAnimation.h"
#include "anim/PXVector.h"
#include "platform/foundation/values/Array.h"

namespace anim {

struct PXPropertyAnimationState : PXAnimationState {
  using PXAnimationState::PXAnimationState;

  Ref<PXAnimatableProperty> property;
  PX::ValueType valueType = PX::kValueUnknown;
  size_t valueCount = 0;
  PX::VectorRef fromVector, toVector, currentVector, appliedVector, appliedBeforeVector, velocityVector,
      originalVelocityVector, distanceVector;
  double roundingFactor = 0;
  uint64_t clampMode = 0;
  Ref<fd::Array> progressMarkers;
  struct Marker {
    double progress;
    bool reached;
  };
  std::vector<Marker> markers;
  size_t nextMarkerIndex = 0;
  double dynamicsThreshold = 0;

  bool hasFinished() override;
  void prepareToRun(bool started, const rt::Id& target) override;
  void updateProgress() override;
  void notifyProgress() override;
  void rewind(bool all) override;
  virtual void refreshThreshold() { dynamicsThreshold = property ? property->threshold() : 0; }

  /// The object's value read through the property, or null without a read block.
  PX::VectorRef readObjectValue(const rt::Id& target);
  PX::VectorRef roundedCurrentVector() const;
  void clamp();
  /// Writes the current value into the object; `checkUnchanged` skips a write that would
  /// change nothing.
  void applyToObject(const rt::Id& target, bool checkUnchanged);
  /// The end of a pass: the current value becomes the to-value, clamped and applied.
  void finishPass(const rt::Id& target);
};

class PXPropertyAnimation : public PXAnimation {
  RT_CLASS(PXPropertyAnimation, PXAnimation)
 public:
  bool isAdditive() const { return state().additive; }
  void setAdditive(bool on) { state().additive = on; }
  double roundingFactor() const { return propertyState().roundingFactor; }
  void setRoundingFactor(double f) { propertyState().roundingFactor = f; }
  uint64_t clampMode() const { return propertyState().clampMode; }
  void setClampMode(uint64_t m) { propertyState().clampMode = m; }
  const Ref<PXAnimatableProperty>& property() const { return propertyState().property; }
  void setProperty(Ref<PXAnimatableProperty> property);
  Ref<fd::Array> progressMarkers() const override { return propertyState().progressMarkers; }
  void setProgressMarkers(const Ref<fd::Array>& markers) override;

  rt::Id fromValue() const;
  /// Raises for values that cannot be animated or that change the component count.
  virtual void setFromValue(const rt::Id& value);
  virtual rt::Id toValue() const;
  virtual void setToValue(const rt::Id& value);
  /// The rounded current value; null before the animation started.
  rt::Id currentValue() const override;

  PXPropertyAnimationState& propertyState() const { return static_cast<PXPropertyAnimationState&>(state()); }

 protected:
  void appendDescription(String& s, bool debug) const override;
  void copyPropertyTo(PXPropertyAnimation& copy) const;
};

}  // namespace anim
