#include "net/mapping/KMFoundation.h"

#include "platform/foundation/ManagedObject.h"

namespace net {

const std::vector<const rt::Class*>& KMFoundation::foundationClasses() {
  static const std::vector<const rt::Class*> classes = [] {
    std::vector<const rt::Class*> out;
    for (const char* name : {"NSURL", "NSDate", "NSValue", "NSData", "NSError", "NSArray", "NSDictionary",
                             "NSString", "NSAttributedString"})
      if (const rt::Class* c = rt::Class::named(name)) out.push_back(c);
    return out;
  }();
  return classes;
}

bool KMFoundation::isClassFromFoundation(const rt::Class* cls) {
  if (!cls) return false;
  // Exactly these two: their subclasses are model classes.
  if (cls == rt::Object::classObject() || cls == fd::ManagedObject::classObject()) return true;
  for (const rt::Class* f : foundationClasses())
    if (cls->isSubclassOfClass(f)) return true;
  return false;
}

}  // namespace net
