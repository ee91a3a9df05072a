// Trimming, padding, case mapping and normalisation.
#include <unicode/casemap.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include "platform/runtime/CharacterSet.h"
#include "platform/runtime/String.h"
#include "platform/runtime/StringUnicode.h"

namespace rt {
namespace {

const UChar* uc(const char16_t* p) { return reinterpret_cast<const UChar*>(p); }
UChar* uc(char16_t* p) { return reinterpret_cast<UChar*>(p); }

// Runs an ICU "preflight then fill" conversion into a new String. `f(dest, capacity, err)`
// answers the needed length. Answers the source unchanged if ICU fails.
template <class F> String convert(const String& source, size_t guess, F f) {
  String out = String::withCapacity(guess);
  UErrorCode e = U_ZERO_ERROR;
  int32_t n = f(uc(out.mutableData()), static_cast<int32_t>(guess), &e);
  if (e == U_BUFFER_OVERFLOW_ERROR) {
    out = String::withCapacity(static_cast<size_t>(n));
    e = U_ZERO_ERROR;
    n = f(uc(out.mutableData()), n, &e);
  }
  if (U_FAILURE(e)) return source;
  out.setLength(static_cast<size_t>(n));
  return out;
}

bool anyAtOrAbove(std::u16string_view v, char16_t limit) {
  for (char16_t c : v)
    if (c >= limit) return true;
  return false;
}

String asciiMapped(const String& s, char16_t from, char16_t to) {
  std::u16string_view v = s.view();
  size_t first = 0;
  while (first < v.size() && !(v[first] >= from && v[first] <= to)) ++first;
  if (first == v.size()) return s;
  String out = s;
  char16_t* d = out.mutableData();
  for (size_t i = first; i < v.size(); ++i)
    if (d[i] >= from && d[i] <= to) d[i] ^= 0x20;
  return out;
}

const UNormalizer2* normalizer(bool composed) {
  static const UNormalizer2* nfc = [] {
    UErrorCode e = U_ZERO_ERROR;
    return unorm2_getNFCInstance(&e);
  }();
  static const UNormalizer2* nfd = [] {
    UErrorCode e = U_ZERO_ERROR;
    return unorm2_getNFDInstance(&e);
  }();
  return composed ? nfc : nfd;
}

String normalized(const String& s, bool composed) {
  // Text below U+00C0 has no canonical decomposition and never composes.
  if (!anyAtOrAbove(s.view(), 0xC0)) return s;
  const UNormalizer2* n = normalizer(composed);
  UErrorCode e = U_ZERO_ERROR;
  int32_t len = static_cast<int32_t>(s.length());
  if (unorm2_spanQuickCheckYes(n, uc(s.data()), len, &e) == len && U_SUCCESS(e)) return s;
  return convert(s, s.length() + 16, [&](UChar* d, int32_t cap, UErrorCode* err) {
    return unorm2_normalize(n, uc(s.data()), len, d, cap, err);
  });
}

}  // namespace

String String::stringByTrimmingCharactersInSet(const CharacterSet& set) const {
  std::u16string_view v = view();
  size_t from = 0, to = v.size(), k;
  while (from < to) {
    char32_t cp = unicode::codePointAt(v, from, &k);
    if (!set.longCharacterIsMember(cp)) break;
    from += k;
  }
  while (to > from) {
    char32_t cp = unicode::codePointBefore(v, to, &k);
    if (!set.longCharacterIsMember(cp)) break;
    to -= k;
  }
  return substring(from, to - from);
}

String String::trimmed() const {
  return stringByTrimmingCharactersInSet(CharacterSet::whitespaceAndNewlineCharacterSet());
}

String String::uppercaseString() const {
  if (!anyAtOrAbove(view(), 0x80)) return asciiMapped(*this, 'a', 'z');
  int32_t len = static_cast<int32_t>(length());
  return convert(*this, length() + 8, [&](UChar* d, int32_t cap, UErrorCode* e) {
    return u_strToUpper(d, cap, uc(data()), len, "", e);
  });
}

String String::lowercaseString() const {
  if (!anyAtOrAbove(view(), 0x80)) return asciiMapped(*this, 'A', 'Z');
  int32_t len = static_cast<int32_t>(length());
  return convert(*this, length() + 8, [&](UChar* d, int32_t cap, UErrorCode* e) {
    return u_strToLower(d, cap, uc(data()), len, "", e);
  });
}

// The first character of every word (a run between white space and line breaks) in title
// case, the rest in lower case.
String String::capitalizedString() const {
  const CharacterSet& separators = CharacterSet::whitespaceAndNewlineCharacterSet();
  std::u16string_view v = view();
  String out;
  size_t i = 0, k;
  while (i < v.size()) {
    size_t start = i;
    while (i < v.size() && separators.longCharacterIsMember(unicode::codePointAt(v, i, &k))) i += k;
    out += substring(start, i - start);
    start = i;
    while (i < v.size() && !separators.longCharacterIsMember(unicode::codePointAt(v, i, &k))) i += k;
    if (i == start) continue;
    String word = substring(start, i - start);
    int32_t len = static_cast<int32_t>(word.length());
    out += convert(word, word.length() + 8, [&](UChar* d, int32_t cap, UErrorCode* e) {
      return icu::CaseMap::toTitle("", U_TITLECASE_WHOLE_STRING | U_TITLECASE_NO_BREAK_ADJUSTMENT, nullptr,
                                   uc(word.data()), len, d, cap, nullptr, *e);
    });
  }
  return out;
}

String String::decomposedStringWithCanonicalMapping() const { return normalized(*this, false); }

String String::precomposedStringWithCanonicalMapping() const { return normalized(*this, true); }

String String::stringByPaddingToLength(size_t newLength, const String& pad, size_t startIndex) const {
  size_t n = length();
  if (newLength <= n) return substring(0, newLength);
  if (pad.isEmpty()) return *this;
  String out = withCapacity(newLength);
  char16_t* d = out.mutableData();
  std::copy(data(), data() + n, d);
  size_t p = startIndex % pad.length();
  for (size_t i = n; i < newLength; ++i) {
    d[i] = pad[p];
    if (++p == pad.length()) p = 0;
  }
  return out;
}

}  // namespace rt
