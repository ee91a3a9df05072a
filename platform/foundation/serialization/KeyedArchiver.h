#pragma once
// Keyed archiving: an object graph written as a binary property list.
//
// The byte format (ours; only the keys callers choose are binding):
//   { "$format": "kd.keyed-archive", "$version": 1,
//     "$top": { key: UID, ... },          // what was encoded at the top level ("root")
//     "$objects": [ "$null", ... ] }      // every object once; UID n is $objects[n], 0 is nil
// An object is a plain string, integer, real, boolean or data node when it is an immutable
// string, number or data, otherwise a dictionary with "$class" (the runtime class name) and
// its coded values. A coded key starting with "$" is stored with one more "$" in front.
// Objects reached more than once, cycles included, are written once and referred to by UID.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/serialization/KeyedArchiveFormat.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/values/ValueBox.h"

namespace fd {

class KeyedArchiver;

class KeyedArchiverDelegate {
 public:
  virtual ~KeyedArchiverDelegate() = default;
  /// Asked once per object met: the object to encode in its place (itself to keep it,
  /// null to encode nil).
  virtual Id willEncodeObject(KeyedArchiver&, const Id& object) { return object; }
  virtual void didEncodeObject(KeyedArchiver&, const Id& /*object*/) {}
};

class KeyedArchiver : public Coder {
  RT_CLASS_NAMED(KeyedArchiver, Coder, "NSKeyedArchiver")
 public:
  void init() { init(false); }
  void init(bool requiringSecureCoding);
  ~KeyedArchiver() override;

  /// The archive of `root` under the key "root", or null with `error` set (code 4866) when
  /// something in the graph cannot be archived.
  static Ref<Data> archivedDataWithRootObject(const Id& root, bool requiringSecureCoding, Ref<Error>* error);
  /// The same without secure coding; raises NSInvalidArgumentException or
  /// NSInvalidArchiveOperationException for objects that cannot be archived.
  static Ref<Data> archivedDataWithRootObject(const Id& root);

  bool requiresSecureCoding() const override { return secure_; }
  void setRequiresSecureCoding(bool on) { secure_ = on; }
  void setDelegate(Weak<KeyedArchiverDelegate> d) { delegate_ = std::move(d); }
  const Weak<KeyedArchiverDelegate>& delegate() const { return delegate_; }
  /// How deeply objects may nest; a deeper graph raises rather than overflowing the stack.
  /// Objects that start archivers of their own while encoding hand them what is left of it.
  unsigned maximumDepth() const { return maxDepth_; }
  void setMaximumDepth(unsigned depth) { maxDepth_ = depth; }
  /// How many objects are being encoded one inside the other now.
  unsigned depth() const { return depth_; }

  // Values under keys of the object being encoded (or of the top level).
  virtual void encodeObject(const Id& object, const String& key);
  virtual void encodeBool(bool value, const String& key);
  virtual void encodeInt32(int32_t value, const String& key);
  virtual void encodeInt64(int64_t value, const String& key);
  virtual void encodeInteger(int64_t value, const String& key) { encodeInt64(value, key); }
  virtual void encodeDouble(double value, const String& key);
  virtual void encodeFloat(float value, const String& key) { encodeDouble(value, key); }
  virtual void encodeBytes(const void* bytes, size_t length, const String& key);
  /// A plain struct with a runtime encoding (sizes, insets, ranges...), as a boxed value.
  template <class T> void encodeStruct(const T& value, const String& key) { encodeObject(ValueBox::valueWith(value), key); }

  /// Writes the archive; nothing more can be encoded afterwards.
  virtual void finishEncoding();
  /// The archive (finishing it first when needed).
  Ref<Data> encodedData();

 private:
  uint64_t reference(const Id& object);
  void* encodeNode(const Object* object);  // a property-list node for a value object, or null
  void* encodeCustom(const Object* object);
  void put(const String& key, void* node);

  bool secure_ = false;
  bool finished_ = false;
  Weak<KeyedArchiverDelegate> delegate_;
  void* top_ = nullptr;                              // dictionary of top-level keys
  void* current_ = nullptr;                          // dictionary receiving encodeX calls
  std::vector<void*> objects_;                       // $objects, by UID
  std::unordered_map<const Object*, uint64_t> uids_;
  std::unordered_map<const Object*, Id> replacements_;  // delegate answers, by original
  std::vector<Id> retained_;                         // keeps every UID's object alive
  unsigned depth_ = 0;
  unsigned maxDepth_ = archive::kMaxDepth;
  Ref<Data> data_;
};

}  // namespace fd
