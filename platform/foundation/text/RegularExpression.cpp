#include "platform/foundation/text/RegularExpression.h"

#include <unicode/regex.h>
#include <unicode/utypes.h>

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/text/IcuText.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(TextCheckingResult) {
  c.property("range", &TextCheckingResult::range);
  c.property("numberOfRanges", &TextCheckingResult::numberOfRanges);
  c.protocol("NSCopying");
}

RT_IMPLEMENT_PLATFORM(RegularExpression) {
  c.property("pattern", &RegularExpression::pattern);
  c.property("options", &RegularExpression::options);
  c.property("numberOfCaptureGroups", &RegularExpression::numberOfCaptureGroups);
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
}

namespace {

uint32_t icuFlags(uint64_t options) {
  uint32_t flags = 0;
  if (options & RegularExpressionCaseInsensitive) flags |= UREGEX_CASE_INSENSITIVE;
  if (options & RegularExpressionAllowCommentsAndWhitespace) flags |= UREGEX_COMMENTS;
  if (options & RegularExpressionIgnoreMetacharacters) flags |= UREGEX_LITERAL;
  if (options & RegularExpressionDotMatchesLineSeparators) flags |= UREGEX_DOTALL;
  if (options & RegularExpressionAnchorsMatchLines) flags |= UREGEX_MULTILINE;
  if (options & RegularExpressionUseUnixLineSeparators) flags |= UREGEX_UNIX_LINES;
  if (options & RegularExpressionUseUnicodeWordBoundaries) flags |= UREGEX_UWORD;
  return flags;
}

void checkRange(const String& string, Range range) {
  if (range.location > string.length() || range.length > string.length() - range.location) {
    rt::raiseFormat(rt::RangeException, "Range {%llu, %llu} out of bounds; string length %llu", range.location,
                    range.length, static_cast<uint64_t>(string.length()));
  }
}

Range wholeRange(const String& s) { return Range{0, s.length()}; }

}  // namespace

void TextCheckingResult::init(std::vector<Range> ranges, Ref<const RegularExpression> expression) {
  ranges_ = std::move(ranges);
  expression_ = std::move(expression);
}

Range TextCheckingResult::rangeAtIndex(size_t index) const {
  if (index >= ranges_.size()) {
    rt::raiseFormat(rt::RangeException, "-[NSTextCheckingResult rangeAtIndex:]: index %zu out of bounds [0 .. %zu]", index,
                    ranges_.empty() ? size_t(0) : ranges_.size() - 1);
  }
  return ranges_[index];
}

String TextCheckingResult::description() const {
  Range r = range();
  return String::format("<%@: %p>{%llu, %llu}", className(), static_cast<const void*>(this), r.location, r.length);
}

bool RegularExpression::init(const String& pattern, uint64_t options, Ref<Error>* error) {
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError{};
  std::unique_ptr<icu::RegexPattern> compiled(
      icu::RegexPattern::compile(icutext::copy(pattern), icuFlags(options), parseError, status));
  if (U_FAILURE(status) || !compiled) {
    String reason = String::format("The value “%@” is invalid.", pattern);
    String debug = String::format("%s at offset %d", u_errorName(status), parseError.offset);
    setError(error, Error::create(NSCocoaErrorDomain, kRegularExpressionPatternErrorCode,
                                  Dictionary::withStrings({{"NSInvalidValue", box(pattern)},
                                                           {NSLocalizedDescriptionKey, box(reason)},
                                                           {NSDebugDescriptionErrorKey, box(debug)}})));
    return false;
  }
  pattern_ = pattern;
  options_ = options;
  std::unique_ptr<icu::RegexMatcher> probe(compiled->matcher(status));
  groups_ = probe ? static_cast<size_t>(probe->groupCount()) : 0;
  compiled_ = std::move(compiled);
  return true;
}

Ref<RegularExpression> RegularExpression::create(const String& pattern, uint64_t options, Ref<Error>* error) {
  auto re = std::make_shared<RegularExpression>();
  if (!re->init(pattern, options, error)) return nullptr;
  return re;
}

void RegularExpression::enumerateMatchesInString(const String& string, uint64_t options, Range range,
                                                 const MatchBlock& block) const {
  checkRange(string, range);
  // Keep the text alive and unchanged for the matcher, whatever the block does to its copy.
  const String text = string;
  icu::UnicodeString input = icutext::alias(text);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> m(compiled_->matcher(input, status));
  if (U_FAILURE(status)) return;
  m->region(static_cast<int64_t>(range.location), static_cast<int64_t>(range.end()), status);
  m->useTransparentBounds(options & MatchingWithTransparentBounds);
  m->useAnchoringBounds(!(options & MatchingWithoutAnchoringBounds));
  auto self = std::static_pointer_cast<const RegularExpression>(shared_from_this());
  bool stop = false;
  int64_t expected = static_cast<int64_t>(range.location);
  uint64_t lastFlags = 0;
  while (!stop) {
    status = U_ZERO_ERROR;
    if (!m->find(status)) {
      if (U_FAILURE(status)) lastFlags |= MatchingInternalError;
      break;
    }
    int64_t start = m->start64(status);
    if ((options & MatchingAnchored) && start != expected) break;
    std::vector<Range> ranges;
    ranges.reserve(groups_ + 1);
    for (int32_t g = 0; g <= static_cast<int32_t>(groups_); ++g) {
      int64_t s = m->start64(g, status), e = m->end64(g, status);
      ranges.push_back(s < 0 ? rt::NotFoundRange : Range{static_cast<uint64_t>(s), static_cast<uint64_t>(e - s)});
    }
    expected = m->end64(status);
    uint64_t flags = 0;
    if (m->hitEnd()) flags |= MatchingHitEnd;
    if (m->requireEnd()) flags |= MatchingRequiredEnd;
    lastFlags = flags;
    block(rt::make<TextCheckingResult>(std::move(ranges), self), flags, stop);
  }
  if (!stop && (options & MatchingReportCompletion)) {
    if (m->hitEnd()) lastFlags |= MatchingHitEnd;
    block(nullptr, MatchingCompleted | lastFlags, stop);
  }
}

std::vector<Ref<TextCheckingResult>> RegularExpression::matchesInString(const String& string, uint64_t options,
                                                                         Range range) const {
  std::vector<Ref<TextCheckingResult>> out;
  enumerateMatchesInString(string, options & ~uint64_t(MatchingReportCompletion), range,
                           [&](const Ref<TextCheckingResult>& r, uint64_t, bool&) { out.push_back(r); });
  return out;
}

std::vector<Ref<TextCheckingResult>> RegularExpression::matchesInString(const String& string) const {
  return matchesInString(string, 0, wholeRange(string));
}

size_t RegularExpression::numberOfMatchesInString(const String& string, uint64_t options, Range range) const {
  size_t n = 0;
  enumerateMatchesInString(string, options & ~uint64_t(MatchingReportCompletion), range,
                           [&](const Ref<TextCheckingResult>&, uint64_t, bool&) { ++n; });
  return n;
}

size_t RegularExpression::numberOfMatchesInString(const String& string) const {
  return numberOfMatchesInString(string, 0, wholeRange(string));
}

Ref<TextCheckingResult> RegularExpression::firstMatchInString(const String& string, uint64_t options, Range range) const {
  Ref<TextCheckingResult> first;
  enumerateMatchesInString(string, options & ~uint64_t(MatchingReportCompletion), range,
                           [&](const Ref<TextCheckingResult>& r, uint64_t, bool& stop) {
                             first = r;
                             stop = true;
                           });
  return first;
}

Ref<TextCheckingResult> RegularExpression::firstMatchInString(const String& string) const {
  return firstMatchInString(string, 0, wholeRange(string));
}

Range RegularExpression::rangeOfFirstMatchInString(const String& string, uint64_t options, Range range) const {
  auto r = firstMatchInString(string, options, range);
  return r ? r->range() : rt::NotFoundRange;
}

Range RegularExpression::rangeOfFirstMatchInString(const String& string) const {
  return rangeOfFirstMatchInString(string, 0, wholeRange(string));
}

String RegularExpression::replacementStringForResult(const TextCheckingResult& result, const String& string,
                                                     int64_t offset, const String& templ) const {
  String out;
  const size_t n = templ.length();
  for (size_t i = 0; i < n; ++i) {
    char16_t c = templ[i];
    if (c == u'\\') {
      if (i + 1 < n) out.appendCharacter(templ[++i]);
      continue;
    }
    if (c != u'$' || i + 1 >= n || templ[i + 1] < u'0' || templ[i + 1] > u'9') {
      out.appendCharacter(c);
      continue;
    }
    // As many digits as still name an existing group; the first digit always counts.
    size_t group = static_cast<size_t>(templ[++i] - u'0');
    while (i + 1 < n && templ[i + 1] >= u'0' && templ[i + 1] <= u'9') {
      size_t next = group * 10 + static_cast<size_t>(templ[i + 1] - u'0');
      if (next > groups_) break;
      group = next;
      ++i;
    }
    if (group >= result.numberOfRanges()) continue;
    Range r = result.rangeAtIndex(group);
    if (!r.found()) continue;
    int64_t location = static_cast<int64_t>(r.location) + offset;
    if (location < 0) continue;
    out += string.substring(static_cast<size_t>(location), static_cast<size_t>(r.length));
  }
  return out;
}

String RegularExpression::stringByReplacingMatchesInString(const String& string, uint64_t options, Range range,
                                                           const String& templ) const {
  String out = string;
  replaceMatchesInString(out, options, range, templ);
  return out;
}

String RegularExpression::stringByReplacingMatchesInString(const String& string, const String& templ) const {
  return stringByReplacingMatchesInString(string, 0, wholeRange(string), templ);
}

size_t RegularExpression::replaceMatchesInString(String& string, uint64_t options, Range range,
                                                 const String& templ) const {
  const String original = string;
  auto matches = matchesInString(original, options & ~uint64_t(MatchingReportCompletion), range);
  if (matches.empty()) return 0;
  String out;
  size_t copied = 0;
  for (const auto& m : matches) {
    Range r = m->range();
    out += original.substring(copied, static_cast<size_t>(r.location) - copied);
    out += replacementStringForResult(*m, original, 0, templ);
    copied = static_cast<size_t>(r.end());
  }
  out += original.substring(copied);
  string = out;
  return matches.size();
}

String RegularExpression::escapedPatternForString(const String& text) {
  static const std::u16string_view specials = u"*?+[(){}^$|\\./";
  String out;
  for (size_t i = 0; i < text.length(); ++i) {
    char16_t c = text[i];
    if (specials.find(c) != std::u16string_view::npos) out.appendCharacter(u'\\');
    out.appendCharacter(c);
  }
  return out;
}

String RegularExpression::escapedTemplateForString(const String& text) {
  String out;
  for (size_t i = 0; i < text.length(); ++i) {
    char16_t c = text[i];
    if (c == u'\\' || c == u'$') out.appendCharacter(u'\\');
    out.appendCharacter(c);
  }
  return out;
}

String RegularExpression::description() const {
  return String::format("<%@: %p> %@ 0x%llx", className(), static_cast<const void*>(this), pattern_, options_);
}

bool RegularExpression::isEqual(const Object* other) const {
  auto* o = dynamic_cast<const RegularExpression*>(other);
  return o && o->pattern_ == pattern_ && o->options_ == options_;
}

bool matchesPattern(const String& text, const String& pattern) {
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError{};
  std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(icutext::copy(pattern), 0, parseError, status));
  if (U_FAILURE(status) || !compiled) return false;
  icu::UnicodeString input = icutext::alias(text);
  std::unique_ptr<icu::RegexMatcher> m(compiled->matcher(input, status));
  if (U_FAILURE(status)) return false;
  bool whole = m->matches(status);
  return U_SUCCESS(status) && whole;
}

}  // namespace fd
