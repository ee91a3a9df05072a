#include "platform/foundation/values/Data.h"

#include <algorithm>
#include <cstring>

namespace fd {

RT_IMPLEMENT_PLATFORM(Data) {
  c.protocol("NSCopying");
  c.protocol("NSMutableCopying");
  c.protocol("NSSecureCoding");
  c.property("length", &Data::length);
}

RT_IMPLEMENT_PLATFORM(MutableData) {}

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Value(char16_t c) {
  if (c >= u'A' && c <= u'Z') return c - u'A';
  if (c >= u'a' && c <= u'z') return c - u'a' + 26;
  if (c >= u'0' && c <= u'9') return c - u'0' + 52;
  if (c == u'+') return 62;
  if (c == u'/') return 63;
  return -1;
}

bool isSpace(char16_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

void appendHex(std::string& s, uint8_t b) {
  static const char* hex = "0123456789abcdef";
  s += hex[b >> 4];
  s += hex[b & 15];
}

void checkRange(Range r, size_t length, const char* method) {
  if (r.location > length || r.length > length - r.location) {
    rt::raise(rt::RangeException, String::format("-[NSData %s]: range {%llu, %llu} exceeds data length %llu", method,
                                                 r.location, r.length, static_cast<uint64_t>(length)));
  }
}

}  // namespace

Ref<Data> Data::create(const void* bytes, size_t length) {
  auto* p = static_cast<const uint8_t*>(bytes);
  return create(std::vector<uint8_t>(p, p + length));
}

Ref<Data> Data::create(std::vector<uint8_t> bytes) { return rt::make<Data>(std::move(bytes)); }

Ref<Data> Data::fromBase64(const String& base64) {
  std::vector<uint8_t> out;
  out.reserve(base64.length() * 3 / 4);
  uint32_t acc = 0;
  int bits = 0;
  size_t symbols = 0, padding = 0;
  for (char16_t c : base64.view()) {
    if (isSpace(c)) continue;
    if (c == u'=') {
      ++padding;
      continue;
    }
    if (padding) return nullptr;  // data after padding
    int v = base64Value(c);
    if (v < 0) return nullptr;
    ++symbols;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<uint8_t>(acc >> bits));
    }
  }
  if (symbols % 4 == 1) return nullptr;  // a lone symbol cannot hold a byte
  if (padding && (symbols + padding) % 4 != 0) return nullptr;
  if (padding > 2) return nullptr;
  return create(std::move(out));
}

Ref<Data> Data::subdataWithRange(Range r) const {
  checkRange(r, bytes_.size(), "subdataWithRange:");
  return create(bytes_.data() + r.location, r.length);
}

Range Data::rangeOfData(const Data& needle, bool backwards) const {
  const auto& n = needle.bytes_;
  if (n.empty() || n.size() > bytes_.size()) return rt::NotFoundRange;
  if (!backwards) {
    auto it = std::search(bytes_.begin(), bytes_.end(), n.begin(), n.end());
    if (it == bytes_.end()) return rt::NotFoundRange;
    return Range{static_cast<uint64_t>(it - bytes_.begin()), n.size()};
  }
  auto it = std::find_end(bytes_.begin(), bytes_.end(), n.begin(), n.end());
  if (it == bytes_.end()) return rt::NotFoundRange;
  return Range{static_cast<uint64_t>(it - bytes_.begin()), n.size()};
}

void Data::getBytes(void* out, Range r) const {
  checkRange(r, bytes_.size(), "getBytes:range:");
  if (r.length) std::memcpy(out, bytes_.data() + r.location, r.length);
}

String Data::base64EncodedString() const {
  std::string s;
  s.reserve((bytes_.size() + 2) / 3 * 4);
  size_t i = 0, n = bytes_.size();
  for (; i + 3 <= n; i += 3) {
    uint32_t v = (bytes_[i] << 16) | (bytes_[i + 1] << 8) | bytes_[i + 2];
    s += kAlphabet[(v >> 18) & 63];
    s += kAlphabet[(v >> 12) & 63];
    s += kAlphabet[(v >> 6) & 63];
    s += kAlphabet[v & 63];
  }
  if (n - i == 1) {
    uint32_t v = bytes_[i] << 16;
    s += kAlphabet[(v >> 18) & 63];
    s += kAlphabet[(v >> 12) & 63];
    s += "==";
  } else if (n - i == 2) {
    uint32_t v = (bytes_[i] << 16) | (bytes_[i + 1] << 8);
    s += kAlphabet[(v >> 18) & 63];
    s += kAlphabet[(v >> 12) & 63];
    s += kAlphabet[(v >> 6) & 63];
    s += '=';
  }
  return String(s);
}

String Data::description() const {
  std::string s = "{length = " + std::to_string(bytes_.size()) + ", bytes = 0x";
  const size_t n = bytes_.size();
  if (n <= 24) {
    for (uint8_t b : bytes_) appendHex(s, b);
  } else {
    // The first 16 and last 8 bytes in groups of four.
    for (size_t i = 0; i < 16; ++i) {
      if (i && i % 4 == 0) s += ' ';
      appendHex(s, bytes_[i]);
    }
    s += " ... ";
    for (size_t i = n - 8; i < n; ++i) {
      if (i != n - 8 && (i - (n - 8)) % 4 == 0) s += ' ';
      appendHex(s, bytes_[i]);
    }
    s += ' ';
  }
  s += '}';
  return String(s);
}

bool Data::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* d = dynamic_cast<const Data*>(other);
  return d && d->bytes_ == bytes_;
}

size_t Data::hash() const {
  // Length and the first bytes: cheap for large buffers and consistent with isEqual.
  size_t h = bytes_.size();
  size_t n = std::min<size_t>(bytes_.size(), 80);
  for (size_t i = 0; i < n; ++i) h = h * 31 + bytes_[i];
  return h;
}

Id Data::copy() const { return std::const_pointer_cast<Object>(self()); }

Id Data::mutableCopy() const { return MutableData::create(bytes_); }

Ref<MutableData> MutableData::create(const void* bytes, size_t length) {
  auto* p = static_cast<const uint8_t*>(bytes);
  return create(std::vector<uint8_t>(p, p + length));
}

Ref<MutableData> MutableData::create(std::vector<uint8_t> bytes) {
  auto d = rt::make<MutableData>();
  d->bytes_ = std::move(bytes);
  return d;
}

Ref<MutableData> MutableData::dataWithCapacity(size_t capacity) {
  auto d = rt::make<MutableData>();
  d->bytes_.reserve(capacity);
  return d;
}

Ref<MutableData> MutableData::dataWithLength(size_t length) {
  auto d = rt::make<MutableData>();
  d->bytes_.resize(length, 0);
  return d;
}

void MutableData::appendBytes(const void* bytes, size_t length) {
  if (!length) return;
  auto* p = static_cast<const uint8_t*>(bytes);
  bytes_.insert(bytes_.end(), p, p + length);
}

void MutableData::appendData(const Data& other) {
  if (&other == this) {
    std::vector<uint8_t> copy = bytes_;
    bytes_.insert(bytes_.end(), copy.begin(), copy.end());
    return;
  }
  bytes_.insert(bytes_.end(), other.vector().begin(), other.vector().end());
}

void MutableData::replaceBytesInRange(Range r, const void* bytes, size_t length) {
  checkRange(r, bytes_.size(), "replaceBytesInRange:withBytes:length:");
  auto* p = static_cast<const uint8_t*>(bytes);
  std::vector<uint8_t> replacement(p, p + (p ? length : 0));
  replacement.resize(length, 0);
  auto first = bytes_.begin() + static_cast<ptrdiff_t>(r.location);
  bytes_.erase(first, first + static_cast<ptrdiff_t>(r.length));
  bytes_.insert(bytes_.begin() + static_cast<ptrdiff_t>(r.location), replacement.begin(), replacement.end());
}

void MutableData::replaceBytesInRange(Range r, const void* bytes) {
  checkRange(Range{r.location, 0}, bytes_.size(), "replaceBytesInRange:withBytes:");
  if (r.end() > bytes_.size()) bytes_.resize(r.end(), 0);
  if (r.length) std::memmove(bytes_.data() + r.location, bytes, r.length);
}

void MutableData::resetBytesInRange(Range r) {
  checkRange(Range{r.location, 0}, bytes_.size(), "resetBytesInRange:");
  if (r.end() > bytes_.size()) bytes_.resize(r.end(), 0);
  std::fill_n(bytes_.begin() + static_cast<ptrdiff_t>(r.location), r.length, 0);
}

Id MutableData::copy() const { return Data::create(bytes_); }

}  // namespace fd
