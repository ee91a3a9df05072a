#include "base/foundation/Array+DUDer.h"

#include <cstdlib>

#include "base/foundation/Data+DUDer.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"

namespace base {
namespace {

rt::Id selfOf(const fd::Array& array) { return std::const_pointer_cast<rt::Object>(array.self()); }

std::optional<String> json(const fd::Array& array, uint32_t options) {
  if (!fd::JSONSerialization::isValidJSONObject(selfOf(array))) return std::nullopt;
  Ref<fd::Error> error;
  auto data = fd::JSONSerialization::dataWithJSONObject(selfOf(array), options, &error);
  if (error || !data) return std::nullopt;
  return utf8String(*data);
}

}  // namespace

Ref<fd::Array> arrayWithPlistData(const Ref<fd::Data>& data) {
  if (!data) return nullptr;
  return rt::as<fd::Array>(fd::PropertyListSerialization::propertyListWithData(data, 0, nullptr, nullptr));
}

Ref<fd::Array> arrayWithPlistString(const std::optional<String>& text) {
  if (!text) return nullptr;
  return arrayWithPlistData(fd::Data::create(text->utf8()));
}

Ref<fd::Data> plistData(const fd::Array& array) {
  return fd::PropertyListSerialization::dataWithPropertyList(selfOf(array), fd::PropertyListBinaryFormat, 0, nullptr);
}

std::optional<String> plistString(const fd::Array& array) {
  auto data = fd::PropertyListSerialization::dataWithPropertyList(selfOf(array), fd::PropertyListXMLFormat, 0, nullptr);
  if (!data) return std::nullopt;
  return utf8String(*data);
}

rt::Id randomObject(const fd::Array& array) {
  return array.withLock([&]() -> rt::Id {
    if (array.count() == 0) return nullptr;
    return array.objectAtIndex(arc4random_uniform(uint32_t(array.count())));
  });
}

rt::Id objectOrNilAtIndex(const fd::Array& array, size_t index) {
  return array.withLock([&]() -> rt::Id { return index < array.count() ? array.objectAtIndex(index) : nullptr; });
}

std::optional<String> jsonStringEncoded(const fd::Array& array) { return json(array, 0); }
std::optional<String> jsonPrettyStringEncoded(const fd::Array& array) { return json(array, 1); }

}  // namespace base
