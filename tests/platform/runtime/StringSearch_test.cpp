#include <gtest/gtest.h>

#include "platform/runtime/CharacterSet.h"
#include "platform/runtime/String.h"

using namespace rt;

namespace {
std::vector<std::string> utf8s(const std::vector<String>& v) {
  std::vector<std::string> out;
  for (const auto& s : v) out.push_back(s.utf8());
  return out;
}
}  // namespace

TEST(StringSearch, RangeOfStringWithOptions) {
  struct Case {
    const char16_t* hay;
    const char16_t* needle;
    uint32_t options;
    Range expected;
  } cases[] = {
      {u"http://x.cn", u"http:", 0, {0, 5}},
      {u"a+b", u"+", 0, {1, 1}},
      {u"img_200k.jpg", u"_200k.", 0, {3, 6}},
      {u"icon@2x.png", u"@3x.", 0, NotFoundRange},
      {u"abc", u"", 0, NotFoundRange},
      {u"", u"a", 0, NotFoundRange},
      {u"Video.F4M", u".f4m", CaseInsensitiveSearch, {5, 4}},
      {u"abcabc", u"abc", BackwardsSearch, {3, 3}},
      {u"abcabc", u"bc", AnchoredSearch, NotFoundRange},
      {u"abcabc", u"ab", AnchoredSearch, {0, 2}},
      {u"abcabc", u"bc", AnchoredSearch | BackwardsSearch, {4, 2}},
      {u"x😀y😀", u"😀", BackwardsSearch, {4, 2}},
      {u"Straße", u"STRASSE", CaseInsensitiveSearch, {0, 6}},
      {u"STRASSE", u"straße", CaseInsensitiveSearch, {0, 7}},
      {u"ÄÖÜ", u"öü", CaseInsensitiveSearch, {1, 2}},
      {u"café", u"cafe\u0301", 0, {0, 4}},                  // canonically equivalent
      {u"café", u"cafe\u0301", LiteralSearch, NotFoundRange},
      {u"cafe\u0301!", u"café", 0, {0, 5}},
      {u"cafe\u0301", u"cafe", 0, NotFoundRange},            // would split e + accent
      {u"cafe\u0301", u"cafe", LiteralSearch, {0, 4}},
      {u"Café", u"cafe", DiacriticInsensitiveSearch | CaseInsensitiveSearch, {0, 4}},
      {u"ＡＢＣ", u"abc", WidthInsensitiveSearch | CaseInsensitiveSearch, {0, 3}},
      {u"最后更新：今天", u"今天", 0, {5, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(String(c.hay).utf8() + " / " + String(c.needle).utf8());
    EXPECT_EQ(String(c.hay).rangeOfString(c.needle, c.options), c.expected);
  }
  EXPECT_TRUE(String("path/file@2x.png").contains("@2x."));
  EXPECT_FALSE(String("path/file.png").contains("@2x."));
}

TEST(StringSearch, RangeOfStringWithinARange) {
  String s("abcabcabc");
  EXPECT_EQ(s.rangeOfString("abc", 0, Range{1, 8}), (Range{3, 3}));
  EXPECT_EQ(s.rangeOfString("abc", BackwardsSearch, Range{0, 8}), (Range{3, 3}));
  EXPECT_EQ(s.rangeOfString("abc", 0, Range{7, 100}), NotFoundRange);
  EXPECT_EQ(s.rangeOfString("ABC", CaseInsensitiveSearch, Range{4, 5}), (Range{6, 3}));
  EXPECT_EQ(String(u"ßxß").rangeOfString("SS", CaseInsensitiveSearch, Range{1, 2}), (Range{2, 1}));
}

TEST(StringSearch, RegularExpressionOption) {
  String s("a1b22c333");
  EXPECT_EQ(s.rangeOfString("[0-9]+", RegularExpressionSearch), (Range{1, 1}));
  EXPECT_EQ(s.rangeOfString("[0-9]+", RegularExpressionSearch | BackwardsSearch), (Range{6, 3}));
  EXPECT_EQ(s.rangeOfString("B", RegularExpressionSearch | CaseInsensitiveSearch), (Range{2, 1}));
  EXPECT_EQ(s.rangeOfString("[0-9]+", RegularExpressionSearch | AnchoredSearch), NotFoundRange);
  EXPECT_EQ(s.rangeOfString("^b", RegularExpressionSearch, Range{2, 7}), (Range{2, 1}));
  EXPECT_EQ(s.rangeOfString("(", RegularExpressionSearch), NotFoundRange);  // bad pattern
}

TEST(StringSearch, CompareWithOptions) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    uint32_t options;
    Ordering expected;
  } cases[] = {
      {u"a", u"b", 0, Ordering::Ascending},
      {u"B", u"a", 0, Ordering::Ascending},
      {u"B", u"a", CaseInsensitiveSearch, Ordering::Descending},
      {u"HELLO", u"hello", CaseInsensitiveSearch, Ordering::Same},
      {u"Straße", u"STRASSE", CaseInsensitiveSearch, Ordering::Same},
      {u"file9", u"file10", NumericSearch, Ordering::Ascending},
      {u"file9", u"file10", 0, Ordering::Descending},
      {u"v010", u"v10", NumericSearch, Ordering::Same},
      {u"é", u"e\u0301", 0, Ordering::Same},
      {u"é", u"e\u0301", LiteralSearch, Ordering::Descending},
      {u"résumé", u"resume", DiacriticInsensitiveSearch, Ordering::Same},
      {u"abc", u"abcd", 0, Ordering::Ascending},
      {u"", u"", 0, Ordering::Same},
      {u"\uFF61", u"😀", 0, Ordering::Descending},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(String(c.a).utf8() + " vs " + String(c.b).utf8());
    EXPECT_EQ(String(c.a).compare(c.b, c.options), c.expected);
  }
  EXPECT_EQ(String("Apple").caseInsensitiveCompare("aPPLE"), Ordering::Same);
}

TEST(StringSearch, PrefixesAndSuffixes) {
  struct Case {
    const char* s;
    const char* affix;
    bool prefix, suffix;
  } cases[] = {
      {"/path/", "/", true, true},  {"RIFF....WEBP", "RIFF", true, false}, {"RIFF....WEBP", "WEBP", false, true},
      {"abc", "", false, false},    {"", "a", false, false},              {"ab", "abc", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.s) + " / " + c.affix);
    EXPECT_EQ(String(c.s).hasPrefix(c.affix), c.prefix);
    EXPECT_EQ(String(c.s).hasSuffix(c.affix), c.suffix);
  }
}

TEST(StringSearch, Components) {
  struct Case {
    const char* s;
    const char* separator;
    std::vector<std::string> expected;
  } cases[] = {
      {"a+b+c", "+", {"a", "b", "c"}},
      {"+a+", "+", {"", "a", ""}},
      {"key_200_x", "_", {"key", "200", "x"}},
      {"a]]b", "]]", {"a", "b"}},
      {"abc", "", {"abc"}},
      {"", "x", {""}},
      {"no separator", ".", {"no separator"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(utf8s(String(c.s).componentsSeparatedByString(c.separator)), c.expected);
  }
  CharacterSet set = CharacterSet::characterSetWithCharactersInString(u" 😀");
  EXPECT_EQ(utf8s(String(u"a😀b c").componentsSeparatedByCharactersInSet(set)),
            (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(utf8s(String(u"😀").componentsSeparatedByCharactersInSet(set)), (std::vector<std::string>{"", ""}));
}

TEST(StringSearch, Replacing) {
  struct Case {
    const char* s;
    const char* target;
    const char* replacement;
    uint32_t options;
    Range range;
    const char* expected;
  } cases[] = {
      {"a<body>b<body>", "<body>", "", 0, {0, 100}, "ab"},
      {"x.F4M?y.f4m", ".f4m", ".mp4", CaseInsensitiveSearch, {0, 100}, "x.mp4?y.mp4"},
      {"x.F4M?y.f4m", ".f4m", ".mp4", CaseInsensitiveSearch, {0, 5}, "x.mp4?y.f4m"},
      {"/Uploads/Guanwang/a.png", "/Uploads/Guanwang/", "/", 0, {0, 100}, "/a.png"},
      {"aaa", "a", "aa", 0, {0, 100}, "aaaaaa"},
      {"abc", "", "x", 0, {0, 100}, "abc"},
      {"abab", "ab", "x", AnchoredSearch, {0, 100}, "xab"},
      {"abab", "ab", "x", AnchoredSearch | BackwardsSearch, {0, 100}, "abx"},
      {"a1b22", "([0-9]+)", "<$1>", RegularExpressionSearch, {0, 100}, "a<1>b<22>"},
      {"a1b22", "[0-9]+", "#", RegularExpressionSearch, {2, 3}, "a1b#"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.s) + " / " + c.target);
    EXPECT_EQ(String(c.s).stringByReplacingOccurrencesOfString(c.target, c.replacement, c.options, c.range).utf8(),
              c.expected);
  }
  EXPECT_EQ(String("font-size: 32px;x").stringByReplacingOccurrencesOfString("font-size: 32px;", ""), String("x"));
}

TEST(StringSearch, CharacterFromSet) {
  const CharacterSet& space = CharacterSet::whitespaceCharacterSet();
  EXPECT_EQ(String("ab cd").rangeOfCharacterFromSet(space), (Range{2, 1}));
  EXPECT_EQ(String("a b c").rangeOfCharacterFromSet(space, BackwardsSearch), (Range{3, 1}));
  EXPECT_EQ(String("abc").rangeOfCharacterFromSet(space), NotFoundRange);
  EXPECT_EQ(String(" x").rangeOfCharacterFromSet(space, AnchoredSearch), (Range{0, 1}));
  EXPECT_EQ(String("x ").rangeOfCharacterFromSet(space, AnchoredSearch), NotFoundRange);
  EXPECT_EQ(String("x ").rangeOfCharacterFromSet(space, AnchoredSearch | BackwardsSearch), (Range{1, 1}));
  CharacterSet emoji = CharacterSet::characterSetWithRange(Range{0x1F600, 0x50});
  EXPECT_EQ(String(u"ab😀").rangeOfCharacterFromSet(emoji), (Range{2, 2}));
  EXPECT_EQ(String(u"😀ab").rangeOfCharacterFromSet(emoji, BackwardsSearch), (Range{0, 2}));
}
