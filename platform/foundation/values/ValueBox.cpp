#include "platform/foundation/values/ValueBox.h"

#include <functional>

namespace fd {

RT_IMPLEMENT_PLATFORM(ValueBox) {
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
}

void ValueBox::init(const void* bytes, size_t size, std::string encoding) {
  encoding_ = std::move(encoding);
  auto* p = static_cast<const uint8_t*>(bytes);
  bytes_.assign(p, p + size);
}

Ref<ValueBox> ValueBox::create(const void* bytes, size_t size, std::string encoding) {
  return rt::make<ValueBox>(bytes, size, std::move(encoding));
}

Ref<ValueBox> ValueBox::valueWithPointer(const void* p) { return create(&p, sizeof(p), "^v"); }

bool ValueBox::getValue(void* out, size_t size) const {
  if (size != bytes_.size()) return false;
  if (size) std::memcpy(out, bytes_.data(), size);
  return true;
}

const void* ValueBox::pointerValue() const {
  const void* p = nullptr;
  if (rt::encodingKind(objCType()) != rt::EncodingKind::Pointer || !getValue(&p, sizeof(p))) return nullptr;
  return p;
}

Range ValueBox::rangeValue() const {
  Range r;
  if (!get(r)) return Range{};
  return r;
}

String ValueBox::description() const {
  Range r;
  if (get(r)) return String::format("{%llu, %llu}", r.location, r.length);
  static const char* hex = "0123456789abcdef";
  std::string s = "<";
  for (size_t i = 0; i < bytes_.size(); ++i) {
    if (i && i % 4 == 0) s += ' ';
    s += hex[bytes_[i] >> 4];
    s += hex[bytes_[i] & 15];
  }
  s += '>';
  return String(s);
}

bool ValueBox::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* v = dynamic_cast<const ValueBox*>(other);
  if (!v || v->getClass() != getClass()) return false;
  return v->objCType() == objCType() && v->bytes_ == bytes_;
}

size_t ValueBox::hash() const {
  size_t h = std::hash<std::string_view>()(encoding_);
  for (uint8_t b : bytes_) h = h * 31 + b;
  return h;
}

Id ValueBox::copy() const { return std::const_pointer_cast<Object>(self()); }

}  // namespace fd
