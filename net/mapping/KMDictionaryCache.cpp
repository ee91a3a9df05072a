#include "net/mapping/KMDictionaryCache.h"

#include <unordered_map>

#include "platform/foundation/text/StringObject.h"

namespace net {

namespace {

// The shared tables; never destroyed, as objects may be mapped while statics are torn down.
std::unordered_map<KMDictionaryCache::DictId, Ref<fd::MutableDictionary>>& tables() {
  static auto* t = new std::unordered_map<KMDictionaryCache::DictId, Ref<fd::MutableDictionary>>;
  return *t;
}

Ref<fd::MutableDictionary> tableFor(KMDictionaryCache::DictId dictId) {
  auto& slot = tables()[dictId];
  if (!slot) slot = fd::MutableDictionary::create();
  return slot;
}

}  // namespace

Ref<fd::MutableDictionary> KMDictionaryCache::setObject(const rt::Id& object, const rt::Id& key, DictId dictId) {
  Ref<fd::MutableDictionary> table = tableFor(dictId);
  if (!key) return table;
  if (object) table->setObjectForKey(object, key);
  else table->removeObjectForKey(key);
  return table;
}

Ref<fd::MutableDictionary> KMDictionaryCache::setObject(const rt::Id& object, const fd::String& key, DictId dictId) {
  return setObject(object, fd::box(key), dictId);
}

rt::Id KMDictionaryCache::objectForKey(const rt::Id& key, DictId dictId) {
  auto& t = tables();
  auto it = t.find(dictId);
  if (it == t.end() || !key) return nullptr;
  return it->second->objectForKey(key);
}

rt::Id KMDictionaryCache::objectForKey(const fd::String& key, DictId dictId) {
  auto& t = tables();
  auto it = t.find(dictId);
  if (it == t.end()) return nullptr;
  return it->second->objectForKey(key);
}

Ref<fd::MutableDictionary> KMDictionaryCache::dictWithDictId(DictId dictId) {
  auto& t = tables();
  auto it = t.find(dictId);
  return it == t.end() ? nullptr : it->second;
}

}  // namespace net
