// Numeric values read from the start of a string: leading white space skipped, then the
// longest numeric prefix; no prefix reads as zero.
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/runtime/CharacterSet.h"
#include "platform/runtime/String.h"
#include "platform/runtime/StringUnicode.h"

namespace rt {
namespace {

size_t skipSpace(std::u16string_view v) {
  const CharacterSet& space = CharacterSet::whitespaceAndNewlineCharacterSet();
  size_t i = 0, k;
  while (i < v.size() && space.longCharacterIsMember(unicode::codePointAt(v, i, &k))) i += k;
  return i;
}

bool digit(char16_t c) { return c >= '0' && c <= '9'; }

// Saturates at the type's limits, as reading an out-of-range value does.
template <class T> T integerPrefix(std::u16string_view v) {
  size_t i = skipSpace(v);
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  using U = std::make_unsigned_t<T>;
  const U limit = negative ? U(std::numeric_limits<T>::max()) + 1 : U(std::numeric_limits<T>::max());
  U value = 0;
  bool overflow = false;
  for (; i < v.size() && digit(v[i]); ++i) {
    U d = v[i] - '0';
    if (overflow || value > (limit - d) / 10) {
      overflow = true;
      continue;
    }
    value = value * 10 + d;
  }
  if (overflow) return negative ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
  return negative ? static_cast<T>(U(0) - value) : static_cast<T>(value);
}

}  // namespace

int32_t String::intValue() const { return integerPrefix<int32_t>(view()); }

int64_t String::integerValue() const { return integerPrefix<int64_t>(view()); }

double String::doubleValue() const {
  std::u16string_view v = view();
  size_t i = skipSpace(v);
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  // Collect the longest decimal prefix: digits, a point, digits, then an exponent only when
  // digits follow it.
  std::string text;
  size_t intDigits = 0, fracDigits = 0;
  for (; i < v.size() && digit(v[i]); ++i, ++intDigits) text.push_back(static_cast<char>(v[i]));
  if (i < v.size() && v[i] == '.') {
    text.push_back('.');
    for (++i; i < v.size() && digit(v[i]); ++i, ++fracDigits) text.push_back(static_cast<char>(v[i]));
  }
  if (intDigits + fracDigits == 0) return 0.0;
  if (i < v.size() && (v[i] == 'e' || v[i] == 'E')) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < v.size() && (v[j] == '+' || v[j] == '-')) exponent.push_back(static_cast<char>(v[j++]));
    if (j < v.size() && digit(v[j])) {
      for (; j < v.size() && digit(v[j]); ++j) exponent.push_back(static_cast<char>(v[j]));
      text += exponent;
    }
  }
  double value = 0.0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)end;
  if (ec == std::errc::result_out_of_range) {
    // The C library saturates: infinity on overflow, zero or a denormal on underflow.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    value = strtod_l(text.c_str(), nullptr, c);
  }
  return negative ? -value : value;
}

bool String::boolValue() const {
  std::u16string_view v = view();
  size_t i = skipSpace(v);
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) ++i;
  while (i < v.size() && v[i] == '0') ++i;
  if (i >= v.size()) return false;
  char16_t c = v[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

}  // namespace rt
