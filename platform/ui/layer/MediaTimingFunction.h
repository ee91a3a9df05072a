#pragma once
// Timing functions: cubic Bezier curves from (0, 0) to (1, 1) mapping elapsed fraction to progress.
#include <array>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"

namespace ui {

extern const rt::String kCAMediaTimingFunctionLinear, kCAMediaTimingFunctionEaseIn, kCAMediaTimingFunctionEaseOut,
    kCAMediaTimingFunctionEaseInEaseOut, kCAMediaTimingFunctionDefault;

class MediaTimingFunction : public rt::Object {
  RT_CLASS_NAMED(MediaTimingFunction, rt::Object, "CAMediaTimingFunction")
 public:
  void init() {}
  void init(float c1x, float c1y, float c2x, float c2y);

  /// One of the named curves; an unknown name yields null.
  static Ref<MediaTimingFunction> functionWithName(const rt::String& name);
  static Ref<MediaTimingFunction> functionWithControlPoints(float c1x, float c1y, float c2x, float c2y);
  /// A damped spring released towards 1 that settles by t = 1: `dampingRatio` 1 is critical
  /// (no overshoot), lower ratios oscillate; `initialVelocity` is in whole distances per whole
  /// duration, negative moving away first.
  static Ref<MediaTimingFunction> springFunction(double dampingRatio, double initialVelocity);

  /// Control point 0...3 (0 is (0, 0), 3 is (1, 1)); other indexes leave `values` untouched.
  void getControlPointAtIndex(size_t index, float values[2]) const;
  /// Progress at elapsed fraction `t` (clamped to 0...1).
  double evaluate(double t) const;

  using rt::Object::isEqual;
  bool isEqual(const rt::Object* other) const override;
  rt::String description() const override;

 private:
  double springValue(double t) const;

  std::array<float, 4> c_{0, 0, 1, 1};
  bool spring_ = false;
  double damping_ = 1, velocity_ = 0;
};

}  // namespace ui
