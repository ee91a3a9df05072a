// Groups: child animations on the group's own timeline.
#include <algorithm>
#include <cmath>

#include "platform/ui/layer/Animation.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(AnimationGroup) {}

void AnimationGroup::copyInto(Animation& to) const {
  Animation::copyInto(to);
  if (auto* g = dynamic_cast<AnimationGroup*>(&to)) {
    g->animations_.clear();
    for (auto& a : animations_)
      if (a) g->animations_.push_back(std::static_pointer_cast<Animation>(a->copy()));
  }
}

void AnimationGroup::applyTo(Layer& presentation, const Layer& model, double t) const {
  if (!progressAt(t)) return;
  double active = activeDuration();
  double local = std::clamp((t - beginTime()) * speed() + timeOffset(), 0.0, active);
  double d = duration() > 0 ? duration() : 0.25;
  double iter = iterationDuration();
  double within = std::fmod(local, iter);
  if (local > 0 && within < 1e-9) within = iter;
  if (autoreverses() && within > d) within = 2 * d - within;
  for (auto& a : animations_)
    if (a) a->applyTo(presentation, model, within);
}

}  // namespace ui
