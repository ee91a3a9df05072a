#pragma once
// Appearance proxies: values set once for a whole class of bar items, used by every item of
// that class that has no value of its own.
#include <cstdint>
#include <map>

#include "platform/foundation/values/Dictionary.h"
#include "platform/runtime/Class.h"

namespace ui {

class BarItemAppearance : public rt::Object {
  RT_CLASS_NAMED(BarItemAppearance, rt::Object, "_UIBarItemAppearance")
 public:
  void init() {}
  void setTitleTextAttributes(const Ref<fd::Dictionary>& attributes, uint64_t state);
  Ref<fd::Dictionary> titleTextAttributesForState(uint64_t state) const;
  /// Drops everything set (tests share the proxies).
  void reset() { attributes_.clear(); }

 private:
  std::map<uint64_t, Ref<fd::Dictionary>> attributes_;
};

}  // namespace ui
