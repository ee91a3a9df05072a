#pragma once
// Property lists in XML and binary form, read into and written from dynamic values:
// dictionaries (string keys), arrays, strings, integers, reals, booleans, dates and data.
//
// Limits of the underlying format library: dates are written in whole seconds within about
// 68 years of 2001, and unsigned integers above INT64_MAX cannot be written (an error rather
// than a wrong value).
#include <cstdint>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Types.h"

namespace fd {

class Array;
class Dictionary;

enum PropertyListMutabilityOptions : uint32_t {
  PropertyListImmutable = 0,
  PropertyListMutableContainers = 1,
  PropertyListMutableContainersAndLeaves = 2,  // strings and data too
};

enum PropertyListFormat : uint32_t {
  PropertyListOpenStepFormat = 1,  // recognised as a value, neither read nor written
  PropertyListXMLFormat = 100,
  PropertyListBinaryFormat = 200,
};

/// Error codes in NSCocoaErrorDomain.
inline constexpr int64_t PropertyListReadCorruptError = 3840;
inline constexpr int64_t PropertyListWriteInvalidError = 3851;

class PropertyListSerialization {
 public:
  /// The property list in `data` (XML or binary, found from the bytes), or null with `error`
  /// set. `format`, when given, receives the form that was read.
  static Id propertyListWithData(const Ref<Data>& data, uint32_t options, PropertyListFormat* format,
                                 Ref<Error>* error);
  /// The bytes of `plist` in `format` (XML or binary); null with `error` set when `plist`
  /// holds something a property list cannot (the null object, URLs, non-string keys...).
  /// `options` is reserved and must be 0.
  static Ref<Data> dataWithPropertyList(const Id& plist, PropertyListFormat format, uint32_t options,
                                        Ref<Error>* error);
  static bool propertyListIsValid(const Id& plist, PropertyListFormat format);
};

/// The dictionary (or array) a property-list file holds; null when the file is missing,
/// unreadable or holds something else.
Ref<Dictionary> dictionaryWithContentsOfFile(const String& path);
Ref<Array> arrayWithContentsOfFile(const String& path);

}  // namespace fd
