#pragma once
// Universally unique identifiers: random (version 4) or parsed from text.
#include <array>
#include <cstdint>

#include "platform/foundation/Types.h"

namespace fd {

class UUID : public Object {
  RT_CLASS_NAMED(UUID, Object, "NSUUID")
 public:
  using Bytes = std::array<uint8_t, 16>;

  /// A new random version-4 identifier.
  void init();
  void init(const Bytes& bytes) { bytes_ = bytes; }
  /// False (no object) unless the text is 8-4-4-4-12 hexadecimal digits (either case).
  bool init(const String& text);

  static Ref<UUID> create() { return rt::make<UUID>(); }
  static Ref<UUID> createWithString(const String& text) { return rt::make<UUID>(text); }

  const Bytes& bytes() const { return bytes_; }
  /// 36 upper-case characters, 8-4-4-4-12.
  String UUIDString() const;

  String description() const override;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;
  Id copy() const override;

 private:
  Bytes bytes_{};
};

}  // namespace fd
