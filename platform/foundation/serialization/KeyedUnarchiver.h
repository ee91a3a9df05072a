#pragma once
// Reading archives written by KeyedArchiver back into objects.
//
// With secure coding, every object of the graph, the value classes (strings, numbers, data,
// arrays, dictionaries...) and whatever an allowed class decodes of its own included, must be
// of a class the caller names when it decodes a top-level key; an archive naming anything
// else fails before any instance of it is made. A failure raises
// NSInvalidUnarchiveOperationException, or, under DecodingFailurePolicySetErrorAndReturn,
// records error() and makes every later decode answer nil / 0.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/serialization/KeyedArchiveFormat.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/values/ValueBox.h"

namespace fd {

class KeyedUnarchiver;

class KeyedUnarchiverDelegate {
 public:
  virtual ~KeyedUnarchiverDelegate() = default;
  /// The object to use in place of a decoded one (itself to keep it).
  virtual Id didDecodeObject(KeyedUnarchiver&, const Id& object) { return object; }
};

enum class DecodingFailurePolicy : uint8_t { RaiseException = 0, SetErrorAndReturn = 1 };

class KeyedUnarchiver : public Coder {
  RT_CLASS_NAMED(KeyedUnarchiver, Coder, "NSKeyedUnarchiver")
 public:
  void init() {}
  /// False (no object) unless `data` is an archive; `error` (code 4864) says why.
  bool init(const Ref<Data>& data, Ref<Error>* error = nullptr);
  ~KeyedUnarchiver() override;

  /// A secure unarchiver that sets errors rather than raising; null with `error` set when
  /// `data` is not an archive.
  static Ref<KeyedUnarchiver> createForReadingFromData(const Ref<Data>& data, Ref<Error>* error);

  /// The root object; raises NSInvalidArgumentException when `data` is not an archive and
  /// NSInvalidUnarchiveOperationException when it cannot be decoded.
  static Id unarchiveObjectWithData(const Ref<Data>& data);
  /// The root object if it is of kind `cls` (or one of `classes`), decoding securely; null
  /// with `error` set otherwise. Never raises.
  static Id unarchivedObjectOfClass(const Class* cls, const Ref<Data>& data, Ref<Error>* error);
  static Id unarchivedObjectOfClasses(const std::vector<const Class*>& classes, const Ref<Data>& data,
                                      Ref<Error>* error);

  bool requiresSecureCoding() const override { return secure_; }
  void setRequiresSecureCoding(bool on) { secure_ = on; }
  DecodingFailurePolicy decodingFailurePolicy() const { return policy_; }
  void setDecodingFailurePolicy(DecodingFailurePolicy p) { policy_ = p; }
  void setDelegate(Weak<KeyedUnarchiverDelegate> d) { delegate_ = std::move(d); }
  /// Whether an object may be reached again while it is being decoded (containers and model
  /// objects holding themselves). Readers of values that never hold themselves turn it off:
  /// a crafted cycle is then a failure instead of objects that can never be freed.
  bool allowsCycles() const { return cycles_; }
  void setAllowsCycles(bool on) { cycles_ = on; }
  const Weak<KeyedUnarchiverDelegate>& delegate() const { return delegate_; }
  /// How deeply objects may nest; deeper ones are a failure rather than a stack overflow.
  /// Readers that start unarchivers of their own while decoding (archives inside archives)
  /// hand them what is left of theirs.
  unsigned maximumDepth() const { return maxDepth_; }
  void setMaximumDepth(unsigned depth) { maxDepth_ = depth; }
  /// How many objects are being decoded one inside the other now.
  unsigned depth() const;
  /// The first failure under DecodingFailurePolicySetErrorAndReturn, or null.
  const Ref<Error>& error() const { return error_; }
  /// Reports a failure from within initWithCoder (raises or records, as the policy says).
  void failWithError(const Ref<Error>& error);

  // Values under keys of the object being decoded (or of the top level). Absent keys give
  // nil, 0 or false.
  bool containsValueForKey(const String& key) const;
  /// Under secure coding, only classes the enclosing top-level decodeObjectOfClass(es) named
  /// are accepted: at the top level, none.
  virtual Id decodeObjectForKey(const String& key);
  /// The object if it is of kind `cls`; a different class is a failure. At the top level, the
  /// classes named are those every object of its graph must belong to under secure coding;
  /// inside an object's decoding they only narrow what that key may hold.
  virtual Id decodeObjectOfClass(const Class* cls, const String& key);
  virtual Id decodeObjectOfClasses(const std::vector<const Class*>& classes, const String& key);
  template <class T> Ref<T> decodeObjectOfClass(const String& key) {
    return rt::as<T>(decodeObjectOfClass(T::classObject(), key));
  }
  virtual bool decodeBool(const String& key);
  virtual int32_t decodeInt32(const String& key);
  virtual int64_t decodeInt64(const String& key);
  virtual int64_t decodeInteger(const String& key) { return decodeInt64(key); }
  virtual double decodeDouble(const String& key);
  virtual float decodeFloat(const String& key) { return static_cast<float>(decodeDouble(key)); }
  virtual std::vector<uint8_t> decodeBytes(const String& key);
  /// A struct encoded with encodeStruct; false (leaving `out` alone) when absent or of another type.
  template <class T> bool decodeStruct(const String& key, T& out) {
    auto box = rt::as<ValueBox>(decodeObjectOfClass(ValueBox::classObject(), key));
    return box && box->get(out);
  }

  /// Ends decoding; nothing is decoded afterwards.
  virtual void finishDecoding();

 private:
  struct Decoding;  // the objects of the archive and what has been made of them
  Id decodeReference(void* node, const std::vector<const Class*>* check, const String& key);
  Id decodeUID(uint64_t uid);
  Id decodeValueObject(uint64_t uid, void* node);
  Id decodeCustom(uint64_t uid, void* node, const std::string& className);
  bool classAllowed(const Class* cls) const;
  /// The class an object of the archive names (null when it names none that is known).
  static const Class* codedClass(void* node);
  void* lookup(const String& key) const;
  Id fail(int64_t code, const String& reason);

  bool secure_ = false;
  DecodingFailurePolicy policy_ = DecodingFailurePolicy::RaiseException;
  Weak<KeyedUnarchiverDelegate> delegate_;
  Ref<Error> error_;
  Decoding* decoding_ = nullptr;
  std::vector<const Class*> allowed_;  // the caller's list while a top-level object is decoded
  bool finished_ = false;
  bool cycles_ = true;
  unsigned maxDepth_ = archive::kMaxDepth;
};

}  // namespace fd
