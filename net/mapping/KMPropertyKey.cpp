#include "net/mapping/KMPropertyKey.h"

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"

namespace net {

RT_IMPLEMENT(KMPropertyKey) {
  c.property("name", &KMPropertyKey::name, &KMPropertyKey::setName);
  c.property("type", &KMPropertyKey::type, &KMPropertyKey::setType);
}

Ref<KMPropertyKey> KMPropertyKey::create(const fd::String& name, int32_t type) {
  auto k = rt::make<KMPropertyKey>();
  k->setName(name);
  k->setType(type);
  return k;
}

void KMPropertyKey::setName(fd::String name) {
  name_ = std::move(name);
  index_ = name_.integerValue();
}

rt::Id KMPropertyKey::valueInObject(const rt::Id& object) const {
  if (!object) return nullptr;
  if (type_ == KMPropertyKeyTypeDictionary) {
    if (object->isKindOfClass(fd::Dictionary::classObject()))
      return static_cast<const fd::Dictionary&>(*object).objectForKey(name_);
  } else if (type_ == KMPropertyKeyTypeArray) {
    if (object->isKindOfClass(fd::Array::classObject())) {
      const auto& a = static_cast<const fd::Array&>(*object);
      if (index_ >= 0 && static_cast<uint64_t>(index_) < a.count()) return a.objectAtIndex(static_cast<size_t>(index_));
    }
  }
  return nullptr;
}

}  // namespace net
