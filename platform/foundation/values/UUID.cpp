#include "platform/foundation/values/UUID.h"

#include <cstdio>

#include "platform/foundation/values/Random.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(UUID) {
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
  c.property("UUIDString", &UUID::UUIDString);
}

namespace {

int hexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

void UUID::init() {
  arc4random_buf(bytes_.data(), bytes_.size());
  bytes_[6] = static_cast<uint8_t>((bytes_[6] & 0x0f) | 0x40);  // version 4
  bytes_[8] = static_cast<uint8_t>((bytes_[8] & 0x3f) | 0x80);  // RFC 4122 variant
}

bool UUID::init(const String& text) {
  if (text.length() != 36) return false;
  size_t b = 0;
  for (size_t i = 0; i < 36;) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != u'-') return false;
      ++i;
      continue;
    }
    int hi = hexValue(text[i]), lo = hexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes_[b++] = static_cast<uint8_t>(hi << 4 | lo);
    i += 2;
  }
  return true;
}

String UUID::UUIDString() const {
  char buf[40];
  const auto& u = bytes_;
  std::snprintf(buf, sizeof buf, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", u[0], u[1], u[2],
                u[3], u[4], u[5], u[6], u[7], u[8], u[9], u[10], u[11], u[12], u[13], u[14], u[15]);
  return String(buf);
}

String UUID::description() const {
  char addr[32];
  std::snprintf(addr, sizeof addr, "%p", static_cast<const void*>(this));
  return String::format("<%@ %s> %@", className(), addr, UUIDString());
}

bool UUID::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* u = dynamic_cast<const UUID*>(other);
  return u && u->bytes_ == bytes_;
}

size_t UUID::hash() const {
  size_t h = 0;
  for (uint8_t b : bytes_) h = h * 131 + b;
  return h;
}

Id UUID::copy() const { return std::const_pointer_cast<Object>(self()); }

}  // namespace fd
