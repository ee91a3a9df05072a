#pragma once
// One key path of a view moved between two values as the viewer's offset along one axis goes
// from -1 to 1 (linearly; the middle when level).
#include "platform/ui/view/MotionEffect.h"

namespace ui {

enum class InterpolatingMotionEffectType : int64_t { TiltAlongHorizontalAxis = 0, TiltAlongVerticalAxis = 1 };

class InterpolatingMotionEffect : public MotionEffect {
  RT_CLASS_NAMED(InterpolatingMotionEffect, MotionEffect, "UIInterpolatingMotionEffect")
 public:
  void init(const rt::String& keyPath, InterpolatingMotionEffectType type);

  rt::String keyPath() const { return keyPath_; }
  InterpolatingMotionEffectType type() const { return type_; }
  /// Numbers (null: none).
  rt::Id minimumRelativeValue() const { return minimum_; }
  void setMinimumRelativeValue(const rt::Id& v) { minimum_ = v; }
  rt::Id maximumRelativeValue() const { return maximum_; }
  void setMaximumRelativeValue(const rt::Id& v) { maximum_ = v; }

  /// {keyPath: value} for the offset along the effect's axis, or null without both numbers.
  Ref<fd::Dictionary> keyPathsAndRelativeValuesForViewerOffset(gfx::Offset offset) const override;

 private:
  rt::String keyPath_;
  InterpolatingMotionEffectType type_ = InterpolatingMotionEffectType::TiltAlongHorizontalAxis;
  rt::Id minimum_;
  rt::Id maximum_;
};

}  // namespace ui
