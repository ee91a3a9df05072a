#include "platform/foundation/values/ValueBox.h"

#include <functional>

namespace fd {

RT_IMPLEMENT_PLATFORM(ValueBox) {
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
}

void ValueBox::init(const void* bytes, size_t size, std::string encoding) {
  auto* p = static_cast<const uint8_t*>(bytes);
  stored_ = std::make_unique<Stored>(Stored{std::move(encoding), std::vector<uint8_t>(p, p + size)});
}

std::string_view ValueBox::objCType() const { return stored_ ? std::string_view(stored_->encoding) : std::string_view(); }

const std::vector<uint8_t>& ValueBox::bytes() const {
  static const std::vector<uint8_t> none;
  return stored_ ? stored_->bytes : none;
}

Ref<ValueBox> ValueBox::create(const void* bytes, size_t size, std::string encoding) {
  return rt::make<ValueBox>(bytes, size, std::move(encoding));
}

Ref<ValueBox> ValueBox::valueWithPointer(const void* p) { return create(&p, sizeof(p), "^v"); }

bool ValueBox::getValue(void* out, size_t size) const {
  const auto& b = bytes();
  if (size != b.size()) return false;
  if (size) std::memcpy(out, b.data(), size);
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
  const auto& b = bytes();
  std::string s = "<";
  for (size_t i = 0; i < b.size(); ++i) {
    if (i && i % 4 == 0) s += ' ';
    s += hex[b[i] >> 4];
    s += hex[b[i] & 15];
  }
  s += '>';
  return String(s);
}

bool ValueBox::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* v = dynamic_cast<const ValueBox*>(other);
  if (!v || v->getClass() != getClass()) return false;
  return v->objCType() == objCType() && v->bytes() == bytes();
}

size_t ValueBox::hash() const {
  size_t h = std::hash<std::string_view>()(ValueBox::objCType());
  for (uint8_t b : bytes()) h = h * 31 + b;
  return h;
}

Id ValueBox::copy() const { return std::const_pointer_cast<Object>(self()); }

}  // namespace fd
