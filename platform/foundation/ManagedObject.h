#pragma once
// A stand-in for the platform's persistent-store record class. It exists so that code which
// maps dictionaries onto objects can recognise the class; it has no behaviour.
#include "platform/foundation/Types.h"

namespace fd {

class ManagedObject : public Object {
  RT_CLASS_NAMED(ManagedObject, Object, "NSManagedObject")
 public:
  void init() {}
};

}  // namespace fd
