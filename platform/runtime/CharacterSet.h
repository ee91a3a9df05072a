#pragma once
// Sets of Unicode code points (the whole range, astral planes included). A value type:
// copies share their contents until one of them changes.
#include <cstdint>
#include <memory>

#include "platform/runtime/Range.h"

struct USet;

namespace rt {

class String;

class CharacterSet {
 public:
  /// The empty set.
  CharacterSet();

  // Predefined sets (shared, immutable instances)
  static const CharacterSet& whitespaceAndNewlineCharacterSet();
  static const CharacterSet& whitespaceCharacterSet();
  static const CharacterSet& newlineCharacterSet();
  static const CharacterSet& decimalDigitCharacterSet();
  static const CharacterSet& letterCharacterSet();
  static const CharacterSet& alphanumericCharacterSet();
  static const CharacterSet& punctuationCharacterSet();
  static const CharacterSet& uppercaseLetterCharacterSet();
  static const CharacterSet& lowercaseLetterCharacterSet();
  static const CharacterSet& URLQueryAllowedCharacterSet();
  static const CharacterSet& URLPathAllowedCharacterSet();
  static const CharacterSet& URLHostAllowedCharacterSet();
  static const CharacterSet& URLFragmentAllowedCharacterSet();
  static const CharacterSet& URLUserAllowedCharacterSet();
  static const CharacterSet& URLPasswordAllowedCharacterSet();

  /// The code points of `s` (surrogate pairs count as one astral code point).
  static CharacterSet characterSetWithCharactersInString(const String& s);
  /// Code points location ..< location + length (clipped to U+10FFFF).
  static CharacterSet characterSetWithRange(Range codePoints);

  CharacterSet invertedSet() const;

  // Changes
  void addCharactersInString(const String& s);
  void removeCharactersInString(const String& s);
  void addCharactersInRange(Range codePoints);
  void removeCharactersInRange(Range codePoints);
  void formUnionWithCharacterSet(const CharacterSet& other);
  void formIntersectionWithCharacterSet(const CharacterSet& other);
  void invert();

  // Membership
  bool characterIsMember(char16_t c) const { return longCharacterIsMember(c); }
  bool longCharacterIsMember(char32_t c) const {
    if (c < 128) return (ascii_[c >> 6] >> (c & 63)) & 1;
    return contains(c);
  }
  bool operator==(const CharacterSet& other) const;

 private:
  struct Impl;
  explicit CharacterSet(std::shared_ptr<const Impl> impl);
  /// Takes ownership of `set`; a frozen set is never changed in place.
  static CharacterSet adopt(USet* set, bool freeze);
  bool contains(char32_t c) const;
  Impl& mutate();  // a private, writable copy of the contents
  void refresh();  // recomputes the ASCII bitmap after a change

  std::shared_ptr<const Impl> impl_;
  uint64_t ascii_[2] = {0, 0};
};

}  // namespace rt
