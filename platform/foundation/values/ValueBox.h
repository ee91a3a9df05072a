#pragma once
// Boxed values: plain structs (ranges, geometry) and pointers, tagged with their type encoding.
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Types.h"
#include "platform/runtime/Encoding.h"

namespace fd {

class ValueBox : public Object {
  RT_CLASS_NAMED(ValueBox, Object, "NSValue")
 public:
  void init() {}
  void init(const void* bytes, size_t size, std::string encoding);

  /// Boxes `size` bytes under a type encoding ("valueWithBytes:objCType:").
  static Ref<ValueBox> create(const void* bytes, size_t size, std::string encoding);
  /// Boxes any struct the runtime knows an encoding for (rt::StructEncoding<T>).
  template <class T> static Ref<ValueBox> valueWith(const T& v) {
    static_assert(std::is_trivially_copyable_v<T>);
    return create(&v, sizeof(T), rt::StructEncoding<T>::value);
  }
  static Ref<ValueBox> valueWithPointer(const void* p);
  static Ref<ValueBox> valueWithRange(Range r) { return valueWith(r); }

  /// The type encoding of the boxed value ("{_NSRange=QQ}", "^v", "i" for numbers...).
  virtual std::string_view objCType() const;
  /// The raw bytes of a boxed struct or pointer (empty for numbers).
  const std::vector<uint8_t>& bytes() const;
  /// Copies the value out; false when `size` differs from the boxed value's size.
  virtual bool getValue(void* out, size_t size) const;
  /// Reads the value back as T; false unless the encodings match exactly.
  template <class T> bool get(T& out) const {
    if (objCType() != std::string_view(rt::StructEncoding<T>::value)) return false;
    return getValue(&out, sizeof(T));
  }
  /// The boxed pointer, or null when this is not a pointer value.
  const void* pointerValue() const;
  /// The boxed range, or {0, 0} when this is not a range value.
  Range rangeValue() const;

  /// "{0, 5}" for ranges, "<hex bytes>" in 4-byte groups otherwise.
  String description() const override;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;
  Id copy() const override;

 private:
  // Numbers, the most common values by far, keep their own fields: the boxed bytes live
  // apart so that a number does not carry an empty string and vector.
  struct Stored {
    std::string encoding;
    std::vector<uint8_t> bytes;
  };
  std::unique_ptr<Stored> stored_;
};

}  // namespace fd
