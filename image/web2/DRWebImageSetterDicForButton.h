#pragma once
// A button's request slots: one setter per single control state (0 normal, 1 highlighted,
// 2 disabled, 4 selected), looked up and made in one locked step.
#include <map>
#include <mutex>

#include "image/web2/DRWebImageSetter.h"

namespace image {

class DRWebImageSetterDicForButton : public rt::Object {
  RT_CLASS_NAMED(DRWebImageSetterDicForButton, rt::Object, "_DRWebImageSetterDicForButton")
 public:
  /// Null for a state never requested; makes nothing.
  Ref<DRWebImageSetter> setterForState(uint64_t state) const;
  /// The state's setter, made when missing.
  Ref<DRWebImageSetter> lazySetterForState(uint64_t state);

 private:
  mutable std::mutex lock_;
  std::map<uint64_t, Ref<DRWebImageSetter>> dic_;
};

}  // namespace image
