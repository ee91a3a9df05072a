#include "net/mapping/NSObject+KMKeyValue.h"

#include <mutex>

#include "net/mapping/KMDictionaryCache.h"
#include "net/mapping/KMFoundation.h"
#include "net/mapping/KMHooks.h"
#include "net/mapping/KMSupport.h"
#include "net/mapping/NSObject+KMClass.h"
#include "net/mapping/NSObject+KMProperty.h"
#include "net/mapping/NSString+KMExtension.h"
#include "platform/foundation/values/Boxing.h"
#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"

namespace net {

namespace {

constexpr const char* kNotADictionary = "keyValues参数不是一个字典";
constexpr const char* kNotAnArray = "keyValuesArray参数不是一个数组";
constexpr const char* kNoFilename = "filename参数为nil";
constexpr const char* kNoFile = "file参数为nil";

// The category is loaded with the library.
[[maybe_unused]] const bool loaded = (km_load(), true);

/// Every inbound entry first reduces its argument to a JSON-like value.
rt::Id acceptData(const rt::Id& keyValues) { return keyValues ? km_JSONObject(*keyValues) : nullptr; }

/// The first key path that reaches a non-nil value gives it.
rt::Id lookUp(const Ref<fd::Array>& keyPaths, const rt::Id& dictionary) {
  if (!keyPaths) return nullptr;
  for (const rt::Id& alternative : *keyPaths) {
    if (!alternative->isKindOfClass(fd::Array::classObject())) continue;
    rt::Id value = dictionary;
    for (const rt::Id& step : static_cast<const fd::Array&>(*alternative)) {
      value = step->isKindOfClass(KMPropertyKey::classObject())
                  ? static_cast<const KMPropertyKey&>(*step).valueInObject(value)
                  : nullptr;
      if (!value) break;
    }
    if (value) return value;
  }
  return nullptr;
}

rt::Id numberForText(const fd::String& text, bool boolean) {
  rt::Id number = km_sharedNumberFormatter()->numberFromString(text);
  if (boolean) {
    fd::String lower = text.lowercaseString();
    if (lower == "yes" || lower == "true") number = fd::Number::numberWithBool(true);
    else if (lower == "no" || lower == "false") number = fd::Number::numberWithBool(false);
  }
  return number;
}

/// The value converted for property `p` of an object of class `cls`, or nil to leave it.
rt::Id convert(rt::Id value, const KMProperty& p, const rt::Class* cls, const rt::Id& context) {
  const KMPropertyType& type = *p.type();
  const rt::Class* k = type.typeClass();
  const rt::Class* elementClass = p.objectClassInArrayForClass(cls);

  if (k) {
    const bool mutableCopy = (k == fd::MutableArray::classObject() && rt::as<fd::Array>(value)) ||
                             (k == fd::MutableDictionary::classObject() && rt::as<fd::Dictionary>(value)) ||
                             (k == fd::MutableStringObject::classObject() && rt::as<fd::StringObject>(value)) ||
                             (k == fd::MutableData::classObject() && rt::as<fd::Data>(value));
    if (mutableCopy) value = value->mutableCopy();
  }

  if (k && !type.isFromFoundation()) return km_objectWithKeyValues(k, value, context);

  if (elementClass) {
    auto array = rt::as<fd::Array>(value);
    if (elementClass == fd::URL::classObject() && array) {
      auto urls = fd::MutableArray::create();
      for (const rt::Id& element : *array)
        if (auto text = fd::stringValue(element))
          if (auto url = km_url(*text)) urls->addObject(url);
      return urls;
    }
    return km_objectArrayWithKeyValuesArray(elementClass, value, context);
  }

  // Kinds are told by class walks: cheaper than failed casts on this hot path.
  const bool isText = value->isKindOfClass(fd::StringObject::classObject());
  if (k == fd::StringObject::classObject()) {
    if (value->isKindOfClass(fd::Number::classObject()))
      value = fd::box(static_cast<const fd::Number&>(*value).description());
    else if (value->isKindOfClass(fd::URL::classObject()))
      value = fd::box(static_cast<const fd::URL&>(*value).absoluteString());
  } else if (isText) {
    const fd::String& text = static_cast<const fd::StringObject&>(*value).string();
    if (k == fd::URL::classObject()) value = km_url(text);
    else if (type.isNumberType()) value = numberForText(text, type.isBoolType());
  }
  if (k && value && !value->isKindOfClass(k)) return nullptr;
  return value;
}

void fill(rt::Object& object, const rt::Class* cls, const fd::Dictionary& dictionary, const rt::Id& context) {
  static const rt::Selector didFinish = rt::sel(km_selectors::keyValuesDidFinishConvertingToObject);
  Ref<fd::MutableArray> allowed, ignored;
  Ref<fd::Array> list;
  std::optional<KMNewValueSource> found;
  try {
    // Class hooks run here on a class's first use; one that raises ends the fill.
    allowed = km_totalAllowedPropertyNames(cls);
    ignored = km_totalIgnoredPropertyNames(cls);
    list = properties(cls);
    found.emplace(cls, object);
  } catch (const std::exception& e) {
    km_detail::failWith(object.getClass(), e);
    return;
  }
  const KMNewValueSource& newValues = *found;
  const rt::Id root = km_detail::idOf(dictionary);

  for (const rt::Id& element : *list) {
    auto property = std::static_pointer_cast<KMProperty>(element);
    try {
      const fd::String& name = property->name();
      if (allowed->count() > 0 && !km_detail::containsName(allowed, name)) continue;
      if (km_detail::containsName(ignored, name)) continue;

      rt::Id value = lookUp(property->propertyKeysForClass(cls), root);
      if (!newValues.passesThrough()) {
        rt::Id replaced = newValues.newValue(object, value, property);
        if (replaced.get() != value.get()) {
          property->setValueForObject(replaced, object);
          continue;
        }
      }
      if (!value || fd::Null::isNull(value)) continue;
      property->setValueForObject(convert(std::move(value), *property, cls, context), object);
    } catch (const std::exception& e) {
      km_detail::failWith(object.getClass(), e);
    }
  }

  if (object.respondsToSelector(didFinish)) {
    try {
      object.performSelector(didFinish);
    } catch (const std::exception& e) {
      km_detail::failWith(object.getClass(), e);
    }
  }
}

}  // namespace

// ---- Error slot, reference setting, start-up ----

Ref<fd::Error> km_error(const rt::Class* cls) { return cls ? rt::as<fd::Error>(cls->slot(&km_keys::error)) : nullptr; }

void setKm_error(const rt::Class* cls, Ref<fd::Error> error) {
  if (cls) cls->setSlot(&km_keys::error, error);
}

void km_referenceReplacedKeyWhenCreatingKeyValues(const rt::Class* cls, bool reference) {
  if (cls) cls->setSlot(&km_keys::referenceReplacedKey, fd::Number::numberWithBool(reference));
}

bool km_isReferenceReplacedKeyWhenCreatingKeyValues(const rt::Class* cls) {
  km_load();
  for (const rt::Class* c = cls; c; c = c->superclass())
    if (auto n = rt::as<fd::Number>(c->slot(&km_keys::referenceReplacedKey))) return n->boolValue();
  return false;
}

const Ref<fd::NumberFormatter>& km_sharedNumberFormatter() {
  // A fixed locale: numeric text from the service reads the same whatever the user's locale.
  static const Ref<fd::NumberFormatter> formatter = [] {
    auto f = fd::NumberFormatter::create();
    f->setLocale(fd::Locale::localeWithLocaleIdentifier("en_US_POSIX"));
    return f;
  }();
  return formatter;
}

void km_load() {
  static std::once_flag once;
  std::call_once(once, [] {
    fd::installBoxing();
    km_sharedNumberFormatter();
    km_referenceReplacedKeyWhenCreatingKeyValues(rt::Object::classObject(), true);
  });
}

// ---- Inbound ----

rt::Id km_objectWithKeyValues(const rt::Class* cls, const rt::Id& keyValues, const rt::Id& context) {
  if (!cls) return nullptr;
  rt::Id data = acceptData(keyValues);
  setKm_error(cls, nullptr);
  if (!data || !data->isKindOfClass(fd::Dictionary::classObject())) {
    km_detail::fail(cls, kNotADictionary);
    return nullptr;
  }
  rt::Id object;
  try {
    object = cls->createInstance();
  } catch (const std::exception& e) {
    km_detail::failWith(cls, e);
    return nullptr;
  }
  if (!object) return nullptr;
  // The data is accepted already: fill as km_setKeyValues does after accepting it.
  setKm_error(object->getClass(), nullptr);
  fill(*object, object->getClass(), static_cast<const fd::Dictionary&>(*data), context);
  return object;
}

rt::Object& km_setKeyValues(rt::Object& object, const rt::Id& keyValues, const rt::Id& context) {
  const rt::Class* cls = object.getClass();
  rt::Id data = acceptData(keyValues);
  setKm_error(cls, nullptr);
  auto dictionary = rt::as<fd::Dictionary>(data);
  if (!dictionary) {
    km_detail::fail(cls, kNotADictionary);
    return object;
  }
  fill(object, cls, *dictionary, context);
  return object;
}

Ref<fd::MutableArray> km_objectArrayWithKeyValuesArray(const rt::Class* cls, const rt::Id& keyValuesArray,
                                                       const rt::Id& context) {
  if (!cls) return nullptr;
  rt::Id data = acceptData(keyValuesArray);
  setKm_error(cls, nullptr);
  auto array = rt::as<fd::Array>(data);
  if (!array) {
    km_detail::fail(cls, kNotAnArray);
    return nullptr;
  }
  if (KMFoundation::isClassFromFoundation(cls)) return std::static_pointer_cast<fd::MutableArray>(array->mutableCopy());
  auto objects = fd::MutableArray::create();
  for (const rt::Id& element : *array) {
    if (element->isKindOfClass(fd::Array::classObject())) {
      if (auto inner = km_objectArrayWithKeyValuesArray(cls, element, context)) objects->addObject(inner);
    } else if (rt::Id object = km_objectWithKeyValues(cls, element, context)) {
      objects->addObject(object);
    }
  }
  return objects;
}

rt::Id km_objectWithFilename(const rt::Class* cls, const std::optional<fd::String>& filename) {
  setKm_error(cls, nullptr);
  if (!filename) {
    km_detail::fail(cls, kNoFilename);
    return nullptr;
  }
  return km_objectWithFile(cls, fd::Bundle::mainBundle()->pathForResource(*filename, ""));
}

rt::Id km_objectWithFile(const rt::Class* cls, const std::optional<fd::String>& file) {
  setKm_error(cls, nullptr);
  if (!file) {
    km_detail::fail(cls, kNoFile);
    return nullptr;
  }
  return km_objectWithKeyValues(cls, fd::dictionaryWithContentsOfFile(*file));
}

Ref<fd::MutableArray> km_objectArrayWithFilename(const rt::Class* cls, const std::optional<fd::String>& filename) {
  setKm_error(cls, nullptr);
  if (!filename) {
    km_detail::fail(cls, kNoFilename);
    return nullptr;
  }
  return km_objectArrayWithFile(cls, fd::Bundle::mainBundle()->pathForResource(*filename, ""));
}

Ref<fd::MutableArray> km_objectArrayWithFile(const rt::Class* cls, const std::optional<fd::String>& file) {
  setKm_error(cls, nullptr);
  if (!file) {
    km_detail::fail(cls, kNoFile);
    return nullptr;
  }
  return km_objectArrayWithKeyValuesArray(cls, fd::arrayWithContentsOfFile(*file));
}

}  // namespace net
