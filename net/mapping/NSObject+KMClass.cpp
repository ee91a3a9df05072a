#include "net/mapping/NSObject+KMClass.h"

#include "net/mapping/KMDictionaryCache.h"
#include "net/mapping/KMFoundation.h"
#include "net/mapping/KMHooks.h"

namespace net {

void km_enumerateClasses(const rt::Class* cls, const KMClassesEnumeration& block) {
  if (!block) return;
  bool stop = false;
  for (const rt::Class* c = cls; c && !stop;) {
    block(c, stop);
    c = c->superclass();
    if (c && KMFoundation::isClassFromFoundation(c)) break;
  }
}

void km_enumerateAllClasses(const rt::Class* cls, const KMClassesEnumeration& block) {
  if (!block) return;
  bool stop = false;
  for (const rt::Class* c = cls; c && !stop; c = c->superclass()) block(c, stop);
}

bool km_respondsToClassHook(const rt::Class* cls, rt::Selector selector) {
  return cls && cls->classMethod(selector) != nullptr;
}

rt::Id km_classHookAnswer(const rt::Class* cls, rt::Selector selector, const std::vector<rt::Value>& args) {
  if (!km_respondsToClassHook(cls, selector)) return nullptr;
  return cls->metaclass()->invoke(const_cast<rt::Class*>(cls), selector, args).object();
}

void km_setupBlockReturnValue(const rt::Class* cls, const std::function<rt::Id()>& block, const void* key) {
  if (!cls) return;
  cls->setSlot(key, block ? block() : nullptr);
  if (auto table = KMDictionaryCache::dictWithDictId(key)) table->removeAllObjects();
}

Ref<fd::MutableArray> km_totalObjectsWithSelector(const rt::Class* cls, rt::Selector selector, const void* key) {
  if (!cls) return fd::MutableArray::create();
  if (auto cached = rt::as<fd::MutableArray>(KMDictionaryCache::objectForKey(cls->name(), key))) return cached;
  auto total = fd::MutableArray::create();
  // Stored before it is filled, so that a hook asking for the same total meets this one.
  KMDictionaryCache::setObject(total, cls->name(), key);
  if (auto answer = rt::as<fd::Array>(km_classHookAnswer(cls, selector))) total->addObjectsFromArray(*answer);
  km_enumerateAllClasses(cls, [&](const rt::Class* c, bool&) {
    if (auto names = rt::as<fd::Array>(c->slot(key))) total->addObjectsFromArray(*names);
  });
  return total;
}

namespace {
std::function<rt::Id()> erase(const KMNamesBlock& block) {
  if (!block) return nullptr;
  return [block] { return rt::Id(block()); };
}
}  // namespace

void km_setupAllowedPropertyNames(const rt::Class* cls, const KMNamesBlock& block) {
  km_setupBlockReturnValue(cls, erase(block), &km_keys::allowedPropertyNames);
}
void km_setupIgnoredPropertyNames(const rt::Class* cls, const KMNamesBlock& block) {
  km_setupBlockReturnValue(cls, erase(block), &km_keys::ignoredPropertyNames);
}
void km_setupAllowedCodingPropertyNames(const rt::Class* cls, const KMNamesBlock& block) {
  km_setupBlockReturnValue(cls, erase(block), &km_keys::allowedCodingPropertyNames);
}
void km_setupIgnoredCodingPropertyNames(const rt::Class* cls, const KMNamesBlock& block) {
  km_setupBlockReturnValue(cls, erase(block), &km_keys::ignoredCodingPropertyNames);
}

Ref<fd::MutableArray> km_totalAllowedPropertyNames(const rt::Class* cls) {
  static const rt::Selector hook = rt::sel(km_selectors::allowedPropertyNames);
  return km_totalObjectsWithSelector(cls, hook, &km_keys::allowedPropertyNames);
}
Ref<fd::MutableArray> km_totalIgnoredPropertyNames(const rt::Class* cls) {
  static const rt::Selector hook = rt::sel(km_selectors::ignoredPropertyNames);
  return km_totalObjectsWithSelector(cls, hook, &km_keys::ignoredPropertyNames);
}
Ref<fd::MutableArray> km_totalAllowedCodingPropertyNames(const rt::Class* cls) {
  static const rt::Selector hook = rt::sel(km_selectors::allowedCodingPropertyNames);
  return km_totalObjectsWithSelector(cls, hook, &km_keys::allowedCodingPropertyNames);
}
Ref<fd::MutableArray> km_totalIgnoredCodingPropertyNames(const rt::Class* cls) {
  static const rt::Selector hook = rt::sel(km_selectors::ignoredCodingPropertyNames);
  return km_totalObjectsWithSelector(cls, hook, &km_keys::ignoredCodingPropertyNames);
}

}  // namespace net
