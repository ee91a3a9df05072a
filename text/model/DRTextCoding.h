#pragma once
// Boxed numbers under keys, as the attribute classes archive them. A missing key leaves the
// value alone; a value of another class fails the decoding through the coder.
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Number.h"

namespace text::coding {

inline void encodeDouble(fd::KeyedArchiver& c, double v, const char* key) {
  c.encodeObject(fd::Number::numberWithDouble(v), key);
}
inline void encodeInteger(fd::KeyedArchiver& c, int64_t v, const char* key) {
  c.encodeObject(fd::Number::numberWithLongLong(v), key);
}

inline void decodeDouble(fd::KeyedUnarchiver& c, const char* key, double& out) {
  if (auto n = c.decodeObjectOfClass<fd::Number>(key)) out = n->doubleValue();
}
template <class T> void decodeInteger(fd::KeyedUnarchiver& c, const char* key, T& out) {
  if (auto n = c.decodeObjectOfClass<fd::Number>(key)) out = static_cast<T>(n->longLongValue());
}

}  // namespace text::coding
