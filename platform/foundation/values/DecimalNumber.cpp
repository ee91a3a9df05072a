#include "platform/foundation/values/DecimalNumber.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace fd {

RT_IMPLEMENT_PLATFORM(DecimalNumber) {}

namespace {

using U128 = unsigned __int128;
constexpr int kMinExponent = -128;
constexpr int kMaxExponent = 127;

std::string toDigits(U128 v) {
  if (v == 0) return "0";
  std::string s;
  while (v) {
    s += static_cast<char>('0' + static_cast<int>(v % 10));
    v /= 10;
  }
  return std::string(s.rbegin(), s.rend());
}

bool isBlank(char16_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

void DecimalNumber::set(bool negative, U128 mantissa, int exponent) {
  nan_ = false;
  if (mantissa == 0) {
    negative_ = false;
    mantissa_ = 0;
    exponent_ = 0;
  } else {
    while (mantissa % 10 == 0) {
      mantissa /= 10;
      ++exponent;
    }
    negative_ = negative;
    mantissa_ = mantissa;
    exponent_ = exponent;
    int digits = static_cast<int>(toDigits(mantissa).size());
    if (exponent_ > kMaxExponent) {
      nan_ = true;  // overflow
    } else if (exponent_ < kMinExponent) {
      // Drop digits below the smallest exponent; what remains may round to zero.
      int drop = kMinExponent - exponent_;
      if (drop >= digits) {
        negative_ = false;
        mantissa_ = 0;
        exponent_ = 0;
      } else {
        for (int i = 0; i < drop; ++i) mantissa_ /= 10;
        exponent_ = kMinExponent;
      }
    }
  }
  syncApproximation();
}

void DecimalNumber::syncApproximation() {
  if (nan_) {
    setFloating(Kind::Double, std::nan(""));
    return;
  }
  if (exponent_ >= 0 && exponent_ <= 38) {
    U128 v = mantissa_;
    bool fits = true;
    for (int i = 0; i < exponent_ && fits; ++i) {
      if (v > static_cast<U128>(UINT64_MAX) / 10) fits = false;
      v *= 10;
    }
    if (fits && v <= static_cast<U128>(UINT64_MAX)) {
      if (negative_ && v <= static_cast<U128>(INT64_MAX) + 1) {
        setSigned(Kind::LongLong, static_cast<int64_t>(-static_cast<U128>(v)));  // two's complement
        return;
      }
      if (!negative_ && v <= static_cast<U128>(INT64_MAX)) {
        setSigned(Kind::LongLong, static_cast<int64_t>(v));
        return;
      }
      if (!negative_) {
        setUnsigned(Kind::ULongLong, static_cast<uint64_t>(v));
        return;
      }
    }
  }
  setFloating(Kind::Double, std::strtod(stringValue().utf8().c_str(), nullptr));
}

Ref<DecimalNumber> DecimalNumber::decimalNumberWithString(const String& s) {
  size_t i = 0, n = s.length();
  while (i < n && isBlank(s[i])) ++i;
  bool negative = false;
  if (i < n && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  U128 mantissa = 0;
  int significant = 0;
  int exponent = 0;
  bool sawDigit = false, sawPoint = false;
  for (; i < n; ++i) {
    char16_t c = s[i];
    if (c == u'.' && !sawPoint) {
      sawPoint = true;
      continue;
    }
    if (c < u'0' || c > u'9') break;
    sawDigit = true;
    int d = c - u'0';
    if (significant < kMaxDigits) {
      if (mantissa != 0 || d != 0) ++significant;
      mantissa = mantissa * 10 + static_cast<unsigned>(d);
      if (sawPoint) --exponent;
    } else if (!sawPoint) {
      ++exponent;  // digits beyond the precision still count in the integer part
    }
  }
  if (!sawDigit) return notANumber();
  if (i < n && (s[i] == u'e' || s[i] == u'E')) {
    size_t j = i + 1;
    bool expNegative = false;
    if (j < n && (s[j] == u'+' || s[j] == u'-')) expNegative = s[j++] == u'-';
    if (j < n && s[j] >= u'0' && s[j] <= u'9') {
      long e = 0;
      for (; j < n && s[j] >= u'0' && s[j] <= u'9'; ++j) {
        if (e < 100000) e = e * 10 + (s[j] - u'0');
      }
      exponent += static_cast<int>(expNegative ? -e : e);
    }
  }
  auto d = rt::make<DecimalNumber>();
  d->set(negative, mantissa, exponent);
  return d;
}

Ref<DecimalNumber> DecimalNumber::decimalNumberWithMantissa(uint64_t mantissa, int exponent, bool negative) {
  auto d = rt::make<DecimalNumber>();
  d->set(negative, mantissa, exponent);
  return d;
}

Ref<DecimalNumber> DecimalNumber::decimalNumberWithNumber(const Number& n) {
  if (auto* d = dynamic_cast<const DecimalNumber*>(&n)) {
    if (d->nan_) return notANumber();
    auto copy = rt::make<DecimalNumber>();
    copy->set(d->negative_, d->mantissa_, d->exponent_);
    return copy;
  }
  if (n.isFloatingPoint()) {
    double v = n.doubleValue();
    if (!std::isfinite(v)) return notANumber();
    return decimalNumberWithString(shortestDoubleString(v));
  }
  auto d = rt::make<DecimalNumber>();
  if (n.isUnsigned()) {
    d->set(false, n.unsignedLongLongValue(), 0);
  } else {
    int64_t v = n.integerValue();
    U128 magnitude = v < 0 ? static_cast<U128>(-(v + 1)) + 1 : static_cast<U128>(v);
    d->set(v < 0, magnitude, 0);
  }
  return d;
}

const Ref<DecimalNumber>& DecimalNumber::notANumber() {
  static const Ref<DecimalNumber> nan = [] {
    auto d = rt::make<DecimalNumber>();
    d->nan_ = true;
    d->syncApproximation();
    return d;
  }();
  return nan;
}

const Ref<DecimalNumber>& DecimalNumber::zero() {
  static const Ref<DecimalNumber> z = decimalNumberWithMantissa(0, 0, false);
  return z;
}

const Ref<DecimalNumber>& DecimalNumber::one() {
  static const Ref<DecimalNumber> o = decimalNumberWithMantissa(1, 0, false);
  return o;
}

std::string DecimalNumber::digits() const { return nan_ ? std::string() : toDigits(mantissa_); }

String DecimalNumber::stringValue() const {
  if (nan_) return "NaN";
  std::string d = toDigits(mantissa_);
  std::string out = negative_ ? "-" : "";
  if (mantissa_ == 0) return "0";
  if (exponent_ >= 0) {
    out += d;
    out.append(static_cast<size_t>(exponent_), '0');
  } else {
    size_t frac = static_cast<size_t>(-exponent_);
    if (d.size() > frac) {
      out.append(d, 0, d.size() - frac);
      out += '.';
      out.append(d, d.size() - frac);
    } else {
      out += "0.";
      out.append(frac - d.size(), '0');
      out += d;
    }
  }
  return String(out);
}

Ordering DecimalNumber::compare(const Number& other) const {
  Ref<DecimalNumber> converted;
  auto* o = dynamic_cast<const DecimalNumber*>(&other);
  if (!o) {
    if (other.isFloatingPoint() && std::isnan(other.doubleValue())) {
      return nan_ ? Ordering::Same : Ordering::Descending;
    }
    converted = decimalNumberWithNumber(other);
    o = converted.get();
  }
  if (nan_ || o->nan_) {
    if (nan_ && o->nan_) return Ordering::Same;
    return nan_ ? Ordering::Ascending : Ordering::Descending;
  }
  auto sgn = [](const DecimalNumber& x) { return x.mantissa_ == 0 ? 0 : (x.negative_ ? -1 : 1); };
  int sa = sgn(*this), sb = sgn(*o);
  if (sa != sb) return sa < sb ? Ordering::Ascending : Ordering::Descending;
  if (sa == 0) return Ordering::Same;
  // Same sign: compare magnitudes by order of magnitude, then digit by digit.
  std::string da = toDigits(mantissa_), db = toDigits(o->mantissa_);
  long ma = static_cast<long>(da.size()) + exponent_, mb = static_cast<long>(db.size()) + o->exponent_;
  int mag;
  if (ma != mb) {
    mag = ma < mb ? -1 : 1;
  } else {
    size_t len = std::max(da.size(), db.size());
    da.resize(len, '0');
    db.resize(len, '0');
    mag = da < db ? -1 : (da > db ? 1 : 0);
  }
  int r = sa > 0 ? mag : -mag;
  return r < 0 ? Ordering::Ascending : (r > 0 ? Ordering::Descending : Ordering::Same);
}

bool DecimalNumber::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* n = dynamic_cast<const Number*>(other);
  return n && compare(*n) == Ordering::Same;
}

size_t DecimalNumber::hash() const { return Number::hash(); }

}  // namespace fd
