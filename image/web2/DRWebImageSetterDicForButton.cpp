#include "image/web2/DRWebImageSetterDicForButton.h"

namespace image {

RT_IMPLEMENT(DRWebImageSetterDicForButton) {}

Ref<DRWebImageSetter> DRWebImageSetterDicForButton::setterForState(uint64_t state) const {
  std::lock_guard lock(lock_);
  auto it = dic_.find(state);
  return it == dic_.end() ? nullptr : it->second;
}

Ref<DRWebImageSetter> DRWebImageSetterDicForButton::lazySetterForState(uint64_t state) {
  std::lock_guard lock(lock_);
  auto& slot = dic_[state];
  if (!slot) slot = rt::make<DRWebImageSetter>();
  return slot;
}

}  // namespace image
