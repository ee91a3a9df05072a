#include "platform/foundation/values/Null.h"

#include "platform/foundation/values/Boxing.h"

namespace fd {

// Values of this class reach the runtime through the boxing hooks: make sure they are in.
[[maybe_unused]] static const bool kNullBoxingInstalled = (installBoxing(), true);

RT_IMPLEMENT_PLATFORM(Null) {
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
}

const Ref<Null>& Null::null() {
  static const Ref<Null> instance = rt::make<Null>();
  return instance;
}

bool Null::isEqual(const Object* other) const { return dynamic_cast<const Null*>(other) != nullptr; }

Id Null::copy() const { return std::const_pointer_cast<Object>(self()); }

}  // namespace fd
