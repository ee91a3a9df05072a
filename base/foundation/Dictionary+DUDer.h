#pragma once
// Dictionaries from XML, property lists and JSON and back, sorted keys, and typed getters that
// take numbers or number-like text ("12.7", "yes", "null") with a default. Any thread.
#include <optional>
#include <vector>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"

namespace base {

using rt::String;

/// Text or bytes of XML; null for anything else and when no element started.
Ref<fd::MutableDictionary> dictionaryWithXML(const rt::Id& xml);
/// Null unless the property list is a dictionary.
Ref<fd::Dictionary> dictionaryWithPlistData(const Ref<fd::Data>& data);
Ref<fd::Dictionary> dictionaryWithPlistString(const std::optional<String>& text);
/// Binary and XML property lists; null when a value cannot be written.
Ref<fd::Data> plistData(const fd::Dictionary& dict);
std::optional<String> plistString(const fd::Dictionary& dict);

/// Case-insensitive order of text keys.
Ref<fd::Array> allKeysSorted(const fd::Dictionary& dict);
Ref<fd::Array> allValuesSortedByKeys(const fd::Dictionary& dict);
bool containsObjectForKey(const fd::Dictionary& dict, const rt::Id& key);
/// The entries of those keys that exist.
Ref<fd::Dictionary> entriesForKeys(const fd::Dictionary& dict, const std::vector<rt::Id>& keys);
/// nullopt when the dictionary is not valid JSON.
std::optional<String> jsonStringEncoded(const fd::Dictionary& dict);
std::optional<String> jsonPrettyStringEncoded(const fd::Dictionary& dict);

// Typed getters: a missing key or value, null, or a value that is neither number nor text gives
// the default; text that reads as no number gives 0.
using Key = std::optional<String>;
bool boolValueForKey(const fd::Dictionary& d, const Key& key, bool def);
char charValueForKey(const fd::Dictionary& d, const Key& key, char def);
unsigned char unsignedCharValueForKey(const fd::Dictionary& d, const Key& key, unsigned char def);
int16_t shortValueForKey(const fd::Dictionary& d, const Key& key, int16_t def);
uint16_t unsignedShortValueForKey(const fd::Dictionary& d, const Key& key, uint16_t def);
int32_t intValueForKey(const fd::Dictionary& d, const Key& key, int32_t def);
uint32_t unsignedIntValueForKey(const fd::Dictionary& d, const Key& key, uint32_t def);
int64_t longValueForKey(const fd::Dictionary& d, const Key& key, int64_t def);
uint64_t unsignedLongValueForKey(const fd::Dictionary& d, const Key& key, uint64_t def);
int64_t longLongValueForKey(const fd::Dictionary& d, const Key& key, int64_t def);
uint64_t unsignedLongLongValueForKey(const fd::Dictionary& d, const Key& key, uint64_t def);
float floatValueForKey(const fd::Dictionary& d, const Key& key, float def);
double doubleValueForKey(const fd::Dictionary& d, const Key& key, double def);
int64_t integerValueForKey(const fd::Dictionary& d, const Key& key, int64_t def);
uint64_t unsignedIntegerValueForKey(const fd::Dictionary& d, const Key& key, uint64_t def);
/// A number as it is, text by the text rule (possibly null), otherwise the default.
Ref<fd::Number> numverValueForKey(const fd::Dictionary& d, const Key& key, const Ref<fd::Number>& def);
/// Text as it is, a number's description, otherwise the default.
std::optional<String> stringValueForKey(const fd::Dictionary& d, const Key& key, const std::optional<String>& def);

}  // namespace base
