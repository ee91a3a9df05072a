// Keyframe animations: a value sequence with key times and per-segment timing.
#include <algorithm>

#include "platform/ui/layer/Animation.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(KeyframeAnimation) {
  c.property("calculationMode", &KeyframeAnimation::calculationMode, &KeyframeAnimation::setCalculationMode);
}

const rt::String kCAAnimationLinear("linear"), kCAAnimationDiscrete("discrete"), kCAAnimationPaced("paced");

Ref<KeyframeAnimation> KeyframeAnimation::animationWithKeyPath(const rt::String& keyPath) {
  auto a = rt::make<KeyframeAnimation>();
  a->setKeyPath(keyPath);
  return a;
}

void KeyframeAnimation::copyInto(Animation& to) const {
  PropertyAnimation::copyInto(to);
  if (auto* k = dynamic_cast<KeyframeAnimation*>(&to)) {
    k->values_ = values_;
    k->keyTimes_ = keyTimes_;
    k->timingFunctions_ = timingFunctions_;
    k->calculationMode_ = calculationMode_;
  }
}

rt::Id KeyframeAnimation::valueAtProgress(double p) const {
  size_t n = values_.size();
  if (n == 0) return nullptr;
  if (n == 1) return values_[0];
  std::vector<double> times = keyTimes_;
  if (times.size() != n) {
    times.resize(n);
    for (size_t i = 0; i < n; ++i) times[i] = static_cast<double>(i) / static_cast<double>(n - 1);
  }
  p = std::clamp(p, 0.0, 1.0);
  if (calculationMode_ == kCAAnimationDiscrete) {
    size_t i = 0;
    while (i + 1 < n && p >= times[i + 1]) ++i;
    return values_[i];
  }
  if (p <= times.front()) return values_.front();
  if (p >= times.back()) return values_.back();
  size_t i = 0;
  while (i + 2 < n && p >= times[i + 1]) ++i;
  double span = times[i + 1] - times[i];
  double local = span > 0 ? (p - times[i]) / span : 1;
  if (i < timingFunctions_.size() && timingFunctions_[i]) local = timingFunctions_[i]->evaluate(local);
  return interpolateValues(values_[i], values_[i + 1], local);
}

void KeyframeAnimation::applyTo(Layer& presentation, const Layer&, double t) const {
  if (keyPath().isEmpty() || values_.empty()) return;
  auto p = progressAt(t);
  if (!p) return;
  rt::Id value = valueAtProgress(*p);
  if (isAdditive()) value = addValues(presentation.valueForKeyPath(keyPath()), value);
  presentation.setValueForKeyPath(value, keyPath());
}

}  // namespace ui
