#include "net/model/DRModelMeta.h"

#include <array>
#include <mutex>
#include <unordered_set>

#include "platform/foundation/net/URL.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/DecimalNumber.h"
#include "platform/foundation/values/Set.h"

namespace net {

RT_IMPLEMENT(DRModelPropertyMeta) {}
RT_IMPLEMENT(DRModelMeta) {}

DRFoundationKind DRFoundationKindOfClass(const rt::Class* cls) {
  if (!cls) return DRFoundationKindNone;
  static const std::array<std::pair<const rt::Class*, DRFoundationKind>, 15> order = {{
      {fd::MutableStringObject::classObject(), DRFoundationKindNSMutableString},
      {fd::StringObject::classObject(), DRFoundationKindNSString},
      {fd::DecimalNumber::classObject(), DRFoundationKindNSDecimalNumber},
      {fd::Number::classObject(), DRFoundationKindNSNumber},
      {fd::ValueBox::classObject(), DRFoundationKindNSValue},
      {fd::MutableData::classObject(), DRFoundationKindNSMutableData},
      {fd::Data::classObject(), DRFoundationKindNSData},
      {fd::Date::classObject(), DRFoundationKindNSDate},
      {fd::URL::classObject(), DRFoundationKindNSURL},
      {fd::MutableArray::classObject(), DRFoundationKindNSMutableArray},
      {fd::Array::classObject(), DRFoundationKindNSArray},
      {fd::MutableDictionary::classObject(), DRFoundationKindNSMutableDictionary},
      {fd::Dictionary::classObject(), DRFoundationKindNSDictionary},
      {fd::MutableSet::classObject(), DRFoundationKindNSMutableSet},
      {fd::Set::classObject(), DRFoundationKindNSSet},
  }};
  for (auto& [c, kind] : order)
    if (cls->isSubclassOfClass(c)) return kind;
  return DRFoundationKindNone;
}

bool DRIsArchivableStructEncoding(const String& encoding) {
  static const std::unordered_set<std::string> set = {
      "{CGSize=ff}", "{CGPoint=ff}", "{CGRect={CGPoint=ff}{CGSize=ff}}", "{CGAffineTransform=ffffff}",
      "{UIEdgeInsets=ffff}", "{UIOffset=ff}", "{CGSize=dd}", "{CGPoint=dd}",
      "{CGRect={CGPoint=dd}{CGSize=dd}}", "{CGAffineTransform=dddddd}", "{UIEdgeInsets=dddd}", "{UIOffset=dd}"};
  return set.count(encoding.utf8()) != 0;
}

namespace {

rt::Value classHook(const rt::Class* cls, const char* selector, const std::vector<rt::Value>& args = {}) {
  rt::Selector sel = rt::Selector::named(selector);
  if (!cls || !cls->respondsToClassSelector(sel)) return rt::Value();
  return cls->metaclass()->invoke(const_cast<rt::Class*>(cls), sel, args);
}

bool answersClassHook(const rt::Class* cls, const char* selector) {
  return cls && cls->respondsToClassSelector(rt::Selector::named(selector));
}

const rt::Class* classFromValue(const rt::Value& v) {
  if (const rt::Class* c = v.classValue()) return c;
  return rt::as<const rt::Class>(v.object().get());
}

std::unordered_set<String> nameSet(const rt::Value& answer) {
  std::unordered_set<String> names;
  if (auto array = rt::as<fd::Array>(answer.object()))
    for (const rt::Id& o : *array)
      if (auto s = rt::as<fd::StringObject>(o)) names.insert(s->string());
  return names;
}

}  // namespace

const rt::Class* DRCustomClassForDictionary(const rt::Class* cls, const Ref<fd::Dictionary>& dictionary) {
  return classFromValue(classHook(cls, dr_hooks::customClassForDictionary, {rt::Value::ofObject(dictionary)}));
}

Ref<DRModelPropertyMeta> DRModelPropertyMeta::metaWithClassInfo(const DRClassInfo& classInfo,
                                                                const Ref<DRClassPropertyInfo>& propertyInfo,
                                                                const rt::Class* generic) {
  auto meta = rt::make<DRModelPropertyMeta>();
  meta->name = propertyInfo->name();
  meta->type = propertyInfo->type();
  meta->info = propertyInfo;
  meta->genericCls = generic;
  DRTypeWord kind = meta->kind();
  if (kind == DRTypeKindObject) meta->nsType = DRFoundationKindOfClass(propertyInfo->cls());
  else meta->isCNumber = kind >= DRTypeKindBool && kind <= DRTypeKindLongDouble;
  if (kind == DRTypeKindStruct && DRIsArchivableStructEncoding(propertyInfo->typeEncoding()))
    meta->isStructAvailableForKeyedArchiver = true;
  meta->cls = propertyInfo->cls();
  if (generic) meta->hasCustomClassFromDictionary = answersClassHook(generic, dr_hooks::customClassForDictionary);
  else if (meta->cls && meta->nsType == DRFoundationKindNone)
    meta->hasCustomClassFromDictionary = answersClassHook(meta->cls, dr_hooks::customClassForDictionary);
  const rt::Class* owner = classInfo.cls();
  if (!propertyInfo->getter().isEmpty()) {
    rt::Selector s = rt::Selector::named(propertyInfo->getter().utf8());
    if (owner->instancesRespondToSelector(s)) meta->getter = s;
  }
  if (!propertyInfo->setter().isEmpty()) {
    rt::Selector s = rt::Selector::named(propertyInfo->setter().utf8());
    if (owner->instancesRespondToSelector(s)) meta->setter = s;
  }
  if (meta->getter && meta->setter) {
    switch (kind) {
      case DRTypeKindBool: case DRTypeKindInt8: case DRTypeKindUInt8: case DRTypeKindInt16:
      case DRTypeKindUInt16: case DRTypeKindInt32: case DRTypeKindUInt32: case DRTypeKindInt64:
      case DRTypeKindUInt64: case DRTypeKindFloat: case DRTypeKindDouble: case DRTypeKindObject:
      case DRTypeKindClass: case DRTypeKindBlock: case DRTypeKindStruct: case DRTypeKindUnion:
        meta->isKVCCompatible = true;
        break;
      default: break;
    }
  }
  return meta;
}

Ref<DRModelMeta> DRModelMeta::build(const rt::Class* cls) {
  auto classInfo = DRClassInfo::classInfoWithClass(cls);
  if (!classInfo) return nullptr;
  auto meta = rt::make<DRModelMeta>();
  meta->cls = cls;

  std::optional<std::unordered_set<String>> blacklist, whitelist;
  if (auto v = classHook(cls, dr_hooks::propertyBlacklist); v.object()) blacklist = nameSet(v);
  if (auto v = classHook(cls, dr_hooks::propertyWhitelist); v.object()) whitelist = nameSet(v);

  std::unordered_map<String, const rt::Class*> generics;
  if (auto answer = rt::as<fd::Dictionary>(classHook(cls, dr_hooks::containerPropertyGenericClass).object())) {
    const fd::Dictionary::KeysAndValues entries = answer->keysAndValues();
    for (size_t i = 0; i < entries.size(); ++i) {
      auto key = rt::as<fd::StringObject>(entries.keys[i]);
      if (!key) continue;
      rt::Id value = entries.values[i];
      const rt::Class* c = rt::as<const rt::Class>(value.get());
      if (!c)
        if (auto name = rt::as<fd::StringObject>(value)) c = rt::Class::named(name->string().utf8());
      if (c) generics[key->string()] = c;
    }
  }

  // Own declarations first, so that a subclass's redeclaration wins; the root class never
  // takes part.
  std::vector<Ref<DRModelPropertyMeta>> collected;
  std::unordered_map<String, size_t> byName;
  for (auto info = classInfo; info && info->superCls(); info = info->superClassInfo()) {
    if (!info->propertyInfos()) continue;
    for (const rt::Id& value : info->propertyInfos()->values()) {
      auto propertyInfo = rt::as<DRClassPropertyInfo>(value);
      if (!propertyInfo || propertyInfo->name().isEmpty()) continue;
      const String& name = propertyInfo->name();
      if (blacklist && blacklist->count(name)) continue;
      if (whitelist && !whitelist->count(name)) continue;
      auto g = generics.find(name);
      auto pm = DRModelPropertyMeta::metaWithClassInfo(*classInfo, propertyInfo, g == generics.end() ? nullptr : g->second);
      if (!pm || pm->name.isEmpty() || (!pm->getter && !pm->setter) || byName.count(name)) continue;
      byName[name] = collected.size();
      collected.push_back(pm);
    }
  }
  meta->allPropertyMetas = collected;

  auto mapKey = [&meta](const String& key, const Ref<DRModelPropertyMeta>& pm) {
    auto [it, fresh] = meta->mapperIndex.try_emplace(key, meta->mapper.size());
    if (fresh) {
      meta->mapper.emplace_back(key, pm);
    } else {
      pm->next = meta->mapper[it->second].second;
      meta->mapper[it->second].second = pm;
    }
  };
  std::vector<bool> customMapped(collected.size(), false);
  if (auto answer = rt::as<fd::Dictionary>(classHook(cls, dr_hooks::customPropertyMapper).object())) {
    const fd::Dictionary::KeysAndValues entries = answer->keysAndValues();
    for (size_t i = 0; i < entries.size(); ++i) {
      auto name = rt::as<fd::StringObject>(entries.keys[i]);
      auto key = rt::as<fd::StringObject>(entries.values[i]);
      if (!name || !key) continue;
      auto found = byName.find(name->string());
      if (found == byName.end() || customMapped[found->second]) continue;
      const auto& pm = collected[found->second];
      pm->mappedToKey = key->string();
      std::vector<String> parts;
      for (const String& part : key->string().componentsSeparatedByString("."))
        parts.push_back(part);
      if (parts.size() > 1) {
        pm->mappedToKeyPath = std::move(parts);
        meta->keyPathPropertyMetas.push_back(pm);
      }
      customMapped[found->second] = true;
      mapKey(pm->mappedToKey, pm);
    }
  }
  for (size_t i = 0; i < collected.size(); ++i) {
    if (customMapped[i]) continue;
    collected[i]->mappedToKey = collected[i]->name;
    mapKey(collected[i]->name, collected[i]);
  }

  meta->keyMappedCount = meta->allPropertyMetas.size();
  meta->nsType = DRFoundationKindOfClass(cls);
  meta->hasCustomTransformFromDictionary =
      cls->instancesRespondToSelector(rt::Selector::named(dr_hooks::customTransformFromDictionary));
  meta->hasCustomTransformToDictionary =
      cls->instancesRespondToSelector(rt::Selector::named(dr_hooks::customTransformToDictionary));
  meta->hasCustomClassFromDictionary = answersClassHook(cls, dr_hooks::customClassForDictionary);
  return meta;
}

Ref<DRModelMeta> DRModelMeta::metaWithClass(const rt::Class* cls) {
  if (!cls) return nullptr;
  static std::mutex lock;
  static auto* metas = new std::unordered_map<const rt::Class*, Ref<DRModelMeta>>;  // lives for the process
  {
    std::lock_guard guard(lock);
    auto it = metas->find(cls);
    if (it != metas->end()) return it->second;
  }
  auto meta = build(cls);
  if (!meta) return nullptr;
  std::lock_guard guard(lock);
  (*metas)[cls] = meta;
  return meta;
}

}  // namespace net
