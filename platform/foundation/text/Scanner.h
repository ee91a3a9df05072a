#pragma once
// Reading numbers and words off the front of a string. Every scan first steps over the
// characters to be skipped (white space and newlines by default); a scan that fails leaves
// the location where it was and answers false. Out-parameters may be null.
#include <cstdint>

#include "platform/foundation/Types.h"
#include "platform/runtime/CharacterSet.h"

namespace fd {

using rt::CharacterSet;

class Scanner : public Object {
  RT_CLASS_NAMED(Scanner, Object, "NSScanner")

 public:
  void init() {}
  void init(const String& string);
  static Ref<Scanner> scannerWithString(const String& string);

  const String& string() const { return string_; }
  /// In UTF-16 units.
  size_t scanLocation() const { return location_; }
  /// Raises NSRangeException past the end of the string.
  void setScanLocation(size_t location);
  const CharacterSet& charactersToBeSkipped() const { return skip_; }
  /// An empty set skips nothing.
  void setCharactersToBeSkipped(CharacterSet set) { skip_ = std::move(set); }
  /// Off by default: scanString and scanUpToString ignore case.
  bool caseSensitive() const { return caseSensitive_; }
  void setCaseSensitive(bool on) { caseSensitive_ = on; }

  // Decimal integers with an optional sign; out-of-range values saturate at the type's limits
  // and every digit is consumed.
  bool scanInt(int32_t* out);
  bool scanInteger(int64_t* out);
  bool scanLongLong(int64_t* out) { return scanInteger(out); }
  bool scanUnsignedLongLong(uint64_t* out);
  // Hexadecimal with an optional "0x"/"0X"; out-of-range values saturate.
  bool scanHexInt(uint32_t* out);
  bool scanHexLongLong(uint64_t* out);
  // [sign] digits [. digits] [e [sign] digits], with "." as the decimal separator.
  bool scanDouble(double* out);
  bool scanFloat(float* out);

  /// `text` itself at the location.
  bool scanString(const String& text, String* out = nullptr);
  /// One or more characters of `set`.
  bool scanCharactersFromSet(const CharacterSet& set, String* out = nullptr);
  /// One or more characters up to `text` or the end; false when `text` is right at the location.
  bool scanUpToString(const String& text, String* out = nullptr);
  bool scanUpToCharactersFromSet(const CharacterSet& set, String* out = nullptr);

  /// True when only characters to be skipped are left.
  bool isAtEnd() const;

  String description() const override;

 private:
  size_t skipped(size_t from) const;
  size_t codePointEnd(size_t at, char32_t* cp) const;
  bool scanSigned(int64_t min, int64_t max, int64_t* out);
  bool scanHex(uint64_t max, uint64_t* out);

  String string_;
  size_t location_ = 0;
  CharacterSet skip_ = CharacterSet::whitespaceAndNewlineCharacterSet();
  bool caseSensitive_ = false;
};

}  // namespace fd
