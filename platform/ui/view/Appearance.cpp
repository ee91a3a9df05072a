#include "platform/ui/view/Appearance.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(BarItemAppearance) {}

void BarItemAppearance::setTitleTextAttributes(const Ref<fd::Dictionary>& attributes, uint64_t state) {
  if (attributes) attributes_[state] = attributes;
  else attributes_.erase(state);
}

Ref<fd::Dictionary> BarItemAppearance::titleTextAttributesForState(uint64_t state) const {
  auto it = attributes_.find(state);
  return it == attributes_.end() ? nullptr : it->second;
}

}  // namespace ui
