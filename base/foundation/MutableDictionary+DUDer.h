#pragma once
// Mutable dictionaries from property lists, and take-and-remove of entries; a take runs as one
// operation under the dictionary's lock when it has one (a thread-safe kind).
#include <optional>
#include <vector>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"

namespace base {

using rt::String;

/// Mutable containers and leaves; null unless the property list is a dictionary.
Ref<fd::MutableDictionary> mutableDictionaryWithPlistData(const Ref<fd::Data>& data);
Ref<fd::MutableDictionary> mutableDictionaryWithPlistString(const std::optional<String>& text);
/// The value (or null), which is removed.
rt::Id popObjectForKey(fd::MutableDictionary& dict, const rt::Id& key);
/// Moves the entries of those keys that exist into a new immutable dictionary.
Ref<fd::Dictionary> popEntriesForKeys(fd::MutableDictionary& dict, const std::vector<rt::Id>& keys);

}  // namespace base
