#pragma once
// Byte buffers. The bytes live in a std::vector so that readers and writers (JSON, property
// lists, images) can hand one over without copying.
#include <cstdint>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {

class Data : public Object {
  RT_CLASS_NAMED(Data, Object, "NSData")
 public:
  void init() {}
  void init(std::vector<uint8_t> bytes) { bytes_ = std::move(bytes); }

  static Ref<Data> create() { return rt::make<Data>(); }
  static Ref<Data> create(const void* bytes, size_t length);
  /// Takes the vector over; pass an rvalue to avoid a copy.
  static Ref<Data> create(std::vector<uint8_t> bytes);
  static Ref<Data> create(std::string_view bytes) { return create(bytes.data(), bytes.size()); }
  /// Decodes standard Base64 ("=" padding optional, white space ignored); null on bad input.
  static Ref<Data> fromBase64(const String& base64);

  const uint8_t* bytes() const { return bytes_.data(); }
  size_t length() const { return bytes_.size(); }
  const std::vector<uint8_t>& vector() const { return bytes_; }
  std::string_view view() const { return {reinterpret_cast<const char*>(bytes_.data()), bytes_.size()}; }

  /// Raises NSRangeException when the range is beyond the end.
  Ref<Data> subdataWithRange(Range r) const;
  /// First occurrence of `needle` (searched backwards when `backwards`), NotFoundRange when
  /// absent or empty.
  Range rangeOfData(const Data& needle, bool backwards = false) const;
  void getBytes(void* out, Range r) const;
  bool isEqualToData(const Data& other) const { return bytes_ == other.bytes_; }

  /// Standard alphabet, "=" padding, no line breaks.
  String base64EncodedString() const;

  /// "{length = 5, bytes = 0x68656c6c6f}"; long data shows its first and last bytes.
  String description() const override;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;
  Id copy() const override;
  Id mutableCopy() const override;

 protected:
  std::vector<uint8_t> bytes_;
};

class MutableData : public Data {
  RT_CLASS_NAMED(MutableData, Data, "NSMutableData")
 public:
  static Ref<MutableData> create() { return rt::make<MutableData>(); }
  static Ref<MutableData> create(const void* bytes, size_t length);
  static Ref<MutableData> create(std::vector<uint8_t> bytes);
  /// An empty buffer with room for `capacity` bytes.
  static Ref<MutableData> dataWithCapacity(size_t capacity);
  /// `length` zero bytes.
  static Ref<MutableData> dataWithLength(size_t length);

  uint8_t* mutableBytes() { return bytes_.data(); }
  /// The underlying vector, for writers that fill it in place.
  std::vector<uint8_t>& storage() { return bytes_; }
  /// Moves the bytes out, leaving this empty.
  std::vector<uint8_t> takeBytes() { return std::move(bytes_); }

  void appendBytes(const void* bytes, size_t length);
  void appendData(const Data& other);
  void appendData(const Ref<Data>& other) { if (other) appendData(*other); }
  /// Truncates, or grows with zero bytes.
  void setLength(size_t length) { bytes_.resize(length, 0); }
  void increaseLengthBy(size_t extra) { bytes_.resize(bytes_.size() + extra, 0); }
  /// Replaces the bytes in `r` with `length` bytes from `bytes` (the buffer may grow or
  /// shrink); raises NSRangeException when `r` is beyond the end.
  void replaceBytesInRange(Range r, const void* bytes, size_t length);
  /// Overwrites the bytes in `r` (same length); grows the buffer when `r` ends past it.
  void replaceBytesInRange(Range r, const void* bytes);
  void resetBytesInRange(Range r);
  void setData(const Data& other) { bytes_ = other.vector(); }

  /// Copies are immutable data with the current bytes.
  Id copy() const override;
};

}  // namespace fd
