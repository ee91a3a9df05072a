#include <gtest/gtest.h>

#include <string>

#include "platform/runtime/CharacterSet.h"
#include "platform/runtime/String.h"

using rt::CharacterSet;
using rt::Range;
using rt::String;

TEST(CharacterSet, PredefinedMembership) {
  struct Case {
    const CharacterSet& set;
    char32_t cp;
    bool member;
  } cases[] = {
      {CharacterSet::whitespaceCharacterSet(), U' ', true},
      {CharacterSet::whitespaceCharacterSet(), U'\t', true},
      {CharacterSet::whitespaceCharacterSet(), U'\n', false},
      {CharacterSet::whitespaceCharacterSet(), 0x00A0, true},
      {CharacterSet::whitespaceCharacterSet(), 0x3000, true},
      {CharacterSet::whitespaceCharacterSet(), U'a', false},
      {CharacterSet::whitespaceAndNewlineCharacterSet(), U'\n', true},
      {CharacterSet::whitespaceAndNewlineCharacterSet(), U'\r', true},
      {CharacterSet::whitespaceAndNewlineCharacterSet(), 0x0085, true},
      {CharacterSet::whitespaceAndNewlineCharacterSet(), 0x2028, true},
      {CharacterSet::whitespaceAndNewlineCharacterSet(), U'x', false},
      {CharacterSet::newlineCharacterSet(), 0x2029, true},
      {CharacterSet::newlineCharacterSet(), U' ', false},
      {CharacterSet::decimalDigitCharacterSet(), U'7', true},
      {CharacterSet::decimalDigitCharacterSet(), 0x0663, true},   // Arabic-Indic three
      {CharacterSet::decimalDigitCharacterSet(), 0x1D7D8, true},  // mathematical digit, astral
      {CharacterSet::decimalDigitCharacterSet(), U'a', false},
      {CharacterSet::letterCharacterSet(), U'a', true},
      {CharacterSet::letterCharacterSet(), 0x4E2D, true},
      {CharacterSet::letterCharacterSet(), 0x0301, true},  // marks count as letters
      {CharacterSet::letterCharacterSet(), 0x20000, true},
      {CharacterSet::letterCharacterSet(), U'1', false},
      {CharacterSet::alphanumericCharacterSet(), U'1', true},
      {CharacterSet::alphanumericCharacterSet(), U'_', false},
      {CharacterSet::punctuationCharacterSet(), U'!', true},
      {CharacterSet::punctuationCharacterSet(), U'_', true},
      {CharacterSet::punctuationCharacterSet(), U'$', false},
      {CharacterSet::uppercaseLetterCharacterSet(), U'A', true},
      {CharacterSet::uppercaseLetterCharacterSet(), 0x01C5, true},  // title case
      {CharacterSet::uppercaseLetterCharacterSet(), U'a', false},
      {CharacterSet::lowercaseLetterCharacterSet(), U'a', true},
      {CharacterSet::lowercaseLetterCharacterSet(), U'A', false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.cp));
    EXPECT_EQ(c.set.longCharacterIsMember(c.cp), c.member);
  }
  EXPECT_FALSE(CharacterSet::letterCharacterSet().longCharacterIsMember(0x110000));
}

TEST(CharacterSet, URLSetsAllowExactlyTheirASCII) {
  const char* alnum = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  struct Case {
    const CharacterSet& set;
    std::string extra;
  } cases[] = {
      {CharacterSet::URLQueryAllowedCharacterSet(), "!$&'()*+,-./:;=?@_~"},
      {CharacterSet::URLFragmentAllowedCharacterSet(), "!$&'()*+,-./:;=?@_~"},
      {CharacterSet::URLPathAllowedCharacterSet(), "!$&'()*+,-./:=@_~"},
      {CharacterSet::URLHostAllowedCharacterSet(), "!$&'()*+,-.:;=[]_~"},
      {CharacterSet::URLUserAllowedCharacterSet(), "!$&'()*+,-.;=_~"},
      {CharacterSet::URLPasswordAllowedCharacterSet(), "!$&'()*+,-.;=_~"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extra);
    std::string allowed = alnum + c.extra;
    for (char16_t ch = 0; ch < 128; ++ch)
      EXPECT_EQ(c.set.characterIsMember(ch), allowed.find(static_cast<char>(ch)) != std::string::npos) << int(ch);
    EXPECT_FALSE(c.set.characterIsMember(u'é'));
    EXPECT_FALSE(c.set.longCharacterIsMember(0x1F600));
  }
}

TEST(CharacterSet, FromStringsAndRanges) {
  CharacterSet s = CharacterSet::characterSetWithCharactersInString(u"a😀");
  EXPECT_TRUE(s.characterIsMember(u'a'));
  EXPECT_TRUE(s.longCharacterIsMember(0x1F600));
  EXPECT_FALSE(s.characterIsMember(0xD83D));  // the code point, not its surrogates
  EXPECT_FALSE(s.characterIsMember(u'b'));

  CharacterSet cjk = CharacterSet::characterSetWithRange(Range{0x3400, 0x3E16 - 0x3400});
  struct Case {
    char32_t cp;
    bool member;
  } cases[] = {{0x33FF, false}, {0x3400, true}, {0x3E15, true}, {0x3E16, false}};
  for (const auto& c : cases) EXPECT_EQ(cjk.longCharacterIsMember(c.cp), c.member) << std::hex << uint32_t(c.cp);

  CharacterSet top = CharacterSet::characterSetWithRange(Range{0x10FFF0, 100});
  EXPECT_TRUE(top.longCharacterIsMember(0x10FFFF));
  EXPECT_FALSE(top.longCharacterIsMember(0x10FFEF));
  EXPECT_EQ(CharacterSet::characterSetWithRange(Range{'a', 3}), CharacterSet::characterSetWithCharactersInString("abc"));
  EXPECT_EQ(CharacterSet::characterSetWithRange(Range{'a', 0}), CharacterSet());
}

TEST(CharacterSet, ChangesLeaveOtherCopiesAlone) {
  CharacterSet query = CharacterSet::URLQueryAllowedCharacterSet();
  query.removeCharactersInString(":#[]@");
  query.removeCharactersInString("!$&'()*+,;=");
  for (char16_t c : std::u16string(u":@!$&'()*+,;=")) EXPECT_FALSE(query.characterIsMember(c)) << char(c);
  for (char16_t c : std::u16string(u"/?-._~aZ0")) EXPECT_TRUE(query.characterIsMember(c)) << char(c);
  EXPECT_TRUE(CharacterSet::URLQueryAllowedCharacterSet().characterIsMember(u':'));

  // Text that may be rotated: CJK and Hangul blocks minus the bracket punctuation.
  CharacterSet rotate;
  rotate.addCharactersInRange(Range{0x3000, 0x3040 - 0x3000});
  rotate.addCharactersInRange(Range{0x4E00, 0x9FCD - 0x4E00});
  rotate.addCharactersInRange(Range{0xAC00, 0xD7A4 - 0xAC00});
  rotate.addCharactersInString(u"\uF8FF");
  rotate.removeCharactersInRange(Range{0x3008, 0x3012 - 0x3008});
  rotate.removeCharactersInRange(Range{0x3014, 0x3020 - 0x3014});
  struct Case {
    char32_t cp;
    bool member;
  } cases[] = {{0x3001, true},  {0x3008, false}, {0x3011, false}, {0x3012, true}, {0x301F, false},
               {0x4E2D, true},  {0x9FCC, true},  {0x9FCD, false}, {0xD7A3, true}, {0xF8FF, true}};
  for (const auto& c : cases) EXPECT_EQ(rotate.longCharacterIsMember(c.cp), c.member) << std::hex << uint32_t(c.cp);

  CharacterSet copy = rotate;
  copy.invert();
  EXPECT_TRUE(copy.characterIsMember(u'a'));
  EXPECT_FALSE(copy.characterIsMember(0x4E2D));
  EXPECT_TRUE(rotate.longCharacterIsMember(0x4E2D));
  copy.invert();
  EXPECT_EQ(copy, rotate);
}

TEST(CharacterSet, SetAlgebra) {
  CharacterSet a = CharacterSet::characterSetWithRange(Range{'a', 26});
  CharacterSet b = CharacterSet::characterSetWithCharactersInString(u"xyz0😀");
  CharacterSet both = a;
  both.formIntersectionWithCharacterSet(b);
  EXPECT_EQ(both, CharacterSet::characterSetWithCharactersInString("xyz"));
  CharacterSet either = a;
  either.formUnionWithCharacterSet(b);
  EXPECT_TRUE(either.characterIsMember(u'0'));
  EXPECT_TRUE(either.longCharacterIsMember(0x1F600));
  EXPECT_TRUE(either.characterIsMember(u'q'));
  either.formUnionWithCharacterSet(either);
  EXPECT_TRUE(either.characterIsMember(u'q'));

  CharacterSet inverted = CharacterSet::whitespaceCharacterSet().invertedSet();
  EXPECT_TRUE(inverted.characterIsMember(u'a'));
  EXPECT_TRUE(inverted.longCharacterIsMember(0x1F600));
  EXPECT_FALSE(inverted.characterIsMember(u' '));
  EXPECT_TRUE(CharacterSet::whitespaceCharacterSet().characterIsMember(u' '));
}
