#pragma once
// The one null object, standing for "nothing" where a collection needs an object.
#include "platform/foundation/Types.h"

namespace fd {

class Null : public Object {
  RT_CLASS_NAMED(Null, Object, "NSNull")
 public:
  void init() {}
  static const Ref<Null>& null();
  /// True for the null object (not for a null reference).
  static bool isNull(const Id& o) { return o.get() == null().get(); }

  String description() const override { return "<null>"; }
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override { return 0x6e756c6cu; }
  Id copy() const override;
};

}  // namespace fd
