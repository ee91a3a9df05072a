#pragma once
// The system's text type: an implicitly shared, copy-on-write UTF-16 string.
// Lengths, indexes and ranges are in UTF-16 code units; copies are O(1).
#include <atomic>
#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/Range.h"

namespace rt {

class CharacterSet;

/// Search and compare options, with the platform's values.
enum StringOptions : uint32_t {
  CaseInsensitiveSearch = 1,
  LiteralSearch = 2,
  BackwardsSearch = 4,
  AnchoredSearch = 8,
  NumericSearch = 64,
  DiacriticInsensitiveSearch = 128,
  WidthInsensitiveSearch = 256,
  RegularExpressionSearch = 1024,
};

enum class Ordering : int { Ascending = -1, Same = 0, Descending = 1 };

class String {
 public:
  String() = default;
  String(const char* utf8);                  // NOLINT: literals convert implicitly
  String(std::string_view utf8);             // invalid sequences become U+FFFD
  String(const std::string& utf8) : String(std::string_view(utf8)) {}
  String(std::u16string_view utf16);
  String(const char16_t* utf16) : String(std::u16string_view(utf16)) {}
  String(const char16_t* units, size_t count) : String(std::u16string_view(units, count)) {}
  String(const String& o);
  String(String&& o) noexcept : rep_(o.rep_) { o.rep_ = nullptr; }
  String& operator=(const String& o);
  String& operator=(String&& o) noexcept;
  ~String();

  /// Strict UTF-8 decoding: nullopt on any invalid sequence.
  static std::optional<String> fromUTF8(const char* bytes, size_t length);
  static String fromLatin1(const char* bytes, size_t length);
  static String fromUTF32(const char32_t* cps, size_t count);
  static String fromCodePoint(char32_t cp);
  /// A string of `count` UTF-16 units, uninitialised, for writers that fill it in place.
  static String withCapacity(size_t capacity);

  // Access
  size_t length() const { return rep_ ? rep_->length : 0; }
  bool isEmpty() const { return length() == 0; }
  char16_t characterAtIndex(size_t i) const { return data()[i]; }
  char16_t operator[](size_t i) const { return data()[i]; }
  const char16_t* data() const { return rep_ ? rep_->units : u""; }
  std::u16string_view view() const { return {data(), length()}; }
  std::u16string toU16() const { return std::u16string(view()); }
  /// Code point starting at index i (a lone surrogate answers itself).
  char32_t codePointAt(size_t i) const;
  std::u32string toUTF32() const;

  // Conversion
  std::string utf8() const;
  /// The UTF-8 form up to the first zero unit (a C string's view of the text).
  std::string cString() const;
  size_t utf8Length() const;

  // Substrings (ranges are clamped to the string; an out-of-range start answers "")
  String substring(size_t from) const;
  String substring(size_t from, size_t length) const;
  String substring(Range r) const { return substring(r.location, r.length); }
  String substringToIndex(size_t to) const { return substring(0, to); }
  String substringFromIndex(size_t from) const { return substring(from); }

  // Comparison: ordinal by UTF-16 unit; compare() without LiteralSearch also treats
  // canonically equivalent text ("é" and "e" + U+0301) as equal, as search does.
  bool operator==(const String& o) const;
  bool operator==(const char* utf8) const;
  std::strong_ordering operator<=>(const String& o) const;
  Ordering compare(const String& o, uint32_t options = 0) const;
  Ordering caseInsensitiveCompare(const String& o) const { return compare(o, CaseInsensitiveSearch); }
  bool isEqualToString(const String& o) const { return *this == o; }
  size_t hash() const;

  // Search
  Range rangeOfString(const String& needle, uint32_t options = 0) const;
  Range rangeOfString(const String& needle, uint32_t options, Range within) const;
  Range rangeOfCharacterFromSet(const CharacterSet& set, uint32_t options = 0) const;
  bool contains(const String& needle) const { return rangeOfString(needle).found(); }
  bool hasPrefix(const String& p) const;
  bool hasSuffix(const String& s) const;
  std::vector<String> componentsSeparatedByString(const String& sep) const;
  std::vector<String> componentsSeparatedByCharactersInSet(const CharacterSet& set) const;

  // Percent-encoding: UTF-8 bytes outside `allowed` become "%XX" (upper-case hex).
  String stringByAddingPercentEncodingWithAllowedCharacters(const CharacterSet& allowed) const;
  /// Decodes "%XX" escapes as UTF-8 ("+" stays "+"); nullopt on a bad escape or invalid UTF-8.
  std::optional<String> stringByRemovingPercentEncoding() const;

  // Building (each returns a new string; the receiver is unchanged)
  String operator+(const String& o) const;
  String stringByAppendingString(const String& o) const { return *this + o; }
  String stringByReplacingOccurrencesOfString(const String& target, const String& replacement,
                                              uint32_t options = 0) const;
  String stringByReplacingOccurrencesOfString(const String& target, const String& replacement,
                                              uint32_t options, Range within) const;
  String stringByReplacingCharactersInRange(Range r, const String& replacement) const;
  String stringByTrimmingCharactersInSet(const CharacterSet& set) const;
  String trimmed() const;  // white space and newlines
  String uppercaseString() const;   // full Unicode case mapping, root locale
  String lowercaseString() const;
  String capitalizedString() const;
  String decomposedStringWithCanonicalMapping() const;  // NFD
  String precomposedStringWithCanonicalMapping() const;  // NFC
  String stringByPaddingToLength(size_t length, const String& pad, size_t startIndex) const;

  // Mutation in place (copy-on-write)
  String& append(const String& o);
  String& operator+=(const String& o) { return append(o); }
  String& appendCharacter(char16_t c);
  String& appendCodePoint(char32_t cp);
  void insert(const String& s, size_t at);
  void deleteCharactersInRange(Range r);
  void replaceCharactersInRange(Range r, const String& s);
  void setLength(size_t n);  // truncates, or pads with zero units
  char16_t* mutableData();   // unique buffer, valid until the next change

  // Composed character sequences (grapheme clusters) in UTF-16 units; an index at or past
  // the end answers the empty range at the end.
  Range rangeOfComposedCharacterSequenceAtIndex(size_t i) const;
  Range rangeOfComposedCharacterSequencesForRange(Range r) const;
  void enumerateComposedCharacterSequences(Range r,
      const std::function<void(Range, bool& stop)>& body) const;
  size_t composedCharacterCount() const;

  // Numbers: leading white space skipped, then the longest numeric prefix; 0 when none.
  int32_t intValue() const;
  int64_t integerValue() const;
  int64_t longLongValue() const { return integerValue(); }
  double doubleValue() const;
  float floatValue() const { return static_cast<float>(doubleValue()); }
  /// true for a leading "Y", "y", "T", "t" or a non-zero digit, after white space and signs.
  bool boolValue() const;

  // Paths ('/' separated)
  String lastPathComponent() const;
  String pathExtension() const;
  String stringByDeletingPathExtension() const;
  String stringByDeletingLastPathComponent() const;
  String stringByAppendingPathComponent(const String& c) const;
  String stringByAppendingPathExtension(const String& e) const;
  String stringByExpandingTildeInPath() const;
  std::vector<String> pathComponents() const;
  bool isAbsolutePath() const { return length() > 0 && data()[0] == u'/'; }

  /// printf-style formatting with "%@" for objects and strings (see Format.h).
  template <class... A> static String format(const String& fmt, const A&... args);

 private:
  struct Rep {
    mutable std::atomic_uint32_t refs;
    uint32_t spare;
    size_t length;
    size_t capacity;
    char16_t units[1];
  };
  static Rep* allocate(size_t capacity);
  static void shrink(Rep*& r, size_t used);
  void release();
  Rep* unique(size_t minCapacity);
  friend class StringBuilderAccess;
  Rep* rep_ = nullptr;
};

inline String operator+(const char* a, const String& b) { return String(a) + b; }
std::ostream& operator<<(std::ostream& os, const String& s);

}  // namespace rt

template <> struct std::hash<rt::String> {
  size_t operator()(const rt::String& s) const noexcept { return s.hash(); }
};

#include "platform/runtime/Format.h"
