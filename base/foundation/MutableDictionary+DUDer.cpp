#include "base/foundation/MutableDictionary+DUDer.h"

#include "platform/foundation/serialization/PropertyListSerialization.h"

namespace base {

Ref<fd::MutableDictionary> mutableDictionaryWithPlistData(const Ref<fd::Data>& data) {
  if (!data) return nullptr;
  return rt::as<fd::MutableDictionary>(fd::PropertyListSerialization::propertyListWithData(
      data, fd::PropertyListMutableContainersAndLeaves, nullptr, nullptr));
}

Ref<fd::MutableDictionary> mutableDictionaryWithPlistString(const std::optional<String>& text) {
  if (!text) return nullptr;
  return mutableDictionaryWithPlistData(fd::Data::create(text->utf8()));
}

rt::Id popObjectForKey(fd::MutableDictionary& dict, const rt::Id& key) {
  if (!key) return nullptr;
  return dict.withLock([&] {
    rt::Id value = dict.objectForKey(key);
    dict.removeObjectForKey(key);
    return value;
  });
}

Ref<fd::Dictionary> popEntriesForKeys(fd::MutableDictionary& dict, const std::vector<rt::Id>& keys) {
  auto out = fd::MutableDictionary::create();
  dict.withLock([&] {
    for (const auto& key : keys) {
      if (!key) continue;
      if (rt::Id value = dict.objectForKey(key)) {
        out->setObjectForKey(value, key);
        dict.removeObjectForKey(key);
      }
    }
  });
  return rt::as<fd::Dictionary>(out->copy());
}

}  // namespace base
