#pragma once
// Walking a model class's chain of classes, and the names of properties a class allows or
// ignores, gathered from its hooks and from what it and its superclasses set up.
#include <functional>

#include "platform/foundation/values/Array.h"

namespace net {

using KMClassesEnumeration = std::function<void(const rt::Class* cls, bool& stop)>;
/// A block answering an array of property names.
using KMNamesBlock = std::function<Ref<fd::Array>()>;

/// Calls `block` for `cls` (always, even a platform class) and then each superclass, ending
/// at the root, when the block sets `stop`, or before the first platform superclass.
void km_enumerateClasses(const rt::Class* cls, const KMClassesEnumeration& block);
/// The same, going on to the root.
void km_enumerateAllClasses(const rt::Class* cls, const KMClassesEnumeration& block);

/// Run `block` now and keep its names on `cls` (an empty block clears them); the cached
/// totals of that kind are emptied for every class.
void km_setupAllowedPropertyNames(const rt::Class* cls, const KMNamesBlock& block);
void km_setupIgnoredPropertyNames(const rt::Class* cls, const KMNamesBlock& block);
void km_setupAllowedCodingPropertyNames(const rt::Class* cls, const KMNamesBlock& block);
void km_setupIgnoredCodingPropertyNames(const rt::Class* cls, const KMNamesBlock& block);

/// The hook's names first, then those set up on `cls`, then each superclass's, nearest
/// first (duplicates kept); cached per class.
Ref<fd::MutableArray> km_totalAllowedPropertyNames(const rt::Class* cls);
Ref<fd::MutableArray> km_totalIgnoredPropertyNames(const rt::Class* cls);
Ref<fd::MutableArray> km_totalAllowedCodingPropertyNames(const rt::Class* cls);
Ref<fd::MutableArray> km_totalIgnoredCodingPropertyNames(const rt::Class* cls);

/// Runs a non-empty `block` and stores its answer in the slot `key` of `cls` (an empty block
/// clears the slot), then empties the cache table of the same identifier.
void km_setupBlockReturnValue(const rt::Class* cls, const std::function<rt::Id()>& block, const void* key);
/// The total of one kind: the answer of the class hook `selector` joined with the arrays in
/// the slot `key` of `cls` and every superclass.
Ref<fd::MutableArray> km_totalObjectsWithSelector(const rt::Class* cls, rt::Selector selector, const void* key);

/// Whether `cls` answers the class-side `selector`, and its answer (nil when it does not).
bool km_respondsToClassHook(const rt::Class* cls, rt::Selector selector);
rt::Id km_classHookAnswer(const rt::Class* cls, rt::Selector selector, const std::vector<rt::Value>& args = {});

}  // namespace net
