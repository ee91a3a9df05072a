// Percent-encoding of UTF-8 bytes, as URLs carry text.
#include <string>

#include "platform/runtime/CharacterSet.h"
#include "platform/runtime/String.h"
#include "platform/runtime/StringUnicode.h"

namespace rt {
namespace {

int hexValue(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

String String::stringByAddingPercentEncodingWithAllowedCharacters(const CharacterSet& allowed) const {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string_view v = view();
  size_t i = 0, k;
  // Most strings need no escaping at all; they come back as they are.
  while (i < v.size() && allowed.longCharacterIsMember(unicode::codePointAt(v, i, &k))) i += k;
  if (i == v.size()) return *this;
  std::u16string out(v.substr(0, i));
  out.reserve(v.size() + 16);
  std::string bytes;
  for (; i < v.size(); i += k) {
    char32_t cp = unicode::codePointAt(v, i, &k);
    if (allowed.longCharacterIsMember(cp) && !unicode::isSurrogate(cp)) {
      out.append(v.substr(i, k));
      continue;
    }
    bytes.clear();
    unicode::appendUTF8(bytes, cp);  // a lone surrogate is written as U+FFFD
    for (unsigned char b : bytes) {
      out.push_back(u'%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
    }
  }
  return String(std::u16string_view(out));
}

std::optional<String> String::stringByRemovingPercentEncoding() const {
  std::u16string_view v = view();
  if (v.find(u'%') == std::u16string_view::npos) {
    // Nothing to decode, but the text must still have a UTF-8 form.
    for (size_t i = 0, k; i < v.size(); i += k)
      if (unicode::isSurrogate(unicode::codePointAt(v, i, &k))) return std::nullopt;
    return *this;
  }
  std::string bytes;
  bytes.reserve(v.size());
  for (size_t i = 0, k; i < v.size(); i += k) {
    if (v[i] == u'%') {
      if (i + 2 >= v.size()) return std::nullopt;
      int hi = hexValue(v[i + 1]), lo = hexValue(v[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      bytes.push_back(static_cast<char>(hi << 4 | lo));
      k = 3;
      continue;
    }
    char32_t cp = unicode::codePointAt(v, i, &k);
    if (unicode::isSurrogate(cp)) return std::nullopt;
    unicode::appendUTF8(bytes, cp);
  }
  return fromUTF8(bytes.data(), bytes.size());
}

}  // namespace rt
