#pragma once
// UTF-16 and UTF-8 code-point helpers shared by the String sources (internal).
#include <cstddef>
#include <string>
#include <string_view>

namespace rt::unicode {

constexpr bool isLead(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool isTrail(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
constexpr bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
constexpr char32_t combine(char32_t lead, char32_t trail) {
  return 0x10000 + ((lead - 0xD800) << 10) + (trail - 0xDC00);
}

/// Writes cp as one or two units; answers the count. Values beyond U+10FFFF become U+FFFD.
inline size_t encodeUTF16(char32_t cp, char16_t* out) {
  if (cp > 0x10FFFF) cp = 0xFFFD;
  if (cp < 0x10000) {
    out[0] = static_cast<char16_t>(cp);
    return 1;
  }
  out[0] = static_cast<char16_t>(0xD7C0 + (cp >> 10));
  out[1] = static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
  return 2;
}

/// Appends cp in UTF-8; surrogates and out-of-range values become U+FFFD.
inline void appendUTF8(std::string& out, char32_t cp) {
  if (isSurrogate(cp) || cp > 0x10FFFF) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

/// Code point at i and its unit count (a lone surrogate answers itself, one unit).
inline char32_t codePointAt(std::u16string_view v, size_t i, size_t* units) {
  char16_t c = v[i];
  if (isLead(c) && i + 1 < v.size() && isTrail(v[i + 1])) {
    *units = 2;
    return combine(c, v[i + 1]);
  }
  *units = 1;
  return c;
}

/// Code point ending just before i, and its unit count.
inline char32_t codePointBefore(std::u16string_view v, size_t i, size_t* units) {
  char16_t c = v[i - 1];
  if (isTrail(c) && i >= 2 && isLead(v[i - 2])) {
    *units = 2;
    return combine(v[i - 2], c);
  }
  *units = 1;
  return c;
}

/// Calls f(codePoint, index, unitCount) for each code point in order.
template <class F> void forEachCodePoint(std::u16string_view v, F&& f) {
  size_t i = 0, n = v.size();
  while (i < n) {
    size_t k;
    char32_t cp = codePointAt(v, i, &k);
    f(cp, i, k);
    i += k;
  }
}

}  // namespace rt::unicode
