#include "platform/foundation/text/Scanner.h"

#include <climits>
#include <cstdlib>
#include <string>

namespace fd {

RT_IMPLEMENT_PLATFORM(Scanner) {
  c.property("string", &Scanner::string);
  c.property("scanLocation", &Scanner::scanLocation, &Scanner::setScanLocation);
  c.property("caseSensitive", &Scanner::caseSensitive, &Scanner::setCaseSensitive);
  c.protocol("NSCopying");
}

namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int hexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

void Scanner::init(const String& string) { string_ = string; }

Ref<Scanner> Scanner::scannerWithString(const String& string) { return rt::make<Scanner>(string); }

void Scanner::setScanLocation(size_t location) {
  if (location > string_.length()) {
    rt::raiseFormat(rt::RangeException, "*** -[NSScanner setScanLocation:]: Index %zu out of bounds; string length %zu",
                    location, string_.length());
  }
  location_ = location;
}

size_t Scanner::codePointEnd(size_t at, char32_t* cp) const {
  char32_t c = string_.codePointAt(at);
  if (cp) *cp = c;
  return at + (c > 0xFFFF ? 2 : 1);
}

size_t Scanner::skipped(size_t from) const {
  size_t i = from;
  while (i < string_.length()) {
    char32_t c;
    size_t next = codePointEnd(i, &c);
    if (!skip_.longCharacterIsMember(c)) break;
    i = next;
  }
  return i;
}

bool Scanner::scanSigned(int64_t min, int64_t max, int64_t* out) {
  size_t i = skipped(location_);
  const size_t n = string_.length();
  bool negative = false;
  if (i < n && (string_[i] == u'+' || string_[i] == u'-')) negative = string_[i++] == u'-';
  if (i >= n || !isDigit(string_[i])) return false;
  // Accumulate as a negative magnitude so that the minimum fits.
  int64_t value = 0;
  bool overflow = false;
  for (; i < n && isDigit(string_[i]); ++i) {
    int digit = string_[i] - u'0';
    if (!overflow) {
      if (value < (min + digit) / 10) overflow = true;
      else value = value * 10 - digit;
    }
  }
  int64_t result;
  if (overflow) result = negative ? min : max;
  else if (negative) result = value;
  else result = value < -max ? max : -value;
  location_ = i;
  if (out) *out = result;
  return true;
}

bool Scanner::scanInt(int32_t* out) {
  int64_t v;
  if (!scanSigned(INT32_MIN, INT32_MAX, &v)) return false;
  if (out) *out = static_cast<int32_t>(v);
  return true;
}

bool Scanner::scanInteger(int64_t* out) { return scanSigned(INT64_MIN, INT64_MAX, out); }

bool Scanner::scanUnsignedLongLong(uint64_t* out) {
  size_t i = skipped(location_);
  const size_t n = string_.length();
  if (i < n && string_[i] == u'+') ++i;
  if (i >= n || !isDigit(string_[i])) return false;
  uint64_t value = 0;
  bool overflow = false;
  for (; i < n && isDigit(string_[i]); ++i) {
    uint64_t digit = static_cast<uint64_t>(string_[i] - u'0');
    if (value > (UINT64_MAX - digit) / 10) overflow = true;
    if (!overflow) value = value * 10 + digit;
  }
  location_ = i;
  if (out) *out = overflow ? UINT64_MAX : value;
  return true;
}

bool Scanner::scanHex(uint64_t max, uint64_t* out) {
  size_t i = skipped(location_);
  const size_t n = string_.length();
  if (i + 2 < n && string_[i] == u'0' && (string_[i + 1] == u'x' || string_[i + 1] == u'X') &&
      hexValue(string_[i + 2]) >= 0) {
    i += 2;
  }
  if (i >= n || hexValue(string_[i]) < 0) return false;
  uint64_t value = 0;
  bool overflow = false;
  for (int d; i < n && (d = hexValue(string_[i])) >= 0; ++i) {
    if (value > (max - static_cast<uint64_t>(d)) / 16) overflow = true;
    if (!overflow) value = value * 16 + static_cast<uint64_t>(d);
  }
  location_ = i;
  if (out) *out = overflow ? max : value;
  return true;
}

bool Scanner::scanHexInt(uint32_t* out) {
  uint64_t v;
  if (!scanHex(UINT32_MAX, &v)) return false;
  if (out) *out = static_cast<uint32_t>(v);
  return true;
}

bool Scanner::scanHexLongLong(uint64_t* out) { return scanHex(UINT64_MAX, out); }

bool Scanner::scanDouble(double* out) {
  size_t i = skipped(location_);
  const size_t n = string_.length();
  std::string text;
  if (i < n && (string_[i] == u'+' || string_[i] == u'-')) text += static_cast<char>(string_[i++]);
  size_t digits = 0;
  for (; i < n && isDigit(string_[i]); ++i, ++digits) text += static_cast<char>(string_[i]);
  if (i < n && string_[i] == u'.') {
    size_t j = i + 1;
    std::string fraction;
    for (; j < n && isDigit(string_[j]); ++j) fraction += static_cast<char>(string_[j]);
    if (digits > 0 || !fraction.empty()) {
      text += "." + fraction;
      digits += fraction.size();
      i = j;
    }
  }
  if (digits == 0) return false;
  // An exponent counts only when it has digits.
  if (i < n && (string_[i] == u'e' || string_[i] == u'E')) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < n && (string_[j] == u'+' || string_[j] == u'-')) exponent += static_cast<char>(string_[j++]);
    if (j < n && isDigit(string_[j])) {
      for (; j < n && isDigit(string_[j]); ++j) exponent += static_cast<char>(string_[j]);
      text += exponent;
      i = j;
    }
  }
  location_ = i;
  if (out) *out = std::strtod(text.c_str(), nullptr);
  return true;
}

bool Scanner::scanFloat(float* out) {
  double v;
  if (!scanDouble(&v)) return false;
  if (out) *out = static_cast<float>(v);
  return true;
}

bool Scanner::scanString(const String& text, String* out) {
  if (text.isEmpty()) return false;
  size_t i = skipped(location_);
  if (i + text.length() > string_.length()) return false;
  String candidate = string_.substring(i, text.length());
  bool same = caseSensitive_ ? candidate == text : candidate.caseInsensitiveCompare(text) == rt::Ordering::Same;
  if (!same) return false;
  location_ = i + text.length();
  if (out) *out = candidate;
  return true;
}

bool Scanner::scanCharactersFromSet(const CharacterSet& set, String* out) {
  size_t start = skipped(location_);
  size_t i = start;
  while (i < string_.length()) {
    char32_t c;
    size_t next = codePointEnd(i, &c);
    if (!set.longCharacterIsMember(c)) break;
    i = next;
  }
  if (i == start) return false;
  location_ = i;
  if (out) *out = string_.substring(start, i - start);
  return true;
}

bool Scanner::scanUpToString(const String& text, String* out) {
  size_t start = skipped(location_);
  if (start >= string_.length()) return false;
  uint32_t options = caseSensitive_ ? 0u : uint32_t(rt::CaseInsensitiveSearch);
  Range found = text.isEmpty() ? rt::NotFoundRange
                               : string_.rangeOfString(text, options, Range{start, string_.length() - start});
  size_t end = found.found() ? static_cast<size_t>(found.location) : string_.length();
  if (end == start) return false;
  location_ = end;
  if (out) *out = string_.substring(start, end - start);
  return true;
}

bool Scanner::scanUpToCharactersFromSet(const CharacterSet& set, String* out) {
  size_t start = skipped(location_);
  size_t i = start;
  while (i < string_.length()) {
    char32_t c;
    size_t next = codePointEnd(i, &c);
    if (set.longCharacterIsMember(c)) break;
    i = next;
  }
  if (i == start) return false;
  location_ = i;
  if (out) *out = string_.substring(start, i - start);
  return true;
}

bool Scanner::isAtEnd() const { return skipped(location_) >= string_.length(); }

String Scanner::description() const {
  return String::format("<%@: %p> location %zu of %zu", className(), static_cast<const void*>(this), location_,
                        string_.length());
}

}  // namespace fd
