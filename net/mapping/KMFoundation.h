#pragma once
// Tells the platform's own classes from model classes: the mapping converts model objects
// property by property and passes platform objects through as they are.
#include <vector>

#include "platform/foundation/Types.h"

namespace net {

class KMFoundation {
 public:
  /// The platform classes whose descendants count as platform classes, made once on first
  /// use (classes this platform lacks are left out).
  static const std::vector<const rt::Class*>& foundationClasses();
  /// True for exactly the root class or the managed-object base class, and for every class
  /// that is or descends from one of foundationClasses(); false for null.
  static bool isClassFromFoundation(const rt::Class* cls);
};

}  // namespace net
