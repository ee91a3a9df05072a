// Comparison and search with options: case folding, canonical equivalence, diacritics,
// width, numeric ordering, anchoring, backwards search and regular expressions.
#include <unicode/normalizer2.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>

#include "platform/runtime/CharacterSet.h"
#include "platform/runtime/String.h"
#include "platform/runtime/StringUnicode.h"

namespace rt {
namespace {

constexpr uint32_t kFoldingOptions = CaseInsensitiveSearch | DiacriticInsensitiveSearch | WidthInsensitiveSearch;

bool isASCII(std::u16string_view v) {
  for (char16_t c : v)
    if (c >= 0x80) return false;
  return true;
}

char16_t asciiLower(char16_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

const UNormalizer2* nfd() {
  static const UNormalizer2* n = [] {
    UErrorCode e = U_ZERO_ERROR;
    return unorm2_getNFDInstance(&e);
  }();
  return n;
}

const UNormalizer2* nfkd() {
  static const UNormalizer2* n = [] {
    UErrorCode e = U_ZERO_ERROR;
    return unorm2_getNFKDInstance(&e);
  }();
  return n;
}

bool isNFD(std::u16string_view v) {
  UErrorCode e = U_ZERO_ERROR;
  auto r = unorm2_quickCheck(nfd(), reinterpret_cast<const UChar*>(v.data()), static_cast<int32_t>(v.size()), &e);
  return U_SUCCESS(e) && r == UNORM_YES;
}

// Replaces each code point of `cps` by its mapping under `normalizer`.
void decompose(const UNormalizer2* normalizer, std::u32string& cps, bool onlyWide) {
  std::u32string out;
  for (char32_t cp : cps) {
    if (onlyWide) {
      int w = u_getIntPropertyValue(static_cast<UChar32>(cp), UCHAR_EAST_ASIAN_WIDTH);
      if (w != U_EA_FULLWIDTH && w != U_EA_HALFWIDTH) {
        out.push_back(cp);
        continue;
      }
    }
    UChar buf[32];
    UErrorCode e = U_ZERO_ERROR;
    int32_t n = unorm2_getDecomposition(normalizer, static_cast<UChar32>(cp), buf, 32, &e);
    if (n < 0 || U_FAILURE(e)) {
      out.push_back(cp);
      continue;
    }
    unicode::forEachCodePoint(std::u16string_view(reinterpret_cast<const char16_t*>(buf), n),
                              [&](char32_t c, size_t, size_t) { out.push_back(c); });
  }
  cps.swap(out);
}

// The comparison key of one code point under the options, appended to `out`.
void foldCodePoint(char32_t cp, uint32_t options, std::u32string& scratch, std::u16string& out) {
  if (cp < 0x80) {
    out.push_back((options & CaseInsensitiveSearch) ? asciiLower(static_cast<char16_t>(cp)) : static_cast<char16_t>(cp));
    return;
  }
  scratch.assign(1, cp);
  if (options & CaseInsensitiveSearch) {
    UChar src[2], dst[8];
    int32_t n = static_cast<int32_t>(unicode::encodeUTF16(cp, reinterpret_cast<char16_t*>(src)));
    UErrorCode e = U_ZERO_ERROR;
    int32_t m = u_strFoldCase(dst, 8, src, n, U_FOLD_CASE_DEFAULT, &e);
    if (U_SUCCESS(e)) {
      scratch.clear();
      unicode::forEachCodePoint(std::u16string_view(reinterpret_cast<const char16_t*>(dst), m),
                                [&](char32_t c, size_t, size_t) { scratch.push_back(c); });
    }
  }
  if (options & WidthInsensitiveSearch) decompose(nfkd(), scratch, true);
  if (!(options & LiteralSearch) || (options & DiacriticInsensitiveSearch)) decompose(nfd(), scratch, false);
  for (char32_t c : scratch) {
    if ((options & DiacriticInsensitiveSearch) && u_charType(static_cast<UChar32>(c)) == U_NON_SPACING_MARK) continue;
    char16_t u[2];
    out.append(u, unicode::encodeUTF16(c, u));
  }
}

// Text prepared for matching: the folded units and, for each, where in the source the code
// point that produced it starts. origin has one more entry: the end of the source text.
struct Folded {
  std::u16string text;
  std::vector<uint32_t> origin;
  bool boundary(size_t k) const { return k == 0 || k == text.size() || origin[k] != origin[k - 1]; }
};

Folded fold(std::u16string_view v, uint32_t options, bool withOrigins) {
  Folded f;
  f.text.reserve(v.size());
  if (withOrigins) f.origin.reserve(v.size() + 1);
  std::u32string scratch;
  unicode::forEachCodePoint(v, [&](char32_t cp, size_t i, size_t) {
    size_t before = f.text.size();
    foldCodePoint(cp, options, scratch, f.text);
    if (withOrigins) f.origin.insert(f.origin.end(), f.text.size() - before, static_cast<uint32_t>(i));
  });
  if (withOrigins) f.origin.push_back(static_cast<uint32_t>(v.size()));
  return f;
}

// Folding is needed unless it would change nothing: plain ASCII without case folding, or
// text already in decomposed form with no option beyond canonical equivalence.
bool needsFolding(std::u16string_view a, std::u16string_view b, uint32_t options) {
  bool ascii = isASCII(a) && isASCII(b);
  if (ascii) return false;
  if (options & kFoldingOptions) return true;
  if (options & LiteralSearch) return false;
  return !(isNFD(a) && isNFD(b));
}

int compareUnits(std::u16string_view a, std::u16string_view b, bool asciiCaseless) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = asciiCaseless ? asciiLower(a[i]) : a[i];
    char16_t y = asciiCaseless ? asciiLower(b[i]) : b[i];
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool isDigit(char16_t c) { return c >= '0' && c <= '9'; }

// Runs of ASCII digits compare by value ("file9" < "file10"); everything else by unit.
int compareNumeric(std::u16string_view a, std::u16string_view b, bool asciiCaseless) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      size_t si = i, sj = j;
      while (si < a.size() && a[si] == '0') ++si;
      while (sj < b.size() && b[sj] == '0') ++sj;
      size_t ei = si, ej = sj;
      while (ei < a.size() && isDigit(a[ei])) ++ei;
      while (ej < b.size() && isDigit(b[ej])) ++ej;
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      int c = a.substr(si, ei - si).compare(b.substr(sj, ej - sj));
      if (c) return c < 0 ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    char16_t x = asciiCaseless ? asciiLower(a[i]) : a[i];
    char16_t y = asciiCaseless ? asciiLower(b[j]) : b[j];
    if (x != y) return x < y ? -1 : 1;
    ++i;
    ++j;
  }
  bool aDone = i == a.size(), bDone = j == b.size();
  return aDone && bDone ? 0 : aDone ? -1 : 1;
}

Ordering toOrdering(int c) { return c < 0 ? Ordering::Ascending : c > 0 ? Ordering::Descending : Ordering::Same; }

Range clampRange(Range r, size_t length) {
  uint64_t from = std::min<uint64_t>(r.location, length);
  return Range{from, std::min<uint64_t>(r.length, length - from)};
}

// A match in folded text is acceptable when it starts and ends on source code-point
// boundaries and, unless literal, does not end inside a combining sequence.
bool acceptable(const Folded* f, std::u16string_view text, size_t at, size_t len, uint32_t options) {
  size_t end = at + len;
  if (f && !(f->boundary(at) && f->boundary(end))) return false;
  if (!(options & LiteralSearch) && end < text.size()) {
    size_t k;
    char32_t next = unicode::codePointAt(text, end, &k);
    if (u_getCombiningClass(static_cast<UChar32>(next)) != 0) return false;
  }
  return true;
}

// Finds needle in text (both already folded as needed); answers the unit offset and length
// within `text`, or npos.
size_t findIn(std::u16string_view text, std::u16string_view needle, uint32_t options, const Folded* f,
              bool asciiCaseless) {
  const size_t npos = std::u16string_view::npos;
  size_t n = text.size(), m = needle.size();
  if (m > n) return npos;
  auto matchesAt = [&](size_t at) {
    if (asciiCaseless) return compareUnits(text.substr(at, m), needle, true) == 0;
    return text.compare(at, m, needle) == 0;
  };
  bool backwards = options & BackwardsSearch;
  if (options & AnchoredSearch) {
    size_t at = backwards ? n - m : 0;
    return matchesAt(at) && acceptable(f, text, at, m, options) ? at : npos;
  }
  if (!backwards) {
    for (size_t at = 0; at + m <= n; ++at) {
      if (!asciiCaseless) {
        at = text.find(needle, at);
        if (at == npos) return npos;
      } else if (!matchesAt(at)) {
        continue;
      }
      if (acceptable(f, text, at, m, options)) return at;
    }
    return npos;
  }
  for (size_t at = n - m + 1; at-- > 0;) {
    if (!asciiCaseless) {
      at = text.rfind(needle, at);
      if (at == npos) return npos;
    } else if (!matchesAt(at)) {
      continue;
    }
    if (acceptable(f, text, at, m, options)) return at;
  }
  return npos;
}

std::unique_ptr<icu::RegexPattern> compilePattern(const String& pattern, uint32_t options) {
  UErrorCode e = U_ZERO_ERROR;
  icu::UnicodeString p(false, reinterpret_cast<const UChar*>(pattern.data()), static_cast<int32_t>(pattern.length()));
  uint32_t flags = (options & CaseInsensitiveSearch) ? UREGEX_CASE_INSENSITIVE : 0;
  std::unique_ptr<icu::RegexPattern> re(icu::RegexPattern::compile(p, flags, e));
  if (U_FAILURE(e)) return nullptr;
  return re;
}

Range regexSearch(const String& text, const String& pattern, uint32_t options, Range within) {
  auto re = compilePattern(pattern, options);
  if (!re) return NotFoundRange;
  UErrorCode e = U_ZERO_ERROR;
  icu::UnicodeString t(false, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.length()));
  std::unique_ptr<icu::RegexMatcher> m(re->matcher(t, e));
  if (U_FAILURE(e)) return NotFoundRange;
  m->region(static_cast<int64_t>(within.location), static_cast<int64_t>(within.end()), e);
  Range found = NotFoundRange;
  if (options & AnchoredSearch && !(options & BackwardsSearch)) {
    if (m->lookingAt(e)) found = Range{static_cast<uint64_t>(m->start(e)), static_cast<uint64_t>(m->end(e) - m->start(e))};
    return U_SUCCESS(e) ? found : NotFoundRange;
  }
  while (m->find(e) && U_SUCCESS(e)) {
    Range r{static_cast<uint64_t>(m->start(e)), static_cast<uint64_t>(m->end(e) - m->start(e))};
    if (!(options & BackwardsSearch)) return r;
    if (!(options & AnchoredSearch) || r.end() == within.end()) found = r;
  }
  return found;
}

String regexReplace(const String& text, const String& pattern, const String& replacement, uint32_t options,
                    Range within) {
  auto re = compilePattern(pattern, options);
  if (!re) return text;
  UErrorCode e = U_ZERO_ERROR;
  icu::UnicodeString t(false, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.length()));
  icu::UnicodeString rep(false, reinterpret_cast<const UChar*>(replacement.data()),
                         static_cast<int32_t>(replacement.length()));
  std::unique_ptr<icu::RegexMatcher> m(re->matcher(t, e));
  if (U_FAILURE(e)) return text;
  m->region(static_cast<int64_t>(within.location), static_cast<int64_t>(within.end()), e);
  icu::UnicodeString out;
  bool any = false;
  while (U_SUCCESS(e) && m->find(e)) {
    if ((options & AnchoredSearch) && m->start(e) != static_cast<int32_t>(within.location)) break;
    m->appendReplacement(out, rep, e);
    any = true;
    if (options & AnchoredSearch) break;
  }
  if (!any || U_FAILURE(e)) return text;
  m->appendTail(out);
  return String(std::u16string_view(reinterpret_cast<const char16_t*>(out.getBuffer()), out.length()));
}

}  // namespace

Ordering String::compare(const String& o, uint32_t options) const {
  std::u16string_view a = view(), b = o.view();
  bool numeric = options & NumericSearch;
  bool caseless = options & CaseInsensitiveSearch;
  if (!needsFolding(a, b, options)) return toOrdering(numeric ? compareNumeric(a, b, caseless) : compareUnits(a, b, caseless));
  Folded fa = fold(a, options, false), fb = fold(b, options, false);
  return toOrdering(numeric ? compareNumeric(fa.text, fb.text, false) : compareUnits(fa.text, fb.text, false));
}

Range String::rangeOfString(const String& needle, uint32_t options) const {
  return rangeOfString(needle, options, Range{0, length()});
}

Range String::rangeOfString(const String& needle, uint32_t options, Range within) const {
  within = clampRange(within, length());
  if (needle.isEmpty()) return NotFoundRange;
  if (options & RegularExpressionSearch) return regexSearch(*this, needle, options, within);
  std::u16string_view hay = view().substr(within.location, within.length);
  const size_t npos = std::u16string_view::npos;
  if (!needsFolding(hay, needle.view(), options)) {
    size_t at = findIn(hay, needle.view(), options, nullptr, options & CaseInsensitiveSearch);
    return at == npos ? NotFoundRange : Range{within.location + at, needle.length()};
  }
  Folded h = fold(hay, options, true);
  Folded n = fold(needle.view(), options, false);
  if (n.text.empty()) return NotFoundRange;
  size_t at = findIn(h.text, n.text, options, &h, false);
  if (at == npos) return NotFoundRange;
  uint64_t from = h.origin[at], to = h.origin[at + n.text.size()];
  return Range{within.location + from, to - from};
}

Range String::rangeOfCharacterFromSet(const CharacterSet& set, uint32_t options) const {
  std::u16string_view v = view();
  size_t k;
  if (options & BackwardsSearch) {
    for (size_t i = v.size(); i > 0;) {
      char32_t cp = unicode::codePointBefore(v, i, &k);
      i -= k;
      if (set.longCharacterIsMember(cp)) return Range{i, k};
      if (options & AnchoredSearch) break;
    }
    return NotFoundRange;
  }
  for (size_t i = 0; i < v.size(); i += k) {
    char32_t cp = unicode::codePointAt(v, i, &k);
    if (set.longCharacterIsMember(cp)) return Range{i, k};
    if (options & AnchoredSearch) break;
  }
  return NotFoundRange;
}

bool String::hasPrefix(const String& p) const { return !p.isEmpty() && view().starts_with(p.view()); }

bool String::hasSuffix(const String& s) const { return !s.isEmpty() && view().ends_with(s.view()); }

std::vector<String> String::componentsSeparatedByString(const String& sep) const {
  std::vector<String> out;
  std::u16string_view v = view(), s = sep.view();
  size_t at = 0;
  if (!s.empty()) {
    for (size_t f; (f = v.find(s, at)) != std::u16string_view::npos; at = f + s.size()) out.push_back(substring(at, f - at));
  }
  out.push_back(substring(at));
  return out;
}

std::vector<String> String::componentsSeparatedByCharactersInSet(const CharacterSet& set) const {
  std::vector<String> out;
  std::u16string_view v = view();
  size_t at = 0, k;
  for (size_t i = 0; i < v.size(); i += k) {
    char32_t cp = unicode::codePointAt(v, i, &k);
    if (set.longCharacterIsMember(cp)) {
      out.push_back(substring(at, i - at));
      at = i + k;
    }
  }
  out.push_back(substring(at));
  return out;
}

String String::stringByReplacingOccurrencesOfString(const String& target, const String& replacement,
                                                    uint32_t options) const {
  return stringByReplacingOccurrencesOfString(target, replacement, options, Range{0, length()});
}

String String::stringByReplacingOccurrencesOfString(const String& target, const String& replacement,
                                                    uint32_t options, Range within) const {
  within = clampRange(within, length());
  if (target.isEmpty()) return *this;
  if (options & RegularExpressionSearch) return regexReplace(*this, target, replacement, options, within);
  // Matches are collected front to back (anchored: only the one at the anchor), then spliced.
  std::vector<Range> matches;
  uint32_t findOptions = options & ~BackwardsSearch;
  if (options & AnchoredSearch) {
    Range r = rangeOfString(target, options, within);
    if (r.found()) matches.push_back(r);
  } else {
    Range rest = within;
    while (rest.length > 0) {
      Range r = rangeOfString(target, findOptions, rest);
      if (!r.found()) break;
      matches.push_back(r);
      uint64_t next = r.end() > r.location ? r.end() : r.location + 1;
      rest = Range{next, within.end() - next};
    }
  }
  if (matches.empty()) return *this;
  size_t at = 0;
  std::u16string_view v = view();
  std::u16string buf;
  buf.reserve(v.size() + matches.size() * replacement.length());
  for (const Range& r : matches) {
    buf.append(v.substr(at, r.location - at));
    buf.append(replacement.view());
    at = r.end();
  }
  buf.append(v.substr(at));
  return String(std::u16string_view(buf));
}

}  // namespace rt
