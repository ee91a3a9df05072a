#pragma once
// Model objects from key values (a dictionary, or JSON text or bytes of one) and back, on
// every class and object, driven by the classes' registered properties.
//
// Nothing here raises. Each entry operation first clears the last error of the class it
// works for (km_error) and records there what went wrong: an error whose domain is the
// message, with code 250 and no user information. A property whose conversion raises is
// left as it was, its exception's reason recorded the same way, and the others are still
// converted. The per-class caches are used from one converting thread at a time.
//
// Model text fields are plain strings, which cannot be nil: an empty string stands for nil,
// so an empty string property is left out of key values as a nil one would be.
//
// A context (for records of a persistent object store) is accepted and passed on to nested
// objects; this platform has no such store, so it changes nothing.
#include <optional>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/text/NumberFormatter.h"

namespace net {

/// The code of every mapping error.
inline constexpr int64_t KMErrorCode = 250;

/// The last error recorded for `cls` (null when the last operation went well).
Ref<fd::Error> km_error(const rt::Class* cls);
void setKm_error(const rt::Class* cls, Ref<fd::Error> error);

/// Whether key values of `cls` are built along its properties' key paths (nested
/// dictionaries and arrays) or under the bare property names. Inherited; the root is on.
void km_referenceReplacedKeyWhenCreatingKeyValues(const rt::Class* cls, bool reference);
bool km_isReferenceReplacedKeyWhenCreatingKeyValues(const rt::Class* cls);

/// Runs once, at start-up: makes the shared number formatter and turns the reference
/// setting on at the root class. Calling it again does nothing.
void km_load();
/// Turns numeric text into numbers for number-typed properties; the same on every machine.
const Ref<fd::NumberFormatter>& km_sharedNumberFormatter();

// ---- Key values to objects ----

/// A new instance of `cls` filled from `keyValues`; null (error "keyValues参数不是一个字典")
/// when they are not a dictionary or JSON text or bytes of one.
rt::Id km_objectWithKeyValues(const rt::Class* cls, const rt::Id& keyValues, const rt::Id& context = nullptr);
template <class T> Ref<T> km_objectWithKeyValues(const rt::Id& keyValues, const rt::Id& context = nullptr) {
  return rt::as<T>(km_objectWithKeyValues(T::classObject(), keyValues, context));
}
/// Fills `object` from `keyValues`; keys without a property are ignored, properties without
/// a key keep their value. Answers `object`.
rt::Object& km_setKeyValues(rt::Object& object, const rt::Id& keyValues, const rt::Id& context = nullptr);
/// One new object per dictionary of the array (an inner array gives an inner array);
/// null (error "keyValuesArray参数不是一个数组") when it is not an array.
Ref<fd::MutableArray> km_objectArrayWithKeyValuesArray(const rt::Class* cls, const rt::Id& keyValuesArray,
                                                       const rt::Id& context = nullptr);
/// From the property-list resource of that name in the main bundle, or a property-list file.
/// A missing name or path records "filename参数为nil" / "file参数为nil".
rt::Id km_objectWithFilename(const rt::Class* cls, const std::optional<fd::String>& filename);
rt::Id km_objectWithFile(const rt::Class* cls, const std::optional<fd::String>& file);
Ref<fd::MutableArray> km_objectArrayWithFilename(const rt::Class* cls, const std::optional<fd::String>& filename);
Ref<fd::MutableArray> km_objectArrayWithFile(const rt::Class* cls, const std::optional<fd::String>& file);

// ---- Objects to key values ----

/// A new mutable dictionary of the object's properties (nested models as dictionaries,
/// arrays element by element, URLs as text, scalars as numbers); for an object of a platform
/// class the object itself (error "不是自定义的模型类").
rt::Id km_keyValues(const rt::Object& object);
/// Only the properties named in `keys` (when not empty), less those in `ignoredKeys`.
rt::Id km_keyValuesWithKeys(const rt::Object& object, const Ref<fd::Array>& keys,
                            const Ref<fd::Array>& ignoredKeys = nullptr);
rt::Id km_keyValuesWithIgnoredKeys(const rt::Object& object, const Ref<fd::Array>& ignoredKeys);
/// Each element's key values: with `keys` when given, else with `ignoredKeys`; null (error
/// "objectArray参数不是一个数组") when `objectArray` is not an array.
Ref<fd::MutableArray> km_keyValuesArrayWithObjectArray(const rt::Class* cls, const rt::Id& objectArray,
                                                       const Ref<fd::Array>& keys = nullptr,
                                                       const Ref<fd::Array>& ignoredKeys = nullptr);

// ---- JSON ----

/// Text and bytes parsed as JSON (null when they are not JSON); anything else its key values.
rt::Id km_JSONObject(const rt::Object& object);
/// Text as UTF-8, bytes as they are, anything else compact JSON of its key values; null when
/// those hold what JSON cannot (dates, data, URLs inside arrays...).
Ref<fd::Data> km_JSONData(const rt::Object& object);
/// Text as it is, bytes decoded as UTF-8, anything else the text of km_JSONData; nullopt
/// when there is none.
std::optional<fd::String> km_JSONString(const rt::Object& object);

}  // namespace net
