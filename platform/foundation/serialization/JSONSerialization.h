#pragma once
// Reading JSON text into dynamic values and writing values back as JSON text.
//
// Reading gives dictionaries, arrays, strings, numbers (integers, unsigned integers above
// INT64_MAX, reals, booleans: each keeps its kind) and the null object. Errors are
// NSCocoaErrorDomain 3840 for unreadable text and 3851 for values JSON cannot hold.
#include <cstdint>
#include <string_view>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Types.h"

namespace fd {

enum JSONReadingOptions : uint32_t {
  JSONReadingMutableContainers = 1,  // MutableArray / MutableDictionary
  JSONReadingMutableLeaves = 2,      // MutableStringObject for string values
  JSONReadingFragmentsAllowed = 4,   // a top level that is neither array nor object
};

enum JSONWritingOptions : uint32_t {
  JSONWritingPrettyPrinted = 1,  // two-space indentation, "key" : value
  JSONWritingSortedKeys = 2,
  JSONWritingFragmentsAllowed = 4,
  JSONWritingWithoutEscapingSlashes = 8,  // "/" instead of "\/"
};

/// Error codes in NSCocoaErrorDomain.
inline constexpr int64_t JSONReadCorruptError = 3840;
inline constexpr int64_t JSONWriteInvalidError = 3851;
/// User-information key holding the byte offset of a reading error.
inline constexpr const char* JSONErrorIndexKey = "NSJSONSerializationErrorIndex";

class JSONSerialization {
 public:
  /// The value the UTF-8 text holds, or null with `error` set. Object keys with the same
  /// text share one immutable string object.
  static Id JSONObjectWithData(const Ref<Data>& data, uint32_t options, Ref<Error>* error);
  static Id JSONObjectWithBytes(std::string_view utf8, uint32_t options, Ref<Error>* error);
  static Id JSONObjectWithString(const String& text, uint32_t options, Ref<Error>* error);

  /// UTF-8 JSON text, or null with `error` set (code 3851) for values JSON cannot hold:
  /// dates, data, URLs and other objects, non-string keys, NaN and infinities, a top level
  /// that is not a container without JSONWritingFragmentsAllowed, nesting deeper than 512.
  static Ref<Data> dataWithJSONObject(const Id& object, uint32_t options, Ref<Error>* error);

  /// True for an array or dictionary holding only strings, finite numbers, the null object
  /// and further such containers, with string keys.
  static bool isValidJSONObject(const Id& object);
};

}  // namespace fd
