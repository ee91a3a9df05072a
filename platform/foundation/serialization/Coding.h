#pragma once
// How objects take part in keyed archiving.
//
// A model class opts in with a couple of lines: derive from fd::Coding, implement the two
// operations, and declare the protocol when registering the class:
//
//   class KDArticle : public rt::Object, public fd::Coding {
//     RT_CLASS(KDArticle, rt::Object)
//    public:
//     void encodeWithCoder(fd::KeyedArchiver& c) const override { c.encodeObject(box(title), "title"); }
//     bool initWithCoder(fd::KeyedUnarchiver& c) override { ...; return true; }
//   };
//   RT_IMPLEMENT(KDArticle) { c.protocol("NSCoding"); c.protocol("NSSecureCoding"); }
//
// Decoding makes a fresh instance with the class's default initialiser and runs
// initWithCoder on it, so that objects may refer to each other in cycles. A class that must be
// built from its coded values instead registers a decoder (registerDecoder). Strings,
// numbers, data, dates, URLs, the null object, arrays, dictionaries, sets, index sets,
// errors and boxed values are archived by the coders themselves.
#include <functional>

#include "platform/foundation/Types.h"

namespace fd {

class KeyedArchiver;
class KeyedUnarchiver;

/// What the keyed archiver and unarchiver have in common.
class Coder : public Object {
  RT_CLASS_NAMED(Coder, Object, "NSCoder")
 public:
  virtual bool allowsKeyedCoding() const { return true; }
  /// Whether only classes that support secure coding are archived or unarchived.
  virtual bool requiresSecureCoding() const = 0;
};

class Coding {
 public:
  virtual ~Coding() = default;
  virtual void encodeWithCoder(KeyedArchiver& coder) const = 0;
  /// Runs on a fresh instance; false gives no object (nil) in its place.
  virtual bool initWithCoder(KeyedUnarchiver& coder) = 0;
};

/// Builds an object from the coder positioned on its coded values; null for none.
using DecodeFactory = std::function<Id(KeyedUnarchiver&)>;

/// Makes `factory` the way instances of exactly `cls` are decoded.
void registerDecoder(const Class* cls, DecodeFactory factory);
/// The factory registered for `cls`, or an empty function.
DecodeFactory registeredDecoder(const Class* cls);
/// True when `cls` conforms to "NSSecureCoding".
bool supportsSecureCoding(const Class* cls);

/// Error codes in NSCocoaErrorDomain.
inline constexpr int64_t CoderReadCorruptError = 4864;
inline constexpr int64_t CoderValueNotFoundError = 4865;
inline constexpr int64_t CoderInvalidValueError = 4866;

}  // namespace fd
