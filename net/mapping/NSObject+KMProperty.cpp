#include "net/mapping/NSObject+KMProperty.h"

#include "net/mapping/KMDictionaryCache.h"
#include "net/mapping/KMHooks.h"
#include "net/mapping/NSObject+KMClass.h"

namespace net {

namespace {

rt::Value boxedName(const fd::String& name) { return rt::Value::ofObject(fd::box(name), "@\"NSString\""); }

rt::Id entryFor(const rt::Id& dictionary, const fd::String& name) {
  auto d = rt::as<fd::Dictionary>(dictionary);
  return d ? d->objectForKey(name) : nullptr;
}

void emptyPropertyLists() {
  if (auto table = KMDictionaryCache::dictWithDictId(&km_keys::propertyLists)) table->removeAllObjects();
}

template <class F> rt::Id boxBlock(const F& f) { return f ? rt::boxBlockObject(f) : nullptr; }

}  // namespace

rt::Id propertyKey(const rt::Class* cls, const std::optional<fd::String>& propertyName) {
  if (!propertyName) return nullptr;
  const fd::String& name = *propertyName;
  rt::Id key;
  static const rt::Selector hook121 = rt::sel(km_selectors::replacedKeyFromPropertyName121);
  static const rt::Selector legacy121 = rt::sel(km_selectors::legacyReplacedKeyFromPropertyName121);
  static const rt::Selector hookDict = rt::sel(km_selectors::replacedKeyFromPropertyName);
  static const rt::Selector legacyDict = rt::sel(km_selectors::legacyReplacedKeyFromPropertyName);
  if (km_respondsToClassHook(cls, hook121)) key = km_classHookAnswer(cls, hook121, {boxedName(name)});
  // The older hook has the last word, whatever the newer one said.
  if (km_respondsToClassHook(cls, legacy121)) key = km_classHookAnswer(cls, legacy121, {boxedName(name)});
  if (!key) {
    km_enumerateAllClasses(cls, [&](const rt::Class* c, bool& stop) {
      KMReplacedKeyBlock block;
      if (rt::unboxBlockObject(c->slot(&km_keys::replacedKeyFromPropertyName121), block) && block) {
        key = block(name);
        if (key) stop = true;
      }
    });
  }
  if (!key && km_respondsToClassHook(cls, hookDict)) key = entryFor(km_classHookAnswer(cls, hookDict), name);
  if (!key && km_respondsToClassHook(cls, legacyDict)) key = entryFor(km_classHookAnswer(cls, legacyDict), name);
  if (!key) {
    km_enumerateAllClasses(cls, [&](const rt::Class* c, bool& stop) {
      key = entryFor(c->slot(&km_keys::replacedKeyFromPropertyName), name);
      if (key) stop = true;
    });
  }
  return key ? key : fd::box(name);
}

const rt::Class* propertyObjectClassInArray(const rt::Class* cls, const fd::String& propertyName) {
  static const rt::Selector hook = rt::sel(km_selectors::objectClassInArray);
  static const rt::Selector legacy = rt::sel(km_selectors::legacyObjectClassInArray);
  rt::Id result;
  if (km_respondsToClassHook(cls, hook)) result = entryFor(km_classHookAnswer(cls, hook), propertyName);
  if (km_respondsToClassHook(cls, legacy)) result = entryFor(km_classHookAnswer(cls, legacy), propertyName);
  if (!result) {
    km_enumerateAllClasses(cls, [&](const rt::Class* c, bool& stop) {
      result = entryFor(c->slot(&km_keys::objectClassInArray), propertyName);
      if (result) stop = true;
    });
  }
  if (auto name = fd::stringValue(result)) return rt::Class::named(name->utf8());
  return dynamic_cast<const rt::Class*>(result.get());
}

Ref<fd::Array> properties(const rt::Class* cls) {
  if (!cls) return fd::Array::create();
  if (auto cached = rt::as<fd::Array>(KMDictionaryCache::objectForKey(cls->name(), &km_keys::propertyLists)))
    return cached;
  auto list = fd::MutableArray::create();
  km_enumerateClasses(cls, [&](const rt::Class* declaring, bool&) {
    for (const rt::Property* handle : declaring->properties()) {
      Ref<KMProperty> p = KMProperty::cachedPropertyWithProperty(handle);
      const fd::String& name = p->name();
      if (name == "hash" || name == "superclass" || name == "description" || name == "debugDescription") continue;
      p->setSrcClass(declaring);
      p->setOriginKey(propertyKey(cls, name), cls);
      p->setObjectClassInArray(propertyObjectClassInArray(cls, name), cls);
      list->addObject(p);
    }
  });
  KMDictionaryCache::setObject(list, cls->name(), &km_keys::propertyLists);
  return list;
}

void km_enumerateProperties(const rt::Class* cls, const KMPropertiesEnumeration& block) {
  if (!block) return;
  bool stop = false;
  for (const rt::Id& element : *properties(cls)) {
    block(std::static_pointer_cast<KMProperty>(element), stop);
    if (stop) break;
  }
}

void km_setupNewValueFromOldValue(const rt::Class* cls, KMNewValueBlock block) {
  if (cls) cls->setSlot(&km_keys::newValueFromOldValue, boxBlock(block));
}

void km_setupObjectClassInArray(const rt::Class* cls, const KMDictionaryBlock& block) {
  km_setupBlockReturnValue(cls, block ? std::function<rt::Id()>([block] { return rt::Id(block()); }) : nullptr,
                           &km_keys::objectClassInArray);
  emptyPropertyLists();
}

void km_setupReplacedKeyFromPropertyName(const rt::Class* cls, const KMDictionaryBlock& block) {
  km_setupBlockReturnValue(cls, block ? std::function<rt::Id()>([block] { return rt::Id(block()); }) : nullptr,
                           &km_keys::replacedKeyFromPropertyName);
  emptyPropertyLists();
}

void km_setupReplacedKeyFromPropertyName121(const rt::Class* cls, KMReplacedKeyBlock block) {
  if (cls) cls->setSlot(&km_keys::replacedKeyFromPropertyName121, boxBlock(block));
  emptyPropertyLists();
}

KMNewValueSource::KMNewValueSource(const rt::Class* cls, const rt::Object& object) : cls_(cls) {
  static const rt::Selector objectHook = rt::sel(km_selectors::newValueFromOldValue);
  static const rt::Selector classHook = rt::sel(km_selectors::legacyNewValueFromOldValue);
  if (object.respondsToSelector(objectHook)) {
    kind_ = Kind::ObjectHook;
    return;
  }
  if (km_respondsToClassHook(cls, classHook)) {
    kind_ = Kind::ClassHook;
    return;
  }
  km_enumerateAllClasses(cls, [&](const rt::Class* c, bool& stop) {
    KMNewValueBlock block;
    if (rt::unboxBlockObject(c->slot(&km_keys::newValueFromOldValue), block) && block) {
      block_ = std::move(block);
      kind_ = Kind::Block;
      stop = true;
    }
  });
}

rt::Id KMNewValueSource::newValue(rt::Object& object, const rt::Id& oldValue, const Ref<KMProperty>& property) const {
  switch (kind_) {
    case Kind::None: return oldValue;
    case Kind::ObjectHook:
      return object.performSelector(rt::sel(km_selectors::newValueFromOldValue),
                                    {rt::Value::ofObject(oldValue), rt::Value::ofObject(property)}).object();
    case Kind::ClassHook:
      return km_classHookAnswer(cls_, rt::sel(km_selectors::legacyNewValueFromOldValue),
                                {rt::Value::ofObject(oldValue), rt::Value::ofObject(property)});
    case Kind::Block: return block_(object.self(), oldValue, property);
  }
  return oldValue;
}

rt::Id km_getNewValueFromObject(const rt::Class* cls, rt::Object& object, const rt::Id& oldValue,
                                const Ref<KMProperty>& property) {
  return KMNewValueSource(cls, object).newValue(object, oldValue, property);
}

}  // namespace net
