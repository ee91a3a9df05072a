#include "platform/ui/view/MotionEffectGroup.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(MotionEffectGroup) {}

Ref<fd::Dictionary> MotionEffectGroup::keyPathsAndRelativeValuesForViewerOffset(gfx::Offset offset) const {
  Ref<fd::MutableDictionary> merged;
  for (const auto& e : effects_) {
    auto part = e ? e->keyPathsAndRelativeValuesForViewerOffset(offset) : nullptr;
    if (!part) continue;
    if (!merged) merged = fd::MutableDictionary::dictionaryWithCapacity(4);
    part->enumerateKeysAndObjects([&](const rt::Id& k, const rt::Id& v, bool&) { merged->setObjectForKey(v, k); });
  }
  return merged;
}

}  // namespace ui
