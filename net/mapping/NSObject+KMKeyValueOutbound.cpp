// Objects to key values, and the JSON helpers.
#include "net/mapping/KMFoundation.h"
#include "net/mapping/KMHooks.h"
#include "net/mapping/KMSupport.h"
#include "net/mapping/NSObject+KMClass.h"
#include "net/mapping/NSObject+KMKeyValue.h"
#include "net/mapping/NSObject+KMProperty.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"

namespace net {

namespace {

constexpr const char* kNotAModel = "不是自定义的模型类";
constexpr const char* kNotAnObjectArray = "objectArray参数不是一个数组";

[[noreturn]] void raiseUnrecognized(const rt::Id& container, const char* selector) {
  rt::raise(rt::InvalidArgumentException,
            rt::String::format("-[%@ %s]: unrecognized selector sent to instance %p",
                               container ? container->className() : fd::String("nil"), selector,
                               static_cast<const void*>(container.get())));
}

/// Stores `value` in `container` at one step: under the key, or at the index (appending
/// when the index is the count).
void storeAt(const rt::Id& container, const KMPropertyKey& step, const rt::Id& value) {
  if (step.type() == KMPropertyKeyTypeArray) {
    auto* array = dynamic_cast<fd::MutableArray*>(container.get());
    if (!array) raiseUnrecognized(container, "replaceObjectAtIndex:withObject:");
    if (step.index() >= 0 && static_cast<uint64_t>(step.index()) == array->count()) array->addObject(value);
    else array->replaceObjectAtIndex(static_cast<size_t>(step.index()), value);
  } else {
    auto* dictionary = dynamic_cast<fd::MutableDictionary*>(container.get());
    if (!dictionary) raiseUnrecognized(container, "setObject:forKey:");
    dictionary->setObjectForKey(value, step.name());
  }
}

/// Places `value` in `result` along one key path, making the dictionaries and arrays on the
/// way; properties sharing a prefix share the containers.
void place(const Ref<fd::MutableDictionary>& result, const fd::Array& path, const rt::Id& value) {
  std::vector<const KMPropertyKey*> steps;
  for (const rt::Id& s : path) {
    auto* key = dynamic_cast<const KMPropertyKey*>(s.get());
    if (!key) return;
    steps.push_back(key);
  }
  if (steps.empty()) return;
  rt::Id container = result;
  for (size_t i = 0; i + 1 < steps.size(); ++i) {
    const KMPropertyKey& step = *steps[i];
    const KMPropertyKey& next = *steps[i + 1];
    rt::Id reached = step.valueInObject(container);
    if (!reached || fd::Null::isNull(reached)) {
      if (next.type() == KMPropertyKeyTypeArray) reached = fd::MutableArray::create();
      else reached = fd::MutableDictionary::create();
      storeAt(container, step, reached);
    }
    if (auto* array = dynamic_cast<fd::MutableArray*>(reached.get()))
      while (static_cast<int64_t>(array->count()) < next.index() + 1) array->addObject(fd::Null::null());
    container = reached;
  }
  storeAt(container, *steps.back(), value);
}

/// The key-values form of one property's value.
rt::Id outboundValue(const rt::Id& value, const KMPropertyType& type) {
  const rt::Class* k = type.typeClass();
  if (k && !type.isFromFoundation()) return km_keyValues(*value);
  if (rt::as<fd::Array>(value)) return km_keyValuesArrayWithObjectArray(rt::Object::classObject(), value);
  if (k == fd::URL::classObject())
    if (auto* url = dynamic_cast<const fd::URL*>(value.get())) return fd::box(url->absoluteString());
  return value;
}

}  // namespace

rt::Id km_keyValuesWithKeys(const rt::Object& object, const Ref<fd::Array>& keys, const Ref<fd::Array>& ignoredKeys) {
  static const rt::Selector didFinish = rt::sel(km_selectors::objectDidFinishConvertingToKeyValues);
  const rt::Class* cls = object.getClass();
  setKm_error(cls, nullptr);
  if (KMFoundation::isClassFromFoundation(cls)) {
    km_detail::fail(cls, kNotAModel);
    return km_detail::idOf(object);
  }
  auto result = fd::MutableDictionary::create();
  Ref<fd::MutableArray> allowed, ignored;
  Ref<fd::Array> list;
  try {
    // Class hooks run here on a class's first use; one that raises gives an empty result.
    allowed = km_totalAllowedPropertyNames(cls);
    ignored = km_totalIgnoredPropertyNames(cls);
    list = properties(cls);
  } catch (const std::exception& e) {
    km_detail::failWith(cls, e);
    return result;
  }
  const bool reference = km_isReferenceReplacedKeyWhenCreatingKeyValues(cls);

  for (const rt::Id& element : *list) {
    auto& property = static_cast<KMProperty&>(*element);
    try {
      const fd::String& name = property.name();
      if (allowed->count() > 0 && !km_detail::containsName(allowed, name)) continue;
      if (km_detail::containsName(ignored, name)) continue;
      if (keys && keys->count() > 0 && !km_detail::containsName(keys, name)) continue;
      if (km_detail::containsName(ignoredKeys, name)) continue;

      // Only nil is left out: empty text is a value the caller chose (see docs/architecture.md
      // for how value-typed and object-typed text fields differ).
      rt::Id value = property.valueForObject(object);
      if (!value) continue;
      value = outboundValue(value, *property.type());
      if (!value) continue;

      if (!reference) {
        result->setObjectForKey(value, name);
        continue;
      }
      auto paths = property.propertyKeysForClass(cls);
      if (!paths || paths->count() == 0) continue;
      if (auto first = rt::as<fd::Array>(paths->objectAtIndex(0))) place(result, *first, value);
    } catch (const std::exception& e) {
      km_detail::failWith(cls, e);
    }
  }

  if (object.respondsToSelector(didFinish)) {
    try {
      const_cast<rt::Object&>(object).performSelector(didFinish);
    } catch (const std::exception& e) {
      km_detail::failWith(cls, e);
    }
  }
  return result;
}

rt::Id km_keyValues(const rt::Object& object) { return km_keyValuesWithKeys(object, nullptr, nullptr); }

rt::Id km_keyValuesWithIgnoredKeys(const rt::Object& object, const Ref<fd::Array>& ignoredKeys) {
  return km_keyValuesWithKeys(object, nullptr, ignoredKeys);
}

Ref<fd::MutableArray> km_keyValuesArrayWithObjectArray(const rt::Class* cls, const rt::Id& objectArray,
                                                       const Ref<fd::Array>& keys, const Ref<fd::Array>& ignoredKeys) {
  setKm_error(cls, nullptr);
  auto array = rt::as<fd::Array>(objectArray);
  if (!array) {
    km_detail::fail(cls, kNotAnObjectArray);
    return nullptr;
  }
  auto result = fd::MutableArray::create();
  for (const rt::Id& element : *array) {
    rt::Id keyValues = keys ? km_keyValuesWithKeys(*element, keys) : km_keyValuesWithIgnoredKeys(*element, ignoredKeys);
    if (keyValues) result->addObject(keyValues);
  }
  return result;
}

// ---- JSON ----

rt::Id km_JSONObject(const rt::Object& object) {
  if (object.isKindOfClass(fd::StringObject::classObject()))
    return fd::JSONSerialization::JSONObjectWithBytes(static_cast<const fd::StringObject&>(object).string().utf8(), 0, nullptr);
  if (object.isKindOfClass(fd::Data::classObject()))
    return fd::JSONSerialization::JSONObjectWithData(std::static_pointer_cast<fd::Data>(km_detail::idOf(object)), 0, nullptr);
  return km_keyValues(object);
}

Ref<fd::Data> km_JSONData(const rt::Object& object) {
  if (auto* text = dynamic_cast<const fd::StringObject*>(&object)) return fd::Data::create(text->string().utf8());
  if (dynamic_cast<const fd::Data*>(&object)) return std::static_pointer_cast<fd::Data>(km_detail::idOf(object));
  rt::Id json = km_JSONObject(object);
  if (!json) return nullptr;
  // Values JSON cannot hold give no bytes rather than a failure.
  return fd::JSONSerialization::dataWithJSONObject(json, 0, nullptr);
}

std::optional<fd::String> km_JSONString(const rt::Object& object) {
  if (auto* text = dynamic_cast<const fd::StringObject*>(&object)) return text->string();
  Ref<fd::Data> data;
  if (dynamic_cast<const fd::Data*>(&object)) data = std::static_pointer_cast<fd::Data>(km_detail::idOf(object));
  else data = km_JSONData(object);
  if (!data) return std::nullopt;
  return fd::String::fromUTF8(reinterpret_cast<const char*>(data->bytes()), data->length());
}

}  // namespace net
