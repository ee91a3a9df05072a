#pragma once
// Process-wide keyed tables in which the mapping keeps its per-class and per-type results.
// Each table is a mutable dictionary under an opaque identifier; it is made on the first
// store and lives for the rest of the process. Like the rest of the mapping, the tables are
// used from one converting thread at a time.
#include "platform/foundation/values/Dictionary.h"

namespace net {

class KMDictionaryCache {
 public:
  using DictId = const void*;

  /// Stores `object` under `key` (a null object removes the entry), making the table when
  /// missing; answers the table.
  static Ref<fd::MutableDictionary> setObject(const rt::Id& object, const rt::Id& key, DictId dictId);
  static Ref<fd::MutableDictionary> setObject(const rt::Id& object, const fd::String& key, DictId dictId);
  /// Null when the table or the entry is missing.
  static rt::Id objectForKey(const rt::Id& key, DictId dictId);
  static rt::Id objectForKey(const fd::String& key, DictId dictId);
  /// The table itself, or null.
  static Ref<fd::MutableDictionary> dictWithDictId(DictId dictId);
};

/// Identifiers shared by the class slots that hold a setting and the cache table of totals
/// built from it; one per purpose. Distinct values keep the addresses distinct.
namespace km_keys {
inline constexpr char types = 1;
inline constexpr char propertyLists = 2;
inline constexpr char allowedPropertyNames = 3;
inline constexpr char ignoredPropertyNames = 4;
inline constexpr char allowedCodingPropertyNames = 5;
inline constexpr char ignoredCodingPropertyNames = 6;
inline constexpr char replacedKeyFromPropertyName = 7;
inline constexpr char replacedKeyFromPropertyName121 = 8;
inline constexpr char objectClassInArray = 9;
inline constexpr char newValueFromOldValue = 10;
inline constexpr char error = 11;
inline constexpr char referenceReplacedKey = 12;
}  // namespace km_keys

}  // namespace net
