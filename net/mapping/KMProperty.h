#pragma once
// One declared property of a model class as the mapping sees it: its name, its classified
// type, and, per model class that inherits it, the key paths its value is found under and
// the class of the elements of an array it holds. One instance per runtime property, shared
// by the declaring class and all its subclasses.
#include "net/mapping/KMPropertyKey.h"
#include "net/mapping/KMPropertyType.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"

namespace net {

class KMProperty : public rt::Object {
  RT_CLASS(KMProperty, rt::Object)
 public:
  void init() {}

  /// The instance kept for `property`, made on first request; null for null.
  static Ref<KMProperty> cachedPropertyWithProperty(const rt::Property* property);

  /// Stores the handle and, for a non-null one, takes the name and the type from it.
  void setProperty(const rt::Property* property);
  const rt::Property* property() const { return property_; }
  const fd::String& name() const { return name_; }
  const Ref<KMPropertyType>& type() const { return type_; }
  /// The class that declares the property.
  const rt::Class* srcClass() const { return srcClass_; }
  void setSrcClass(const rt::Class* cls) { srcClass_ = cls; }

  /// Class name to that class's key paths; made empty on first read. Changes made to it
  /// count from the next call of this accessor on.
  const Ref<fd::MutableDictionary>& propertyKeysDict();
  void setPropertyKeysDict(Ref<fd::MutableDictionary> dict);
  /// Class name to that class's element class; made empty on first read.
  const Ref<fd::MutableDictionary>& objectClassInArrayDict();
  void setObjectClassInArrayDict(Ref<fd::MutableDictionary> dict) { objectClassInArrayDict_ = std::move(dict); }

  /// The property's value read through key-value coding (scalars boxed as numbers); the
  /// null object when its type cannot be read that way.
  rt::Id valueForObject(const rt::Object& object) const;
  /// Sets through key-value coding (which unboxes numbers into scalars and raises on values
  /// of the wrong kind); does nothing for nil or a type key-value coding cannot set.
  void setValueForObject(const rt::Id& value, rt::Object& object) const;

  /// The steps of a key path such as "a.b[0]" or "list[1][2]"; null for an empty string.
  static Ref<fd::MutableArray> propertyKeysWithStringKey(const fd::String& stringKey);
  /// Turns a replacement key (a key path string, or an array of them tried in order) into
  /// key paths stored for `cls`; keys that give no steps store nothing.
  void setOriginKey(const rt::Id& originKey, const rt::Class* cls);
  /// Stores a non-empty array of alternatives (each an array of KMPropertyKey) for `cls`.
  void setPorpertyKeys(const Ref<fd::Array>& propertyKeys, const rt::Class* cls);
  /// The alternatives stored for `cls`, or null.
  Ref<fd::Array> propertyKeysForClass(const rt::Class* cls) const;
  /// Stores a non-null element class for `cls`.
  void setObjectClassInArray(const rt::Class* objectClass, const rt::Class* cls);
  const rt::Class* objectClassInArrayForClass(const rt::Class* cls) const;

 private:
  const rt::Property* property_ = nullptr;
  fd::String name_;
  Ref<KMPropertyType> type_;
  const rt::Class* srcClass_ = nullptr;
  Ref<fd::MutableDictionary> propertyKeysDict_;
  // The last lookup of propertyKeysForClass: conversions ask for the same class many times.
  mutable const rt::Class* lastKeysClass_ = nullptr;
  mutable Ref<fd::Array> lastKeys_;
  Ref<fd::MutableDictionary> objectClassInArrayDict_;
};

}  // namespace net
