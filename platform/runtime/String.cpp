// Storage, copying, conversion to and from UTF-8/Latin-1/UTF-32, substrings, ordinal
// comparison, hashing and in-place mutation.
#include "platform/runtime/String.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>

#include "platform/runtime/StringUnicode.h"

namespace rt {

// ---------------------------------------------------------------------------------------
// Storage

String::Rep* String::allocate(size_t capacity) {
  if (capacity > (SIZE_MAX - offsetof(Rep, units)) / sizeof(char16_t) - 1) throw std::bad_alloc();
  // One spare unit keeps the buffer zero-terminated for C interfaces.
  size_t bytes = offsetof(Rep, units) + (capacity + 1) * sizeof(char16_t);
  void* mem = std::malloc(bytes);
  if (!mem) throw std::bad_alloc();
  Rep* r = static_cast<Rep*>(mem);
  new (&r->refs) std::atomic_uint32_t(1);
  r->spare = 0;
  r->length = 0;
  r->capacity = capacity;
  r->units[0] = 0;
  return r;
}

void String::release() {
  if (rep_ && rep_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    rep_->refs.~atomic();
    std::free(rep_);
  }
  rep_ = nullptr;
}

String::Rep* String::unique(size_t minCapacity) {
  if (rep_ && rep_->refs.load(std::memory_order_acquire) == 1 && rep_->capacity >= minCapacity)
    return rep_;
  size_t len = length();
  size_t cap = minCapacity;
  // Geometric growth only when growing a buffer we own, so that appends stay amortised O(1).
  if (rep_ && rep_->refs.load(std::memory_order_acquire) == 1) cap = std::max(minCapacity, rep_->capacity * 3 / 2);
  Rep* r = allocate(std::max(cap, len));
  if (len) std::memcpy(r->units, data(), len * sizeof(char16_t));
  r->length = len;
  r->units[len] = 0;
  release();
  rep_ = r;
  return r;
}

String::String(const String& o) : rep_(o.rep_) {
  if (rep_) rep_->refs.fetch_add(1, std::memory_order_relaxed);
}

String& String::operator=(const String& o) {
  if (o.rep_ != rep_) {
    if (o.rep_) o.rep_->refs.fetch_add(1, std::memory_order_relaxed);
    release();
    rep_ = o.rep_;
  }
  return *this;
}

String& String::operator=(String&& o) noexcept {
  if (this != &o) {
    release();
    rep_ = o.rep_;
    o.rep_ = nullptr;
  }
  return *this;
}

String::~String() { release(); }

String String::withCapacity(size_t capacity) {
  String s;
  if (capacity == 0) return s;
  s.rep_ = allocate(capacity);
  s.rep_->length = capacity;
  s.rep_->units[capacity] = 0;
  return s;
}

// ---------------------------------------------------------------------------------------
// From UTF-16, UTF-8, Latin-1, UTF-32

String::String(std::u16string_view utf16) {
  if (utf16.empty()) return;
  rep_ = allocate(utf16.size());
  std::memcpy(rep_->units, utf16.data(), utf16.size() * sizeof(char16_t));
  rep_->length = utf16.size();
  rep_->units[utf16.size()] = 0;
}

String::String(const char* utf8) : String(utf8 ? std::string_view(utf8) : std::string_view()) {}

namespace {

// Length of the leading run of ASCII bytes, eight at a time.
size_t asciiPrefix(const unsigned char* p, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ull) break;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// Decodes one UTF-8 sequence at p[i]. Answers the code point, or -1 for an ill-formed
// sequence, and advances i past the maximal subpart consumed (at least one byte), so that
// each ill-formed subpart becomes one replacement character.
int32_t decodeUTF8(const unsigned char* p, size_t n, size_t& i) {
  unsigned char b = p[i++];
  if (b < 0x80) return b;
  int need;
  uint32_t cp;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) { need = 1; cp = b & 0x1F; }
  else if (b >= 0xE0 && b <= 0xEF) {
    need = 2; cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no encoded surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3; cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return -1;
  }
  for (int k = 0; k < need; ++k) {
    if (i >= n) return -1;
    unsigned char c = p[i];
    if (c < lo || c > hi) return -1;
    lo = 0x80; hi = 0xBF;
    cp = (cp << 6) | (c & 0x3F);
    ++i;
  }
  return static_cast<int32_t>(cp);
}

// Decodes into out (room for n units: UTF-16 never needs more units than UTF-8 has bytes).
// Answers the unit count, or SIZE_MAX on the first error when strict.
size_t decodeInto(const unsigned char* p, size_t n, char16_t* out, bool strict) {
  size_t i = 0, o = 0;
  while (i < n) {
    size_t run = asciiPrefix(p + i, n - i);
    for (size_t k = 0; k < run; ++k) out[o++] = p[i + k];
    i += run;
    if (i >= n) break;
    int32_t cp = decodeUTF8(p, n, i);
    if (cp < 0) {
      if (strict) return SIZE_MAX;
      out[o++] = 0xFFFD;
    } else if (cp >= 0x10000) {
      out[o++] = static_cast<char16_t>(0xD7C0 + (cp >> 10));
      out[o++] = static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
    } else {
      out[o++] = static_cast<char16_t>(cp);
    }
  }
  return o;
}

}  // namespace

// A buffer whose first `used` units are filled in; trimmed when the waste is large.
void String::shrink(Rep*& r, size_t used) {
  r->length = used;
  r->units[used] = 0;
  if (r->capacity - used > 32 && used < r->capacity / 4 * 3) {
    Rep* t = allocate(used);
    std::memcpy(t->units, r->units, (used + 1) * sizeof(char16_t));
    t->length = used;
    r->refs.~atomic();
    std::free(r);
    r = t;
  }
}

String::String(std::string_view utf8) {
  size_t n = utf8.size();
  if (n == 0) return;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  rep_ = allocate(n);
  size_t run = asciiPrefix(p, n);
  char16_t* out = rep_->units;
  for (size_t k = 0; k < run; ++k) out[k] = p[k];
  if (run == n) {
    rep_->length = n;
    rep_->units[n] = 0;
    return;
  }
  size_t used = run + decodeInto(p + run, n - run, out + run, false);
  shrink(rep_, used);
}

std::optional<String> String::fromUTF8(const char* bytes, size_t length) {
  String s;
  if (length == 0) return s;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  s.rep_ = allocate(length);
  size_t used = decodeInto(p, length, s.rep_->units, true);
  if (used == SIZE_MAX) return std::nullopt;
  shrink(s.rep_, used);
  return s;
}

String String::fromLatin1(const char* bytes, size_t length) {
  String s = withCapacity(length);
  for (size_t i = 0; i < length; ++i) s.rep_->units[i] = static_cast<unsigned char>(bytes[i]);
  return s;
}

String String::fromUTF32(const char32_t* cps, size_t count) {
  String s;
  if (count == 0) return s;
  s.rep_ = allocate(count * 2);
  size_t o = 0;
  for (size_t i = 0; i < count; ++i) o += unicode::encodeUTF16(cps[i], s.rep_->units + o);
  shrink(s.rep_, o);
  return s;
}

String String::fromCodePoint(char32_t cp) { return fromUTF32(&cp, 1); }

// ---------------------------------------------------------------------------------------
// Code points and UTF-8 out

char32_t String::codePointAt(size_t i) const {
  const char16_t* d = data();
  size_t n = length();
  char16_t c = d[i];
  if (unicode::isLead(c) && i + 1 < n && unicode::isTrail(d[i + 1])) return unicode::combine(c, d[i + 1]);
  return c;
}

std::u32string String::toUTF32() const {
  std::u32string out;
  out.reserve(length());
  unicode::forEachCodePoint(view(), [&](char32_t cp, size_t, size_t) { out.push_back(cp); });
  return out;
}

namespace {

// Length of the leading run of ASCII units, four at a time.
size_t asciiUnits(const char16_t* d, size_t n) {
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    uint64_t w;
    std::memcpy(&w, d + i, 8);
    if (w & 0xFF80FF80FF80FF80ull) break;
  }
  while (i < n && d[i] < 0x80) ++i;
  return i;
}

// Lone surrogates have no UTF-8 form; they come out as U+FFFD (three bytes).
size_t utf8Size(std::u16string_view v) {
  const char16_t* d = v.data();
  size_t n = v.size(), bytes = 0, i = 0;
  while (i < n) {
    size_t run = asciiUnits(d + i, n - i);
    bytes += run;
    i += run;
    if (i >= n) break;
    char16_t c = d[i];
    if (c < 0x800) {
      bytes += 2;
      ++i;
    } else if (unicode::isLead(c) && i + 1 < n && unicode::isTrail(d[i + 1])) {
      bytes += 4;
      i += 2;
    } else {
      bytes += 3;
      ++i;
    }
  }
  return bytes;
}

std::string toUTF8(std::u16string_view v) {
  const char16_t* d = v.data();
  size_t n = v.size();
  size_t run = asciiUnits(d, n);
  std::string out(run == n ? n : utf8Size(v), '\0');
  char* o = out.data();
  size_t i = 0;
  while (i < n) {
    for (; i < n && d[i] < 0x80; ++i) *o++ = static_cast<char>(d[i]);
    if (i >= n) break;
    size_t k;
    char32_t cp = unicode::codePointAt(v, i, &k);
    i += k;
    if (unicode::isSurrogate(cp)) cp = 0xFFFD;
    if (cp < 0x800) {
      *o++ = static_cast<char>(0xC0 | (cp >> 6));
    } else {
      if (cp < 0x10000) {
        *o++ = static_cast<char>(0xE0 | (cp >> 12));
      } else {
        *o++ = static_cast<char>(0xF0 | (cp >> 18));
        *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      }
      *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    *o++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

}  // namespace

std::string String::utf8() const { return toUTF8(view()); }

std::string String::cString() const {
  std::u16string_view v = view();
  size_t z = v.find(u'\0');
  return toUTF8(z == std::u16string_view::npos ? v : v.substr(0, z));
}

size_t String::utf8Length() const { return utf8Size(view()); }

std::ostream& operator<<(std::ostream& os, const String& s) { return os << s.utf8(); }

// ---------------------------------------------------------------------------------------
// Substrings, equality, ordering, hash

String String::substring(size_t from) const {
  if (from >= length()) return String();
  if (from == 0) return *this;
  return String(view().substr(from));
}

String String::substring(size_t from, size_t len) const {
  size_t n = length();
  if (from >= n) return String();
  len = std::min(len, n - from);
  if (from == 0 && len == n) return *this;
  return String(view().substr(from, len));
}

bool String::operator==(const String& o) const {
  if (rep_ == o.rep_) return true;
  size_t n = length();
  return n == o.length() && std::memcmp(data(), o.data(), n * sizeof(char16_t)) == 0;
}

bool String::operator==(const char* utf8) const {
  // ASCII needs no conversion, and names compared this way (modes, keys) are nearly always
  // ASCII: compare unit by unit and convert only when a wider character turns up.
  if (!utf8) return *this == String(utf8);
  size_t n = length();
  const char16_t* d = data();
  for (size_t i = 0;; ++i) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if (c >= 0x80) return *this == String(utf8);
    if (c == 0) return i == n;
    if (i >= n || d[i] != c) return false;
  }
}

std::strong_ordering String::operator<=>(const String& o) const {
  int c = view().compare(o.view());
  return c < 0 ? std::strong_ordering::less : c > 0 ? std::strong_ordering::greater : std::strong_ordering::equal;
}

size_t String::hash() const { return std::hash<std::u16string_view>()(view()); }

// ---------------------------------------------------------------------------------------
// Building and mutation

String String::operator+(const String& o) const {
  if (o.isEmpty()) return *this;
  if (isEmpty()) return o;
  size_t a = length(), b = o.length();
  String s = withCapacity(a + b);
  std::memcpy(s.rep_->units, data(), a * sizeof(char16_t));
  std::memcpy(s.rep_->units + a, o.data(), b * sizeof(char16_t));
  return s;
}

String& String::append(const String& o) {
  size_t b = o.length();
  if (b == 0) return *this;
  if (isEmpty()) return *this = o;
  size_t a = length();
  String keep = o;  // appending a string to itself must survive reallocation
  Rep* r = unique(a + b);
  std::memcpy(r->units + a, keep.data(), b * sizeof(char16_t));
  r->length = a + b;
  r->units[a + b] = 0;
  return *this;
}

String& String::appendCharacter(char16_t c) {
  size_t a = length();
  Rep* r = unique(a + 1);
  r->units[a] = c;
  r->length = a + 1;
  r->units[a + 1] = 0;
  return *this;
}

String& String::appendCodePoint(char32_t cp) {
  char16_t buf[2];
  size_t k = unicode::encodeUTF16(cp, buf);
  size_t a = length();
  Rep* r = unique(a + k);
  std::memcpy(r->units + a, buf, k * sizeof(char16_t));
  r->length = a + k;
  r->units[a + k] = 0;
  return *this;
}

void String::replaceCharactersInRange(Range range, const String& s) {
  size_t n = length();
  size_t from = std::min<size_t>(range.location, n);
  size_t len = std::min<size_t>(range.length, n - from);
  size_t add = s.length();
  String keep = s;
  size_t total = n - len + add;
  if (total == 0) {
    release();
    return;
  }
  Rep* r = unique(total);
  char16_t* u = r->units;
  std::memmove(u + from + add, u + from + len, (n - from - len) * sizeof(char16_t));
  if (add) std::memcpy(u + from, keep.data(), add * sizeof(char16_t));
  r->length = total;
  u[total] = 0;
}

void String::insert(const String& s, size_t at) { replaceCharactersInRange(Range{at, 0}, s); }

void String::deleteCharactersInRange(Range r) { replaceCharactersInRange(r, String()); }

String String::stringByReplacingCharactersInRange(Range r, const String& replacement) const {
  String s = *this;
  s.replaceCharactersInRange(r, replacement);
  return s;
}

void String::setLength(size_t n) {
  size_t old = length();
  if (n == old) return;
  if (n == 0) {
    release();
    return;
  }
  Rep* r = unique(n);
  if (n > old) std::memset(r->units + old, 0, (n - old) * sizeof(char16_t));
  r->length = n;
  r->units[n] = 0;
}

char16_t* String::mutableData() {
  if (!rep_) return const_cast<char16_t*>(data());
  return unique(length())->units;
}

}  // namespace rt
