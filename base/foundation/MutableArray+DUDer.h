#pragma once
// Queue-like and bulk operations on mutable arrays that never raise on an empty array, and
// in-place reversing and shuffling. Each runs as one operation under the array's lock when it
// has one (a thread-safe kind).
#include <optional>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"

namespace base {

using rt::String;

/// Mutable containers and leaves; null unless the property list is an array. (Named apart from
/// the immutable form because C++ cannot overload on the result alone.)
Ref<fd::MutableArray> mutableArrayWithPlistData(const Ref<fd::Data>& data);
Ref<fd::MutableArray> mutableArrayWithPlistString(const std::optional<String>& text);

void removeFirstObject(fd::MutableArray& array);
void removeLastObject(fd::MutableArray& array);
/// Null when empty.
rt::Id popFirstObject(fd::MutableArray& array);
rt::Id popLastObject(fd::MutableArray& array);
void appendObject(fd::MutableArray& array, const rt::Id& object);
void prependObject(fd::MutableArray& array, const rt::Id& object);
void appendObjects(fd::MutableArray& array, const Ref<fd::Array>& objects);
/// The objects end up at the front in their own order.
void prependObjects(fd::MutableArray& array, const Ref<fd::Array>& objects);
void insertObjects(fd::MutableArray& array, const Ref<fd::Array>& objects, size_t index);
void reverse(fd::MutableArray& array);
/// Fisher-Yates with a uniform generator.
void shuffle(fd::MutableArray& array);

}  // namespace base
