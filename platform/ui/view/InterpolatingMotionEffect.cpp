#include "platform/ui/view/InterpolatingMotionEffect.h"

#include <algorithm>

#include "platform/foundation/values/Number.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(InterpolatingMotionEffect) {
  c.property("keyPath", &InterpolatingMotionEffect::keyPath);
  c.property("minimumRelativeValue", &InterpolatingMotionEffect::minimumRelativeValue,
             &InterpolatingMotionEffect::setMinimumRelativeValue);
  c.property("maximumRelativeValue", &InterpolatingMotionEffect::maximumRelativeValue,
             &InterpolatingMotionEffect::setMaximumRelativeValue);
}

void InterpolatingMotionEffect::init(const rt::String& keyPath, InterpolatingMotionEffectType type) {
  keyPath_ = keyPath;
  type_ = type;
}

Ref<fd::Dictionary> InterpolatingMotionEffect::keyPathsAndRelativeValuesForViewerOffset(gfx::Offset offset) const {
  auto lo = rt::as<fd::Number>(minimum_), hi = rt::as<fd::Number>(maximum_);
  if (!lo || !hi || keyPath_.isEmpty()) return nullptr;
  double o = type_ == InterpolatingMotionEffectType::TiltAlongHorizontalAxis ? offset.horizontal : offset.vertical;
  double t = (std::clamp(o, -1.0, 1.0) + 1) / 2;
  double v = lo->doubleValue() + t * (hi->doubleValue() - lo->doubleValue());
  return fd::Dictionary::withStrings({{keyPath_, fd::Number::numberWithDouble(v)}});
}

}  // namespace ui
