#include "net/mapping/NSObject+KMCoding.h"

#include "net/mapping/KMSupport.h"
#include "net/mapping/NSObject+KMClass.h"
#include "net/mapping/NSObject+KMProperty.h"

namespace net {

namespace {

/// Visits the properties the class's coding settings let through.
template <class F> void forEachCodedProperty(const rt::Class* cls, F&& body) {
  Ref<fd::MutableArray> allowed = km_totalAllowedCodingPropertyNames(cls);
  Ref<fd::MutableArray> ignored = km_totalIgnoredCodingPropertyNames(cls);
  km_enumerateProperties(cls, [&](const Ref<KMProperty>& property, bool&) {
    const fd::String& name = property->name();
    if (allowed->count() > 0 && !km_detail::containsName(allowed, name)) return;
    if (km_detail::containsName(ignored, name)) return;
    body(*property);
  });
}

}  // namespace

void km_encode(const rt::Object& object, fd::KeyedArchiver& coder) {
  forEachCodedProperty(object.getClass(), [&](const KMProperty& property) {
    if (rt::Id value = property.valueForObject(object)) coder.encodeObject(value, property.name());
  });
}

void km_decode(rt::Object& object, fd::KeyedUnarchiver& coder) {
  const rt::Class* cls = object.getClass();
  forEachCodedProperty(cls, [&](const KMProperty& property) {
    rt::Id value = coder.decodeObjectForKey(property.name());
    if (!value) value = coder.decodeObjectForKey("_" + property.name());
    if (!value) return;
    try {
      property.setValueForObject(value, object);
    } catch (const std::exception& e) {
      km_detail::failWith(cls, e);
    }
  });
}

}  // namespace net
