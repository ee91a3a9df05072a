#include "base/foundation/Dictionary+DUDer.h"

#include "base/foundation/Data+DUDer.h"
#include "base/foundation/DRXMLDictionaryParser.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Null.h"

namespace base {
namespace {

// Number-like text: yes/no words, then a double when there is a full stop, else an integer.
Ref<fd::Number> numberFromText(const String& text) {
  String lower = text.lowercaseString();
  if (lower == "true" || lower == "yes") return fd::Number::numberWithBool(true);
  if (lower == "false" || lower == "no") return fd::Number::numberWithBool(false);
  if (lower == "nil" || lower == "null") return nullptr;
  if (text.rangeOfString(".").location != rt::NotFound) return fd::Number::numberWithDouble(text.doubleValue());
  return fd::Number::numberWithLongLong(text.longLongValue());
}

rt::Id valueFor(const fd::Dictionary& d, const Key& key) {
  if (!key) return nullptr;
  rt::Id v = d.objectForKey(*key);
  return fd::Null::isNull(v) ? nullptr : v;
}

template <class T, class Get>
T typed(const fd::Dictionary& d, const Key& key, T def, Get get) {
  rt::Id v = valueFor(d, key);
  if (!v) return def;
  if (auto n = rt::as<fd::Number>(v)) return get(*n);
  if (auto s = rt::as<fd::StringObject>(v)) {
    auto n = numberFromText(s->string());
    return n ? get(*n) : T(0);
  }
  return def;
}

Ref<fd::Data> utf8Data(const String& s) { return fd::Data::create(s.utf8()); }

std::optional<String> json(const fd::Dictionary& dict, uint32_t options) {
  auto self = std::const_pointer_cast<rt::Object>(dict.self());
  if (!fd::JSONSerialization::isValidJSONObject(self)) return std::nullopt;
  Ref<fd::Error> error;
  auto data = fd::JSONSerialization::dataWithJSONObject(self, options, &error);
  if (error || !data) return std::nullopt;
  return utf8String(*data);
}

}  // namespace

Ref<fd::MutableDictionary> dictionaryWithXML(const rt::Id& xml) {
  Ref<fd::Data> data;
  if (auto s = rt::as<fd::StringObject>(xml)) data = utf8Data(s->string());
  else data = rt::as<fd::Data>(xml);
  if (!data) return nullptr;
  return DRXMLDictionaryParser::create(data)->result();
}

Ref<fd::Dictionary> dictionaryWithPlistData(const Ref<fd::Data>& data) {
  if (!data) return nullptr;
  return rt::as<fd::Dictionary>(fd::PropertyListSerialization::propertyListWithData(data, 0, nullptr, nullptr));
}

Ref<fd::Dictionary> dictionaryWithPlistString(const std::optional<String>& text) {
  if (!text) return nullptr;
  return dictionaryWithPlistData(utf8Data(*text));
}

Ref<fd::Data> plistData(const fd::Dictionary& dict) {
  return fd::PropertyListSerialization::dataWithPropertyList(std::const_pointer_cast<rt::Object>(dict.self()),
                                                             fd::PropertyListBinaryFormat, 0, nullptr);
}

std::optional<String> plistString(const fd::Dictionary& dict) {
  auto data = fd::PropertyListSerialization::dataWithPropertyList(std::const_pointer_cast<rt::Object>(dict.self()),
                                                                  fd::PropertyListXMLFormat, 0, nullptr);
  if (!data) return std::nullopt;
  return utf8String(*data);
}

Ref<fd::Array> allKeysSorted(const fd::Dictionary& dict) {
  return dict.allKeys()->sortedArrayUsingComparator([](const rt::Id& a, const rt::Id& b) {
    auto sa = rt::as<fd::StringObject>(a), sb = rt::as<fd::StringObject>(b);
    if (sa && sb) return sa->string().caseInsensitiveCompare(sb->string());
    return a->description().caseInsensitiveCompare(b->description());
  });
}

Ref<fd::Array> allValuesSortedByKeys(const fd::Dictionary& dict) {
  std::vector<rt::Id> values;
  auto keys = allKeysSorted(dict);
  for (const auto& k : keys->objects()) values.push_back(dict.objectForKey(k));
  return fd::Array::create(std::move(values));
}

bool containsObjectForKey(const fd::Dictionary& dict, const rt::Id& key) {
  return key && dict.objectForKey(key) != nullptr;
}

Ref<fd::Dictionary> entriesForKeys(const fd::Dictionary& dict, const std::vector<rt::Id>& keys) {
  auto out = fd::MutableDictionary::create();
  dict.withLock([&] {
    for (const auto& k : keys) {
      if (!k) continue;
      if (rt::Id v = dict.objectForKey(k)) out->setObjectForKey(v, k);
    }
  });
  return rt::as<fd::Dictionary>(out->copy());
}

std::optional<String> jsonStringEncoded(const fd::Dictionary& dict) { return json(dict, 0); }
std::optional<String> jsonPrettyStringEncoded(const fd::Dictionary& dict) { return json(dict, 1); }

bool boolValueForKey(const fd::Dictionary& d, const Key& k, bool def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.boolValue(); });
}
char charValueForKey(const fd::Dictionary& d, const Key& k, char def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.charValue(); });
}
unsigned char unsignedCharValueForKey(const fd::Dictionary& d, const Key& k, unsigned char def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.unsignedCharValue(); });
}
int16_t shortValueForKey(const fd::Dictionary& d, const Key& k, int16_t def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.shortValue(); });
}
uint16_t unsignedShortValueForKey(const fd::Dictionary& d, const Key& k, uint16_t def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.unsignedShortValue(); });
}
int32_t intValueForKey(const fd::Dictionary& d, const Key& k, int32_t def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.intValue(); });
}
uint32_t unsignedIntValueForKey(const fd::Dictionary& d, const Key& k, uint32_t def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.unsignedIntValue(); });
}
int64_t longValueForKey(const fd::Dictionary& d, const Key& k, int64_t def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.longValue(); });
}
uint64_t unsignedLongValueForKey(const fd::Dictionary& d, const Key& k, uint64_t def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.unsignedLongValue(); });
}
int64_t longLongValueForKey(const fd::Dictionary& d, const Key& k, int64_t def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.longLongValue(); });
}
uint64_t unsignedLongLongValueForKey(const fd::Dictionary& d, const Key& k, uint64_t def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.unsignedLongLongValue(); });
}
float floatValueForKey(const fd::Dictionary& d, const Key& k, float def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.floatValue(); });
}
double doubleValueForKey(const fd::Dictionary& d, const Key& k, double def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.doubleValue(); });
}
int64_t integerValueForKey(const fd::Dictionary& d, const Key& k, int64_t def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.integerValue(); });
}
uint64_t unsignedIntegerValueForKey(const fd::Dictionary& d, const Key& k, uint64_t def) {
  return typed(d, k, def, [](const fd::Number& n) { return n.unsignedIntegerValue(); });
}

Ref<fd::Number> numverValueForKey(const fd::Dictionary& d, const Key& key, const Ref<fd::Number>& def) {
  rt::Id v = valueFor(d, key);
  if (!v) return def;
  if (auto n = rt::as<fd::Number>(v)) return n;
  if (auto s = rt::as<fd::StringObject>(v)) return numberFromText(s->string());
  return def;
}

std::optional<String> stringValueForKey(const fd::Dictionary& d, const Key& key, const std::optional<String>& def) {
  rt::Id v = valueFor(d, key);
  if (!v) return def;
  if (auto s = rt::as<fd::StringObject>(v)) return s->string();
  if (auto n = rt::as<fd::Number>(v)) return n->description();
  return def;
}

}  // namespace base
