#include "platform/foundation/values/Number.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/foundation/values/Boxing.h"
#include "platform/foundation/values/DecimalNumber.h"

namespace fd {

// Values of this class reach the runtime through the boxing hooks: make sure they are in.
[[maybe_unused]] static const bool kNumberBoxingInstalled = (installBoxing(), true);

RT_IMPLEMENT_PLATFORM(Number) {
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
}

namespace {

// Shortest digits and decimal exponent from a "d.ddde±x" rendering.
String formatShortest(const char* sci, size_t len) {
  std::string_view s(sci, len);
  std::string out;
  if (!s.empty() && s[0] == '-') {
    out += '-';
    s.remove_prefix(1);
  }
  if (s == "inf") return String(out + "inf");
  if (s == "nan") return "nan";
  size_t e = s.find('e');
  std::string digits;
  for (char c : s.substr(0, e)) {
    if (c != '.') digits += c;
  }
  int exp = 0;
  std::from_chars(s.data() + e + 1 + (s[e + 1] == '+'), s.data() + s.size(), exp);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  if (digits == "0") return String(out + "0");
  if (exp >= 16 || exp < -4) {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1);
    }
    out += 'e';
    out += exp < 0 ? '-' : '+';
    int a = exp < 0 ? -exp : exp;
    if (a < 10) out += '0';
    out += std::to_string(a);
  } else if (exp >= 0) {
    size_t intLen = static_cast<size_t>(exp) + 1;
    if (digits.size() <= intLen) {
      out += digits;
      out.append(intLen - digits.size(), '0');
    } else {
      out.append(digits, 0, intLen);
      out += '.';
      out.append(digits, intLen);
    }
  } else {
    out += "0.";
    out.append(static_cast<size_t>(-exp - 1), '0');
    out += digits;
  }
  return String(out);
}

uint64_t mix(uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  return x;
}

int sign(long double a, long double b) { return a < b ? -1 : (a > b ? 1 : 0); }

}  // namespace

String shortestDoubleString(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  return formatShortest(buf, static_cast<size_t>(r.ptr - buf));
}

String shortestFloatString(float v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  return formatShortest(buf, static_cast<size_t>(r.ptr - buf));
}

Ref<Number> Number::numberWithBool(bool v) {
  // Never destroyed: detached workers may still box a flag while the process exits.
  static const Ref<Number>& yes = *new Ref<Number>([] {
    auto n = rt::make<Number>();
    n->setSigned(Kind::Bool, 1);
    return n;
  }());
  static const Ref<Number>& no = *new Ref<Number>([] {
    auto n = rt::make<Number>();
    n->setSigned(Kind::Bool, 0);
    return n;
  }());
  return v ? yes : no;
}

#define KD_SIGNED_NUMBER(Fn, T, K)   \
  Ref<Number> Number::Fn(T v) {      \
    auto n = rt::make<Number>();     \
    n->setSigned(Kind::K, v);        \
    return n;                        \
  }
#define KD_UNSIGNED_NUMBER(Fn, T, K) \
  Ref<Number> Number::Fn(T v) {      \
    auto n = rt::make<Number>();     \
    n->setUnsigned(Kind::K, v);      \
    return n;                        \
  }
KD_SIGNED_NUMBER(numberWithChar, char, Char)
KD_SIGNED_NUMBER(numberWithShort, int16_t, Short)
KD_SIGNED_NUMBER(numberWithInt, int32_t, Int)
KD_SIGNED_NUMBER(numberWithLongLong, int64_t, LongLong)
KD_UNSIGNED_NUMBER(numberWithUnsignedChar, unsigned char, UChar)
KD_UNSIGNED_NUMBER(numberWithUnsignedShort, uint16_t, UShort)
KD_UNSIGNED_NUMBER(numberWithUnsignedInt, uint32_t, UInt)
KD_UNSIGNED_NUMBER(numberWithUnsignedLongLong, uint64_t, ULongLong)
#undef KD_SIGNED_NUMBER
#undef KD_UNSIGNED_NUMBER

Ref<Number> Number::numberWithFloat(float v) {
  auto n = rt::make<Number>();
  n->setFloating(Kind::Float, v);
  return n;
}

Ref<Number> Number::numberWithDouble(double v) {
  auto n = rt::make<Number>();
  n->setFloating(Kind::Double, v);
  return n;
}

bool Number::storesSigned() const {
  switch (kind_) {
    case Kind::Bool: case Kind::Char: case Kind::Short: case Kind::Int: case Kind::LongLong: return true;
    default: return false;
  }
}

bool Number::storesUnsigned() const {
  switch (kind_) {
    case Kind::UChar: case Kind::UShort: case Kind::UInt: case Kind::ULongLong: return true;
    default: return false;
  }
}

bool Number::isUnsigned() const { return storesUnsigned(); }

bool Number::boolValue() const {
  if (storesSigned()) return i_ != 0;
  if (storesUnsigned()) return u_ != 0;
  return d_ != 0;
}

int64_t Number::integerValue() const {
  if (storesSigned()) return i_;
  if (storesUnsigned()) return static_cast<int64_t>(u_);
  if (std::isnan(d_)) return 0;
  if (d_ >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (d_ <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(d_);
}

uint64_t Number::unsignedLongLongValue() const {
  if (storesSigned()) return static_cast<uint64_t>(i_);
  if (storesUnsigned()) return u_;
  if (std::isnan(d_)) return 0;
  if (d_ < 0) return static_cast<uint64_t>(integerValue());
  if (d_ >= 18446744073709551615.0) return std::numeric_limits<uint64_t>::max();
  return static_cast<uint64_t>(d_);
}

double Number::doubleValue() const {
  if (storesSigned()) return static_cast<double>(i_);
  if (storesUnsigned()) return static_cast<double>(u_);
  return d_;
}

String Number::stringValue() const {
  if (storesSigned()) return String(std::to_string(i_));
  if (storesUnsigned()) return String(std::to_string(u_));
  if (kind_ == Kind::Float) return shortestFloatString(static_cast<float>(d_));
  return shortestDoubleString(d_);
}

std::string_view Number::objCType() const {
  switch (kind_) {
    case Kind::Bool: return "c";
    case Kind::Char: return "c";
    case Kind::UChar: return "C";
    case Kind::Short: return "s";
    case Kind::UShort: return "S";
    case Kind::Int: return "i";
    case Kind::UInt: return "I";
    case Kind::LongLong: return "q";
    case Kind::ULongLong: return "Q";
    case Kind::Float: return "f";
    case Kind::Double: return "d";
  }
  return "q";
}

bool Number::getValue(void* out, size_t size) const {
  auto put = [&](auto v) {
    if (size != sizeof(v)) return false;
    std::memcpy(out, &v, sizeof(v));
    return true;
  };
  switch (kind_) {
    case Kind::Bool: case Kind::Char: return put(static_cast<char>(i_));
    case Kind::UChar: return put(static_cast<unsigned char>(u_));
    case Kind::Short: return put(static_cast<int16_t>(i_));
    case Kind::UShort: return put(static_cast<uint16_t>(u_));
    case Kind::Int: return put(static_cast<int32_t>(i_));
    case Kind::UInt: return put(static_cast<uint32_t>(u_));
    case Kind::LongLong: return put(i_);
    case Kind::ULongLong: return put(u_);
    case Kind::Float: return put(static_cast<float>(d_));
    case Kind::Double: return put(d_);
  }
  return false;
}

Ordering Number::compare(const Number& other) const {
  if (auto* d = dynamic_cast<const DecimalNumber*>(&other)) {
    Ordering o = d->compare(*this);
    return static_cast<Ordering>(-static_cast<int>(o));
  }
  auto result = [](int s) { return s < 0 ? Ordering::Ascending : (s > 0 ? Ordering::Descending : Ordering::Same); };
  if (isFloatingPoint() || other.isFloatingPoint()) {
    double a = doubleValue(), b = other.doubleValue();
    bool na = isFloatingPoint() && std::isnan(d_), nb = other.isFloatingPoint() && std::isnan(other.d_);
    if (na || nb) return result(na && nb ? 0 : (na ? -1 : 1));
    // long double holds every 64-bit integer exactly, so mixed comparisons are exact.
    long double la = isFloatingPoint() ? a : (storesSigned() ? static_cast<long double>(i_) : static_cast<long double>(u_));
    long double lb = other.isFloatingPoint()
                         ? b
                         : (other.storesSigned() ? static_cast<long double>(other.i_) : static_cast<long double>(other.u_));
    return result(sign(la, lb));
  }
  if (storesSigned() && other.storesSigned()) return result(i_ < other.i_ ? -1 : (i_ > other.i_ ? 1 : 0));
  if (storesUnsigned() && other.storesUnsigned()) return result(u_ < other.u_ ? -1 : (u_ > other.u_ ? 1 : 0));
  if (storesSigned()) {  // signed vs unsigned
    if (i_ < 0) return Ordering::Ascending;
    uint64_t a = static_cast<uint64_t>(i_);
    return result(a < other.u_ ? -1 : (a > other.u_ ? 1 : 0));
  }
  if (other.i_ < 0) return Ordering::Descending;
  uint64_t b = static_cast<uint64_t>(other.i_);
  return result(u_ < b ? -1 : (u_ > b ? 1 : 0));
}

bool Number::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* n = dynamic_cast<const Number*>(other);
  return n && compare(*n) == Ordering::Same;
}

size_t Number::hash() const {
  if (storesSigned()) return mix(static_cast<uint64_t>(i_));
  if (storesUnsigned()) return mix(u_);
  if (std::isnan(d_)) return 0x7ff8;
  // Integral values hash as the integer they equal, so that 2.0 and 2 collide.
  if (std::trunc(d_) == d_ && d_ >= -9223372036854775808.0 && d_ < 18446744073709551616.0) {
    return mix(d_ < 0 ? static_cast<uint64_t>(static_cast<int64_t>(d_)) : static_cast<uint64_t>(d_));
  }
  uint64_t bits;
  std::memcpy(&bits, &d_, sizeof bits);
  return mix(bits);
}

Id Number::copy() const { return std::const_pointer_cast<Object>(self()); }

}  // namespace fd
