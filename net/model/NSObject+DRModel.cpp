#include "net/model/NSObject+DRModel.h"

#include "net/model/DRModelValues.h"
#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/values/Null.h"
#include "platform/runtime/Exception.h"

namespace net {

namespace detail_dr {
bool modelSet(rt::Object& model, const Ref<fd::Dictionary>& dictionary);
rt::Id modelToJSON(const rt::Object& model);
}  // namespace detail_dr

namespace {

bool isNullValue(const rt::Id& v) { return !v || fd::Null::isNull(v); }

rt::Id parseJSON(const rt::Id& json) {
  if (auto s = rt::as<fd::StringObject>(json)) {
    std::string utf8 = s->string().utf8();
    return fd::JSONSerialization::JSONObjectWithBytes(utf8, 0, nullptr);
  }
  if (auto d = rt::as<fd::Data>(json)) return fd::JSONSerialization::JSONObjectWithData(d, 0, nullptr);
  return nullptr;
}

void applyPropertyMeta(rt::Object& model, const DRModelPropertyMeta& meta, const fd::Dictionary& dictionary) {
  if (!meta.setter) return;
  rt::Id value;
  if (!meta.mappedToKeyPath.empty()) {
    const fd::Dictionary* current = &dictionary;
    for (size_t i = 0; i < meta.mappedToKeyPath.size(); ++i) {
      rt::Id o = current->objectForKey(meta.mappedToKeyPath[i]);
      if (i + 1 == meta.mappedToKeyPath.size()) {
        value = o;
        break;
      }
      auto next = rt::as<fd::Dictionary>(o);
      if (!next) return;
      current = next.get();
    }
  } else {
    value = dictionary.objectForKey(meta.mappedToKey);
  }
  if (value) DRSetPropertyFromValue(model, value, meta);
}

bool callInstanceHook(rt::Object& model, const char* selector, const rt::Id& argument) {
  return model.performSelector(rt::Selector::named(selector), {rt::Value::ofObject(argument)}).boolValue();
}

}  // namespace

bool detail_dr::modelSet(rt::Object& model, const Ref<fd::Dictionary>& dictionary) {
  if (!dictionary) return false;
  auto meta = DRModelMeta::metaWithClass(model.getClass());
  if (!meta || meta->keyMappedCount == 0) return false;
  const fd::Dictionary::KeysAndValues entries = dictionary->keysAndValues();
  if (meta->keyMappedCount >= entries.size()) {
    for (size_t i = 0; i < entries.size(); ++i) {
      auto key = rt::as<fd::StringObject>(entries.keys[i]);
      if (!key) continue;
      for (const DRModelPropertyMeta* pm = meta->propertyForKey(key->string()); pm; pm = pm->next.get())
        if (pm->setter) DRSetPropertyFromValue(model, entries.values[i], *pm);
    }
    for (const auto& pm : meta->keyPathPropertyMetas) applyPropertyMeta(model, *pm, *dictionary);
  } else {
    for (const auto& pm : meta->allPropertyMetas) applyPropertyMeta(model, *pm, *dictionary);
  }
  if (meta->hasCustomTransformFromDictionary)
    return callInstanceHook(model, dr_hooks::customTransformFromDictionary, dictionary);
  return true;
}

Ref<fd::Dictionary> dr_dictionaryWithJSON(const rt::Id& json) {
  if (isNullValue(json)) return nullptr;
  if (auto d = rt::as<fd::Dictionary>(json)) return d;
  return rt::as<fd::Dictionary>(parseJSON(json));
}

rt::Id modelWithJSON(const rt::Class* cls, const rt::Id& json) {
  return modelWithDictionary(cls, dr_dictionaryWithJSON(json));
}

rt::Id modelWithDictionary(const rt::Class* cls, const Ref<fd::Dictionary>& dictionary) {
  if (!cls || !dictionary) return nullptr;
  auto meta = DRModelMeta::metaWithClass(cls);
  if (meta && meta->hasCustomClassFromDictionary)
    if (const rt::Class* chosen = DRCustomClassForDictionary(cls, dictionary)) cls = chosen;
  rt::Id model = cls->createInstance();
  if (!model) return nullptr;
  return detail_dr::modelSet(*model, dictionary) ? model : nullptr;
}

bool modelSetWithJSON(rt::Object& model, const rt::Id& json) {
  return modelSetWithDictionary(model, dr_dictionaryWithJSON(json));
}

bool modelSetWithDictionary(rt::Object& model, const Ref<fd::Dictionary>& dictionary) {
  return detail_dr::modelSet(model, dictionary);
}

// --- output ------------------------------------------------------------------------------

namespace {

// Walks (and makes) the nested dictionaries of a key path; null when a step holds something
// other than a dictionary.
fd::MutableDictionary* containerFor(fd::MutableDictionary& root, const std::vector<String>& path) {
  fd::MutableDictionary* current = &root;
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    rt::Id o = current->objectForKey(path[i]);
    Ref<fd::MutableDictionary> next;
    if (!o) {
      next = fd::MutableDictionary::create();
      current->setObjectForKey(next, path[i]);
    } else if (auto m = rt::as<fd::MutableDictionary>(o)) {
      next = m;
    } else if (auto d = rt::as<fd::Dictionary>(o)) {
      next = rt::as<fd::MutableDictionary>(d->mutableCopy());
      current->setObjectForKey(next, path[i]);
    } else {
      return nullptr;
    }
    current = next.get();
  }
  return current;
}

rt::Id propertyJSON(const rt::Object& model, const DRModelPropertyMeta& meta) {
  if (meta.isCNumber) return DRNumberFromProperty(model, meta);
  if (meta.nsType != DRFoundationKindNone) return DRJSONObjectFromValue(DRGetProperty(model, meta).object());
  switch (meta.kind()) {
    case DRTypeKindObject: {
      rt::Id v = DRJSONObjectFromValue(DRGetProperty(model, meta).object());
      return fd::Null::isNull(v) ? nullptr : v;
    }
    case DRTypeKindClass: {
      const rt::Class* c = DRGetProperty(model, meta).classValue();
      return c ? rt::Id(fd::box(c->name())) : nullptr;
    }
    case DRTypeKindSelector: {
      rt::Selector s = DRGetProperty(model, meta).selector();
      return s ? rt::Id(fd::box(String(s.name()))) : nullptr;
    }
    default: return nullptr;
  }
}

}  // namespace

rt::Id detail_dr::modelToJSON(const rt::Object& model) {
  auto meta = DRModelMeta::metaWithClass(model.getClass());
  if (!meta || meta->keyMappedCount == 0) return nullptr;
  auto result = fd::MutableDictionary::dictionaryWithCapacity(64);
  for (const auto& [key, pm] : meta->mapper) {
    if (!pm->getter) continue;
    rt::Id value = propertyJSON(model, *pm);
    if (!value) continue;
    if (pm->mappedToKeyPath.empty()) {
      if (!result->objectForKey(pm->mappedToKey)) result->setObjectForKey(value, pm->mappedToKey);
      continue;
    }
    fd::MutableDictionary* container = containerFor(*result, pm->mappedToKeyPath);
    const String& last = pm->mappedToKeyPath.back();
    if (container && !container->objectForKey(last)) container->setObjectForKey(value, last);
  }
  if (meta->hasCustomTransformToDictionary &&
      !callInstanceHook(const_cast<rt::Object&>(model), dr_hooks::customTransformToDictionary, result))
    return nullptr;
  return result;
}

rt::Id modelToJSONObject(const rt::Id& model) {
  rt::Id json = DRJSONObjectFromValue(model);
  if (rt::as<fd::Array>(json) || rt::as<fd::Dictionary>(json)) return json;
  return nullptr;
}

Ref<fd::Data> modelToJSONData(const rt::Id& model) {
  rt::Id json = modelToJSONObject(model);
  if (!json) return nullptr;
  return fd::JSONSerialization::dataWithJSONObject(json, 0, nullptr);
}

Ref<fd::StringObject> modelToJSONString(const rt::Id& model) {
  auto data = modelToJSONData(model);
  if (!data || data->length() == 0) return nullptr;
  auto text = String::fromUTF8(data->view().data(), data->view().size());
  return text ? fd::StringObject::create(*text) : nullptr;
}

// --- copying, coding, hash, equality ---------------------------------------------------------

namespace {
bool isNullSingleton(const rt::Object& o) { return &o == fd::Null::null().get(); }

bool isFoundationKindModel(const rt::Object& model, Ref<DRModelMeta>& meta) {
  meta = DRModelMeta::metaWithClass(model.getClass());
  return isNullSingleton(model) || !meta || meta->nsType != DRFoundationKindNone;
}
}  // namespace

rt::Id modelCopy(const rt::Object& model) {
  Ref<DRModelMeta> meta;
  if (isNullSingleton(model)) return fd::Null::null();
  if (isFoundationKindModel(model, meta)) return model.copy();
  rt::Id copy = model.getClass()->createInstance();
  if (!copy) return nullptr;
  for (const auto& pm : meta->allPropertyMetas) {
    if (!pm->getter || !pm->setter) continue;
    switch (pm->kind()) {
      case DRTypeKindBool: case DRTypeKindInt8: case DRTypeKindUInt8: case DRTypeKindInt16:
      case DRTypeKindUInt16: case DRTypeKindInt32: case DRTypeKindUInt32: case DRTypeKindInt64:
      case DRTypeKindUInt64: case DRTypeKindFloat: case DRTypeKindDouble: case DRTypeKindLongDouble:
      case DRTypeKindObject: case DRTypeKindClass: case DRTypeKindBlock: case DRTypeKindSelector:
      case DRTypeKindPointer: case DRTypeKindCString:
        DRSetProperty(*copy, *pm, DRGetProperty(model, *pm));
        break;
      case DRTypeKindStruct:
      case DRTypeKindUnion:
        try {
          if (rt::Id v = model.valueForKey(String(pm->getter.name()))) copy->setValueForKey(v, pm->name);
        } catch (const rt::Exception&) {
        }
        break;
      default: break;
    }
  }
  return copy;
}

void modelEncodeWithCoder(const rt::Object& model, fd::KeyedArchiver* coder) {
  if (!coder) return;
  Ref<DRModelMeta> meta;
  if (isFoundationKindModel(model, meta)) {
    if (auto coding = dynamic_cast<const fd::Coding*>(&model)) coding->encodeWithCoder(*coder);
    return;
  }
  for (const auto& pm : meta->allPropertyMetas) {
    if (!pm->getter) continue;
    if (pm->isCNumber) {
      if (auto n = DRNumberFromProperty(model, *pm)) coder->encodeObject(n, pm->name);
      continue;
    }
    switch (pm->kind()) {
      case DRTypeKindStruct:
      case DRTypeKindUnion:
        if (pm->isKVCCompatible && pm->isStructAvailableForKeyedArchiver) {
          try {
            coder->encodeObject(model.valueForKey(String(pm->getter.name())), pm->name);
          } catch (const rt::Exception&) {
          }
        }
        break;
      case DRTypeKindSelector:
        if (rt::Selector s = DRGetProperty(model, *pm).selector()) coder->encodeObject(fd::box(String(s.name())), pm->name);
        break;
      case DRTypeKindObject: {
        rt::Id value = DRGetProperty(model, *pm).object();
        if (!value) break;
        if (pm->nsType == DRFoundationKindNone && !dynamic_cast<const fd::Coding*>(value.get())) break;
        if (rt::as<fd::ValueBox>(value) && !rt::as<fd::Number>(value)) break;
        coder->encodeObject(value, pm->name);
        break;
      }
      default: break;
    }
  }
}

rt::Object& modelInitWithCoder(rt::Object& model, fd::KeyedUnarchiver* coder) {
  Ref<DRModelMeta> meta;
  if (!coder || isFoundationKindModel(model, meta)) return model;
  for (const auto& pm : meta->allPropertyMetas) {
    if (!pm->setter) continue;
    rt::Id value = coder->decodeObjectForKey(pm->name);
    if (pm->isCNumber) {
      if (auto n = rt::as<fd::Number>(value)) DRSetNumberProperty(model, n, *pm);
      continue;
    }
    switch (pm->kind()) {
      case DRTypeKindStruct:
      case DRTypeKindUnion:
        if (pm->isKVCCompatible && value) {
          try {
            model.setValueForKey(value, pm->name);
          } catch (const rt::Exception&) {
          }
        }
        break;
      case DRTypeKindSelector:
        if (auto s = rt::as<fd::StringObject>(value))
          DRSetProperty(model, *pm, rt::Value::ofSelector(rt::Selector::named(s->string().utf8())));
        break;
      case DRTypeKindObject: DRSetProperty(model, *pm, rt::Value::ofObject(value)); break;
      default: break;
    }
  }
  return model;
}

uint64_t modelHash(const rt::Object& model) {
  Ref<DRModelMeta> meta;
  if (isFoundationKindModel(model, meta)) return model.hash();
  uint64_t hash = 0;
  bool any = false;
  for (const auto& pm : meta->allPropertyMetas) {
    if (!pm->isKVCCompatible) continue;
    any = true;
    if (rt::Id v = model.valueForKey(String(pm->getter.name()))) hash ^= v->hash();
  }
  return any ? hash : reinterpret_cast<uintptr_t>(&model);
}

bool modelIsEqual(const rt::Object& model, const rt::Id& other) {
  if (other.get() == &model) return true;
  if (!other || other->getClass() != model.getClass()) return false;
  Ref<DRModelMeta> meta;
  if (isFoundationKindModel(model, meta)) return model.isEqual(other.get());
  if (model.hash() != other->hash()) return false;
  for (const auto& pm : meta->allPropertyMetas) {
    if (!pm->isKVCCompatible) continue;
    String getter(pm->getter.name());
    rt::Id a = model.valueForKey(getter), b = other->valueForKey(getter);
    if (a == b) continue;
    if (!a || !b || !a->isEqual(b.get())) return false;
  }
  return true;
}

// --- collections -------------------------------------------------------------------------

Ref<fd::MutableArray> modelArrayWithClass(const rt::Class* cls, const rt::Id& json) {
  if (!json) return nullptr;
  auto array = rt::as<fd::Array>(json);
  if (!array) array = rt::as<fd::Array>(parseJSON(json));
  return modelArrayWithClassArray(cls, array);
}

Ref<fd::MutableArray> modelArrayWithClassArray(const rt::Class* cls, const Ref<fd::Array>& array) {
  if (!cls || !array) return nullptr;
  auto out = fd::MutableArray::create();
  for (const rt::Id& element : *array)
    if (auto d = rt::as<fd::Dictionary>(element))
      if (rt::Id m = modelWithDictionary(cls, d)) out->addObject(m);
  return out;
}

Ref<fd::MutableDictionary> modelDictionaryWithClass(const rt::Class* cls, const rt::Id& json) {
  if (!json) return nullptr;
  auto dictionary = rt::as<fd::Dictionary>(json);
  if (!dictionary) dictionary = rt::as<fd::Dictionary>(parseJSON(json));
  return modelDictionaryWithClassDictionary(cls, dictionary);
}

Ref<fd::MutableDictionary> modelDictionaryWithClassDictionary(const rt::Class* cls,
                                                              const Ref<fd::Dictionary>& dictionary) {
  if (!cls || !dictionary) return nullptr;
  auto out = fd::MutableDictionary::create();
  const fd::Dictionary::KeysAndValues entries = dictionary->keysAndValues();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!rt::as<fd::StringObject>(entries.keys[i])) continue;
    if (auto d = rt::as<fd::Dictionary>(entries.values[i]))
      if (rt::Id m = modelWithDictionary(cls, d)) out->setObjectForKey(m, entries.keys[i]);
  }
  return out;
}

}  // namespace net
