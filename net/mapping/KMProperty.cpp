#include "net/mapping/KMProperty.h"

#include "platform/foundation/values/Null.h"
#include "platform/foundation/text/StringObject.h"

namespace net {

RT_IMPLEMENT(KMProperty) {
  c.property("name", &KMProperty::name);
  c.property("type", &KMProperty::type);
  c.property("srcClass", &KMProperty::srcClass, &KMProperty::setSrcClass);
}

Ref<KMProperty> KMProperty::cachedPropertyWithProperty(const rt::Property* property) {
  if (!property) return nullptr;
  // Kept on this class object under the handle, for the life of the process.
  const rt::Class* self = classObject();
  if (auto cached = rt::as<KMProperty>(self->slot(property))) return cached;
  auto p = rt::make<KMProperty>();
  p->setProperty(property);
  self->setSlot(property, p);
  return p;
}

void KMProperty::setProperty(const rt::Property* property) {
  property_ = property;
  if (!property) return;
  name_ = property->name;
  // The type code sits between the leading "T" and the first comma.
  const std::string& attrs = property->attributes;
  std::string code;
  if (!attrs.empty()) {
    size_t comma = attrs.find(',');
    code = comma == std::string::npos ? attrs.substr(1) : attrs.substr(1, comma - 1);
  }
  type_ = KMPropertyType::cachedTypeWithCode(fd::String(code));
}

const Ref<fd::MutableDictionary>& KMProperty::propertyKeysDict() {
  if (!propertyKeysDict_) propertyKeysDict_ = fd::MutableDictionary::create();
  lastKeysClass_ = nullptr;  // the caller may change the table
  lastKeys_ = nullptr;
  return propertyKeysDict_;
}

void KMProperty::setPropertyKeysDict(Ref<fd::MutableDictionary> dict) {
  propertyKeysDict_ = std::move(dict);
  lastKeysClass_ = nullptr;
  lastKeys_ = nullptr;
}

const Ref<fd::MutableDictionary>& KMProperty::objectClassInArrayDict() {
  if (!objectClassInArrayDict_) objectClassInArrayDict_ = fd::MutableDictionary::create();
  return objectClassInArrayDict_;
}

rt::Id KMProperty::valueForObject(const rt::Object& object) const {
  if (type_ && type_->isKVCDisabled()) return fd::Null::null();
  return object.valueForKey(name_);
}

void KMProperty::setValueForObject(const rt::Id& value, rt::Object& object) const {
  if ((type_ && type_->isKVCDisabled()) || !value) return;
  object.setValueForKey(value, name_);
}

Ref<fd::MutableArray> KMProperty::propertyKeysWithStringKey(const fd::String& stringKey) {
  if (stringKey.isEmpty()) return nullptr;
  auto keys = fd::MutableArray::create();
  for (const fd::String& component : stringKey.componentsSeparatedByString(".")) {
    size_t bracket = component.rangeOfString("[").location;
    if (bracket == rt::NotFound) {
      keys->addObject(KMPropertyKey::create(component));
      continue;
    }
    fd::String prefix = component.substring(0, bracket);
    fd::String indexPart = component;
    if (!prefix.isEmpty()) {
      keys->addObject(KMPropertyKey::create(prefix));
      indexPart = component.stringByReplacingOccurrencesOfString(prefix, "");
    }
    std::vector<fd::String> segments = indexPart.stringByReplacingOccurrencesOfString("[", "").componentsSeparatedByString("]");
    // Text after the last "]" is dropped.
    for (size_t i = 0; i + 1 < segments.size(); ++i) keys->addObject(KMPropertyKey::create(segments[i], KMPropertyKeyTypeArray));
  }
  return keys;
}

void KMProperty::setOriginKey(const rt::Id& originKey, const rt::Class* cls) {
  if (auto s = fd::stringValue(originKey)) {
    auto keys = propertyKeysWithStringKey(*s);
    if (keys && keys->count() > 0) setPorpertyKeys(fd::Array::create({keys}), cls);
  } else if (auto list = rt::as<fd::Array>(originKey)) {
    auto alternatives = fd::MutableArray::create();
    for (const rt::Id& element : *list) {
      auto text = fd::stringValue(element);
      if (!text) continue;
      auto keys = propertyKeysWithStringKey(*text);
      if (keys && keys->count() > 0) alternatives->addObject(keys);
    }
    if (alternatives->count() > 0) setPorpertyKeys(alternatives, cls);
  }
}

void KMProperty::setPorpertyKeys(const Ref<fd::Array>& propertyKeys, const rt::Class* cls) {
  if (!propertyKeys || propertyKeys->count() == 0 || !cls) return;
  propertyKeysDict()->setObjectForKey(propertyKeys, cls->name());
}

Ref<fd::Array> KMProperty::propertyKeysForClass(const rt::Class* cls) const {
  if (!cls || !propertyKeysDict_) return nullptr;
  if (cls != lastKeysClass_) {
    lastKeys_ = rt::as<fd::Array>(propertyKeysDict_->objectForKey(cls->name()));
    lastKeysClass_ = cls;
  }
  return lastKeys_;
}

void KMProperty::setObjectClassInArray(const rt::Class* objectClass, const rt::Class* cls) {
  if (!objectClass || !cls) return;
  objectClassInArrayDict()->setObjectForKey(const_cast<rt::Class*>(objectClass)->self(), cls->name());
}

const rt::Class* KMProperty::objectClassInArrayForClass(const rt::Class* cls) const {
  if (!cls || !objectClassInArrayDict_) return nullptr;
  return dynamic_cast<const rt::Class*>(objectClassInArrayDict_->objectForKey(cls->name()).get());
}

}  // namespace net
