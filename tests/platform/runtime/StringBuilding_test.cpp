#include <gtest/gtest.h>

#include "platform/runtime/CharacterSet.h"
#include "platform/runtime/String.h"

using rt::CharacterSet;
using rt::String;

TEST(StringBuilding, CaseMapping) {
  struct Case {
    const char16_t* s;
    const char16_t* upper;
    const char16_t* lower;
    const char16_t* capitalized;
  } cases[] = {
      {u"Hello, wORLD!", u"HELLO, WORLD!", u"hello, world!", u"Hello, World!"},
      {u"straße", u"STRASSE", u"straße", u"Straße"},
      {u"ÀÉ élan", u"ÀÉ ÉLAN", u"àé élan", u"Àé Élan"},
      {u"İ", u"İ", u"i\u0307", u"İ"},
      {u"ßa  two\twords\nhere", u"SSA  TWO\tWORDS\nHERE", u"ßa  two\twords\nhere", u"Ssa  Two\tWords\nHere"},
      {u"", u"", u"", u""},
      {u"12 ab", u"12 AB", u"12 ab", u"12 Ab"},
  };
  for (const auto& c : cases) {
    String s(c.s);
    SCOPED_TRACE(s.utf8());
    EXPECT_EQ(s.uppercaseString(), String(c.upper));
    EXPECT_EQ(s.lowercaseString(), String(c.lower));
    EXPECT_EQ(s.capitalizedString(), String(c.capitalized));
  }
}

TEST(StringBuilding, Normalisation) {
  struct Case {
    const char16_t* s;
    const char16_t* nfd;
    const char16_t* nfc;
  } cases[] = {
      {u"é", u"e\u0301", u"é"},
      {u"e\u0301", u"e\u0301", u"é"},
      {u"한", u"\u1112\u1161\u11AB", u"한"},
      {u"plain", u"plain", u"plain"},
      {u"Å\u0323", u"A\u0323\u030A", u"\u1EA0\u030A"},  // marks reordered canonically
  };
  for (const auto& c : cases) {
    String s(c.s);
    SCOPED_TRACE(s.utf8());
    EXPECT_EQ(s.decomposedStringWithCanonicalMapping(), String(c.nfd));
    EXPECT_EQ(s.precomposedStringWithCanonicalMapping(), String(c.nfc));
  }
}

TEST(StringBuilding, Trimming) {
  struct Case {
    const char16_t* s;
    const char16_t* expected;
  } cases[] = {
      {u"  a b \n", u"a b"}, {u"\u3000x\u2028", u"x"}, {u"\t\r\n", u""}, {u"", u""}, {u"x", u"x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(String(c.s).utf8());
    EXPECT_EQ(String(c.s).trimmed(), String(c.expected));
  }
  CharacterSet emoji = CharacterSet::characterSetWithCharactersInString(u"😀");
  EXPECT_EQ(String(u"😀😀x😀").stringByTrimmingCharactersInSet(emoji), String("x"));
  EXPECT_EQ(String(u"\xD83Dx").stringByTrimmingCharactersInSet(emoji), String(u"\xD83Dx"));
}

TEST(StringBuilding, Padding) {
  struct Case {
    const char* s;
    size_t length;
    const char* pad;
    size_t start;
    const char* expected;
  } cases[] = {
      {"abc", 6, "12", 0, "abc121"}, {"abc", 6, "12", 1, "abc212"}, {"abcdef", 3, "x", 0, "abc"},
      {"", 2, ".", 0, ".."},         {"ab", 2, "x", 0, "ab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(String(c.s).stringByPaddingToLength(c.length, c.pad, c.start), String(c.expected));
  }
}
