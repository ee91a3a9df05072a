#pragma once
// Arrays from and to property lists and JSON, and access that never raises. Each runs under
// the array's lock when it has one (a thread-safe kind).
#include <optional>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"

namespace base {

using rt::String;

/// Null unless the property list is an array.
Ref<fd::Array> arrayWithPlistData(const Ref<fd::Data>& data);
Ref<fd::Array> arrayWithPlistString(const std::optional<String>& text);
Ref<fd::Data> plistData(const fd::Array& array);
std::optional<String> plistString(const fd::Array& array);
/// Null when empty.
rt::Id randomObject(const fd::Array& array);
/// Null for an index at or past the end.
rt::Id objectOrNilAtIndex(const fd::Array& array, size_t index);
std::optional<String> jsonStringEncoded(const fd::Array& array);
std::optional<String> jsonPrettyStringEncoded(const fd::Array& array);

}  // namespace base
