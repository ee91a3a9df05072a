#pragma once
// Several motion effects applied together; their answers are merged, later effects winning on
// a shared key path.
#include <vector>

#include "platform/ui/view/MotionEffect.h"

namespace ui {

class MotionEffectGroup : public MotionEffect {
  RT_CLASS_NAMED(MotionEffectGroup, MotionEffect, "UIMotionEffectGroup")
 public:
  const std::vector<Ref<MotionEffect>>& motionEffects() const { return effects_; }
  void setMotionEffects(std::vector<Ref<MotionEffect>> effects) { effects_ = std::move(effects); }

  Ref<fd::Dictionary> keyPathsAndRelativeValuesForViewerOffset(gfx::Offset offset) const override;

 private:
  std::vector<Ref<MotionEffect>> effects_;
};

}  // namespace ui
