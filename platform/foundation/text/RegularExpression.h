#pragma once
// Regular expressions over UTF-16 text (ICU syntax); ranges are in UTF-16 units. A compiled
// expression is immutable and may be used from several threads at once.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/Types.h"

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

namespace fd {

enum RegularExpressionOptions : uint64_t {
  RegularExpressionCaseInsensitive = 1,
  RegularExpressionAllowCommentsAndWhitespace = 2,
  RegularExpressionIgnoreMetacharacters = 4,
  RegularExpressionDotMatchesLineSeparators = 8,
  RegularExpressionAnchorsMatchLines = 16,
  RegularExpressionUseUnixLineSeparators = 32,
  RegularExpressionUseUnicodeWordBoundaries = 64,
};

enum MatchingOptions : uint64_t {
  MatchingReportProgress = 1,    // accepted; no progress calls are made
  MatchingReportCompletion = 2,  // one last call with a null result and MatchingCompleted
  MatchingAnchored = 4,          // each match must start where the search (or last match) ends
  MatchingWithTransparentBounds = 8,
  MatchingWithoutAnchoringBounds = 16,
};

enum MatchingFlags : uint64_t {
  MatchingProgress = 1,
  MatchingCompleted = 2,
  MatchingHitEnd = 4,
  MatchingRequiredEnd = 8,
  MatchingInternalError = 16,
};

/// The error code of a pattern that does not compile (domain NSCocoaErrorDomain; the
/// pattern is under "NSInvalidValue").
inline constexpr int64_t kRegularExpressionPatternErrorCode = 2048;

class RegularExpression;

/// One match: the whole match's range first, then one range per capture group
/// ({NotFound, 0} for a group that took no part).
class TextCheckingResult : public Object {
  RT_CLASS_NAMED(TextCheckingResult, Object, "NSTextCheckingResult")

 public:
  static constexpr uint64_t TextCheckingTypeRegularExpression = 1ULL << 10;

  void init() {}
  void init(std::vector<Range> ranges, Ref<const RegularExpression> expression);

  Range range() const { return ranges_.empty() ? rt::NotFoundRange : ranges_[0]; }
  size_t numberOfRanges() const { return ranges_.size(); }
  /// Raises NSRangeException past numberOfRanges.
  Range rangeAtIndex(size_t index) const;
  uint64_t resultType() const { return TextCheckingTypeRegularExpression; }
  const Ref<const RegularExpression>& regularExpression() const { return expression_; }

  String description() const override;

 private:
  std::vector<Range> ranges_;
  Ref<const RegularExpression> expression_;
};

class RegularExpression : public Object {
  RT_CLASS_NAMED(RegularExpression, Object, "NSRegularExpression")

 public:
  using MatchBlock = std::function<void(const Ref<TextCheckingResult>& result, uint64_t flags, bool& stop)>;

  bool init(const String& pattern, uint64_t options, Ref<Error>* error);
  /// Null, with the error set, when the pattern does not compile.
  static Ref<RegularExpression> create(const String& pattern, uint64_t options = 0, Ref<Error>* error = nullptr);
  static Ref<RegularExpression> regularExpressionWithPattern(const String& pattern, uint64_t options = 0,
                                                             Ref<Error>* error = nullptr) {
    return create(pattern, options, error);
  }

  const String& pattern() const { return pattern_; }
  uint64_t options() const { return options_; }
  size_t numberOfCaptureGroups() const { return groups_; }

  // Searching. The forms without a range search the whole string; a range beyond the string
  // raises NSRangeException.
  void enumerateMatchesInString(const String& string, uint64_t options, Range range, const MatchBlock& block) const;
  std::vector<Ref<TextCheckingResult>> matchesInString(const String& string, uint64_t options, Range range) const;
  std::vector<Ref<TextCheckingResult>> matchesInString(const String& string) const;
  size_t numberOfMatchesInString(const String& string, uint64_t options, Range range) const;
  size_t numberOfMatchesInString(const String& string) const;
  /// Null when there is no match.
  Ref<TextCheckingResult> firstMatchInString(const String& string, uint64_t options, Range range) const;
  Ref<TextCheckingResult> firstMatchInString(const String& string) const;
  /// NotFoundRange when there is no match.
  Range rangeOfFirstMatchInString(const String& string, uint64_t options, Range range) const;
  Range rangeOfFirstMatchInString(const String& string) const;

  // Replacing. In a template "$n" is capture group n (as many digits as name an existing group)
  // and a backslash takes the next character literally ("\\$").
  String stringByReplacingMatchesInString(const String& string, uint64_t options, Range range,
                                          const String& templ) const;
  String stringByReplacingMatchesInString(const String& string, const String& templ) const;
  /// Replaces in place; answers the number of matches replaced.
  size_t replaceMatchesInString(String& string, uint64_t options, Range range, const String& templ) const;
  /// The template filled in for one match of `string`; `offset` shifts the result's ranges.
  String replacementStringForResult(const TextCheckingResult& result, const String& string, int64_t offset,
                                    const String& templ) const;

  /// `text` with every pattern metacharacter escaped, so that it matches itself.
  static String escapedPatternForString(const String& text);
  /// `text` with "\" and "$" escaped, so that a template inserts it as is.
  static String escapedTemplateForString(const String& text);

  String description() const override;
  bool isEqual(const Object* other) const override;
  size_t hash() const override { return pattern_.hash() ^ options_; }
  Id copy() const override { return std::const_pointer_cast<Object>(self()); }

 private:
  String pattern_;
  uint64_t options_ = 0;
  size_t groups_ = 0;
  std::shared_ptr<const icu::RegexPattern> compiled_;
};

/// True when the whole of `text` matches `pattern` (no options); false too when the pattern
/// does not compile. This is what a "SELF MATCHES pattern" test means.
bool matchesPattern(const String& text, const String& pattern);

}  // namespace fd
